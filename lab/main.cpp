// occlusion-lab: the demo's forest, camera and keys, with every culling
// method switchable while flying, a freeze that keeps the culling camera
// still while the viewer flies out to look at what it culled, and the
// method's view of the world, its timings and its errors on screen.
#include <SDL.h>
#include <epoxy/gl.h>
#include <imgui.h>
#include <backends/imgui_impl_opengl3.h>
#include <backends/imgui_impl_sdl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "display.h"
#include "lab/lab.h"
#include "lab/panel.h"
#include "methods/plain_context.h"
#include "scene/camera.h"
#include "scene/scene.h"

namespace {

constexpr int WindowWidth = 1280, WindowHeight = 960;
const char WindowTitle[] = "Occlusion Lab";

// The viewer: the demo's fly camera and keys, on the lab's own clock.
struct Viewer {
    FlyCamera camera = {CameraStart, 0.0f, 0.0f, 0.0f, D3DXMATRIX(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0)};
    BYTE keys[256] = {};
};

int GLErrors = 0;

void CountGLError(const char *message) {
    fprintf(stderr, "OpenGL error: %s\n", message);
    GLErrors++;
}


// Letters go to the viewer's key table, as the demo's window procedure
// fills its own; digits and F are the lab's.
void HandleKey(Lab &lab, Viewer &viewer, const SDL_KeyboardEvent &key, bool imguiHasKeyboard) {
    SDL_Keycode sym = key.keysym.sym;
    bool down = key.type == SDL_KEYDOWN;
    if (sym >= SDLK_a && sym <= SDLK_z) viewer.keys[toupper((int)sym)] = down && !imguiHasKeyboard;
    if (!down || key.repeat || imguiHasKeyboard) return;
    // The digit row picks a method: 1 .. 9, 0, -, = for the first twelve.
    for (int m = 0; m < MethodCount && m < 12; ++m)
        if (sym == SDL_GetKeyFromName(MethodKeyName(m))) SelectMethod(lab, (Method)m);
    if (sym == SDLK_f) SetFreeze(lab, !lab.culling.frozen);
}

void Apply(Lab &lab, const PanelRequests &requests) {
    if (requests.method >= 0) SelectMethod(lab, (Method)requests.method);
    if (requests.freeze >= 0) SetFreeze(lab, requests.freeze != 0);
    if (requests.lag) SetQueryLag(lab, requests.lag);
    if (requests.wait >= 0) SetConditionalWait(lab, requests.wait != 0);
    std::string error;
    if (requests.trees && !SetTreeCount(lab, requests.trees, error))
        fprintf(stderr, "occlusion-lab: %s\n", error.c_str());
}

// The main target is top-row-first: the blit turns it upright.
void ShowScene(const Lab &lab, const LabLayout &layout) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, lab.scene.mainFramebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    int top = layout.height - layout.sceneY;
    glBlitFramebuffer(0, 0, MainTargetWidth, MainTargetHeight, layout.sceneX, top,
                      layout.sceneX + layout.sceneWidth, top - layout.sceneHeight, GL_COLOR_BUFFER_BIT, GL_LINEAR);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

// A method's frames since it was chosen (or since the first frame), the
// frame it was chosen in left out, and their mean time: the lab's frame
// rate with it, truth and panel included. Printed when another method is
// chosen and at the end.
struct FrameCount {
    Method method;
    long frames;
    Clock::time_point since;
};

void PrintFrameCount(const FrameCount &count) {
    double ms = count.frames > 0 ? Milliseconds(count.since, Clock::now()) / (double)count.frames : 0;
    printf("frames of %s: %ld (%.1f ms a frame)\n", MethodName(count.method), count.frames, ms);
    fflush(stdout);
}

void CountFrame(FrameCount &count, Method method, Clock::time_point now) {
    if (method == count.method) {
        ++count.frames;
        return;
    }
    PrintFrameCount(count);
    count = {method, 0, now};
}

// Once the first frame is on screen: the state, then which key picks which method.
void Announce(const Lab &lab) {
    printf("method: %s\nfrozen: 0\ntrees: %zu\n", MethodName(lab.culling.method), lab.scene.worlds.size());
    for (int m = 0; m < MethodCount && m < 12; ++m) printf("key %s: %s\n", MethodKeyName(m), MethodName((Method)m));
    fflush(stdout);
}

bool Loop(SDL_Window *window, Lab &lab) {
    ImGuiIO &io = ImGui::GetIO();
    Viewer viewer;
    Clock::time_point last = Clock::now(), start = last;
    bool announced = false;
    FrameCount count{lab.culling.method, 0, last};
    for (;;) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            ImGui_ImplSDL2_ProcessEvent(&event);
            // The window's close request, or a signal (SDL_QUIT: the layer's
            // video start leaves closing the last window out of it).
            bool closed = event.type == SDL_QUIT ||
                          (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE);
            if (closed) {
                PrintFrameCount(count);
                return true;
            }
            if (event.type == SDL_KEYDOWN || event.type == SDL_KEYUP)
                HandleKey(lab, viewer, event.key, io.WantCaptureKeyboard);
            if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
                memset(viewer.keys, 0, sizeof viewer.keys);
        }

        // The camera moves by the last frame's time, at most a tenth of a second.
        float dt = (float)std::min(0.1, Milliseconds(last, Clock::now()) / 1000.0);
        MoveCamera(viewer.camera, viewer.keys, dt);
        D3DXMATRIX viewProjection = CameraView(viewer.camera) * CameraProjection(MainTargetWidth, MainTargetHeight);
        RunLabFrame(lab, viewProjection);

        int width = 0, height = 0;
        SDL_GL_GetDrawableSize(window, &width, &height);
        LabLayout layout = LayOut(width, height);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(0, 0, width, height);
        glClearColor(0.09f, 0.09f, 0.11f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        ShowScene(lab, layout);

        ImGui_ImplOpenGL3_NewFrame();
        ImGui_ImplSDL2_NewFrame();
        ImGui::NewFrame();
        PanelRequests requests;
        DrawPanel(lab, layout, requests);
        DrawInsets(lab, layout, viewer.camera.matrix);
        ImGui::Render();
        ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
        SDL_GL_SwapWindow(window);
        Apply(lab, requests);

        Clock::time_point now = Clock::now();
        AddFrameTime(lab.graph, Milliseconds(start, now) / 1000.0, (float)Milliseconds(last, now));
        last = now;
        if (announced) {
            CountFrame(count, lab.culling.method, now);
        } else {
            Announce(lab);
            count = {lab.culling.method, 0, now};
            announced = true;
        }
    }
}

// `--trees N` starts with a forest of N trees (the panel's slider changes it
// later); anything else is refused with the usage. Returns 0 on a bad argument.
int TreesArgument(int argc, char **argv) {
    int trees = DefaultTrees;
    for (int i = 1; i < argc; ++i) {
        char *end = nullptr;
        long value = i + 1 < argc ? strtol(argv[i + 1], &end, 10) : 0;
        if (strcmp(argv[i], "--trees") == 0 && i + 1 < argc && end != argv[i + 1] && !*end && value >= MinTrees &&
            value <= MaxTrees) {
            trees = (int)value;
            ++i;
            continue;
        }
        fprintf(stderr, "occlusion-lab: '%s'%s: not understood\nusage: occlusion-lab [--trees N]   (N from %d to %d)\n",
                argv[i], strcmp(argv[i], "--trees") == 0 && i + 1 < argc ? (std::string(" ") + argv[i + 1]).c_str() : "",
                MinTrees, MaxTrees);
        return 0;
    }
    return trees;
}

}  // namespace

int main(int argc, char **argv) {
    int trees = TreesArgument(argc, argv);
    if (trees == 0) return 2;
    if (!StartVideo()) {
        fprintf(stderr, "occlusion-lab: %s\n", GetPlatformError());
        return 1;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, GlDebugWanted() ? SDL_GL_CONTEXT_DEBUG_FLAG : 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_Window *window = SDL_CreateWindow(WindowTitle, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, WindowWidth,
                                          WindowHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    if (!context) {
        fprintf(stderr, "occlusion-lab: no OpenGL 4.3 core context (compute shaders are needed): %s\n", SDL_GetError());
        if (window) SDL_DestroyWindow(window);
        SDL_Quit();
        return 1;
    }
    SDL_GL_SetSwapInterval(0);  // frame times show the work, not the display's rate
    if (GlDebugWanted()) ReportGlErrors(CountGLError);

    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGui::GetIO().IniFilename = nullptr;
    ImGui::StyleColorsDark();
    ImGui_ImplSDL2_InitForOpenGL(window, context);
    ImGui_ImplOpenGL3_Init("#version 430");

    Lab lab;
    std::string error;
    bool ok = CreateLab(lab, trees, error);
    if (!ok) fprintf(stderr, "occlusion-lab: %s\n", error.c_str());
    if (ok) Loop(window, lab);
    DestroyLab(lab);

    ImGui_ImplOpenGL3_Shutdown();
    ImGui_ImplSDL2_Shutdown();
    ImGui::DestroyContext();
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    // SDL's video stays up until the process ends, as the demo's does:
    // closing the display unloads the GL driver, whose process-wide blocks
    // would then look leaked.
    if (GLErrors) fprintf(stderr, "occlusion-lab: %d OpenGL errors\n", GLErrors);
    return ok && GLErrors == 0 ? 0 : 1;
}
