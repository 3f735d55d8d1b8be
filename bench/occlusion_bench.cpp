// Headless benchmark of the real scene along a fixed camera path with a
// fixed seed: per frame, the occlusion pass and the main pass with culling on,
// the same frames with culling off (every tree drawn), and the occlusion
// pass's work written in plain OpenGL, so the device layer's cost is a ratio.
//
// usage: occlusion-bench [FRAMES]   (run where Materials/ is)
#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/frame.h"
#include "app/main_window.h"
#include "d3d9/gl_context.h"
#include "d3dx9/xfile.h"
#include "device/device.h"
#include "file_access.h"
#include "occlusion/occlusion.h"
#include "platform_error.h"
#include "report.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "win32/headless.h"

namespace {

// With OC_GL_DEBUG=1 the run is a check: an OpenGL error fails it.
int GLErrors = 0;
void CountGLError(const char *message) {
    fprintf(stderr, "OpenGL error: %s\n", message);
    GLErrors++;
}

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

unsigned BenchSeed = 2026;
int FixedRandom() {
    BenchSeed = BenchSeed * 214013u + 2531011u;
    return (BenchSeed >> 16) & 0x7FFF;
}

// Frame i of n: a walk through the forest from south to north, swaying.
void PlaceCamera(int i, int n) {
    float t = n > 1 ? (float)i / (float)(n - 1) : 0.0f;
    Camera.position = D3DXVECTOR3(40.0f * sinf(6.2831853f * t), 10.0f, -170.0f + 300.0f * t);
    Camera.yaw = 0.6f * sinf(12.566371f * t);
    Camera.pitch = 0.05f;
}

// Waits until the device has done everything issued so far.
void FinishDevice() {
    static IDirect3DQuery9 *event = nullptr;
    if (!event) Device->CreateQuery(D3DQUERYTYPE_EVENT, &event);
    event->Issue(D3DISSUE_END);
    while (event->GetData(NULL, 0, D3DGETDATA_FLUSH) == S_FALSE) {
    }
}

struct FrameTimes {
    double occlusion = 0, main = 0;
    int trees = 0;
};

struct RecordedFrame {
    D3DXMATRIX viewProjection;
    std::vector<bool> visible;
};

FrameTimes RunFrame(bool culling) {
    FrameTimes times;
    FrameCounters.verticesRendered = 0;
    FrameCounters.objectsRendered = 0;
    UpdateCamera();
    FinishDevice();
    Clock::time_point start = Clock::now();
    if (culling) {
        RunOcclusionPass();
    } else {
        for (SceneObject &object : SceneObjects) object.visible = true;
    }
    FinishDevice();
    Clock::time_point afterPass = Clock::now();
    DrawMainScene();
    Device->Present(NULL, NULL, NULL, NULL);
    FinishDevice();
    Clock::time_point end = Clock::now();
    times.occlusion = Milliseconds(start, afterPass);
    times.main = Milliseconds(afterPass, end);
    times.trees = FrameCounters.objectsRendered;
    return times;
}

// The occlusion pass's work in plain OpenGL: the same bounding mesh, the same
// matrices, a 320 x 240 colour + 16-bit depth target, a depth fill and then
// one query per object, each awaited before the next. Pixel centres are
// shifted as the device layer shifts them, so both find the same trees.
struct PlainOcclusion {
    GLuint framebuffer = 0, colour = 0, depth = 0, program = 0, vertexArray = 0, vertices = 0, indices = 0;
    GLint matrix = -1;
    GLsizei indexCount = 0;
    GLuint query = 0;

    bool Create(const XFileMesh &mesh) {
        glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
        glGenTextures(1, &colour);
        glBindTexture(GL_TEXTURE_2D, colour);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 320, 240, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
        glGenRenderbuffers(1, &depth);
        glBindRenderbuffer(GL_RENDERBUFFER, depth);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, 320, 240);
        glGenFramebuffers(1, &framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour, 0);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
        if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return false;

        const char *vertexSource =
            "#version 330 core\nlayout(location = 0) in vec3 p;\nlayout(location = 2) in vec4 c;\n"
            "uniform mat4 m;\nout vec4 colour;\n"
            "void main() {\n"
            "  gl_Position = m * vec4(p, 1.0);\n"
            "  gl_Position.xy += vec2(0.49609375 / 160.0, -0.49609375 / 120.0) * gl_Position.w;\n"
            "  colour = c;\n"
            "}\n";
        const char *fragmentSource =
            "#version 330 core\nin vec4 colour;\nout vec4 o;\nvoid main() { o = colour; }\n";
        GLuint vs = glCreateShader(GL_VERTEX_SHADER), fs = glCreateShader(GL_FRAGMENT_SHADER);
        glShaderSource(vs, 1, &vertexSource, nullptr);
        glShaderSource(fs, 1, &fragmentSource, nullptr);
        glCompileShader(vs);
        glCompileShader(fs);
        program = glCreateProgram();
        glAttachShader(program, vs);
        glAttachShader(program, fs);
        glLinkProgram(program);
        glDeleteShader(vs);
        glDeleteShader(fs);
        matrix = glGetUniformLocation(program, "m");

        struct Vertex {
            float p[3];
            unsigned char c[4];
        };
        std::vector<Vertex> data;
        for (const XFileVertex &v : mesh.vertices) {
            Vertex out{{v.position[0], v.position[1], v.position[2]},
                       {(unsigned char)(v.color[2] * 255), (unsigned char)(v.color[1] * 255),
                        (unsigned char)(v.color[0] * 255), (unsigned char)(v.color[3] * 255)}};
            data.push_back(out);
        }
        glGenVertexArrays(1, &vertexArray);
        glBindVertexArray(vertexArray);
        glGenBuffers(1, &vertices);
        glBindBuffer(GL_ARRAY_BUFFER, vertices);
        glBufferData(GL_ARRAY_BUFFER, data.size() * sizeof(Vertex), data.data(), GL_STATIC_DRAW);
        glEnableVertexAttribArray(0);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex), nullptr);
        glEnableVertexAttribArray(2);
        glVertexAttribPointer(2, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(Vertex), (void *)12);
        std::vector<uint16_t> narrow(mesh.indices.begin(), mesh.indices.end());
        glGenBuffers(1, &indices);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, narrow.size() * 2, narrow.data(), GL_STATIC_DRAW);
        indexCount = (GLsizei)narrow.size();
        glGenQueries(1, &query);

        glUseProgram(program);
        glViewport(0, 0, 320, 240);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CW);
        glCullFace(GL_BACK);
        return true;
    }

    void Draw(const D3DXMATRIX &world, const D3DXMATRIX &viewProjection) {
        D3DXMATRIX m = world * viewProjection;
        glUniformMatrix4fv(matrix, 1, GL_FALSE, &m.m[0][0]);
        glDrawElements(GL_TRIANGLES, indexCount, GL_UNSIGNED_SHORT, nullptr);
    }

    std::vector<bool> Pass(const std::vector<D3DXMATRIX> &worlds, const D3DXMATRIX &viewProjection) {
        glClearColor(200 / 255.0f, 200 / 255.0f, 200 / 255.0f, 1.0f);
        glClearDepth(1.0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        for (const D3DXMATRIX &world : worlds) Draw(world, viewProjection);
        std::vector<bool> visible;
        for (const D3DXMATRIX &world : worlds) {
            glBeginQuery(GL_SAMPLES_PASSED, query);
            Draw(world, viewProjection);
            glEndQuery(GL_SAMPLES_PASSED);
            GLuint available = 0, samples = 0;
            for (;;) {
                glGetQueryObjectuiv(query, GL_QUERY_RESULT_AVAILABLE, &available);
                if (available) break;
                glFlush();
            }
            glGetQueryObjectuiv(query, GL_QUERY_RESULT, &samples);
            visible.push_back(samples != 0);
        }
        glFinish();
        return visible;
    }
};

bool MakePlainContext() {
    EGLDisplay display = eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY) {
        EGLDeviceEXT devices[4];
        EGLint count = 0;
        if (eglQueryDevicesEXT(4, devices, &count) && count > 0)
            display = eglGetPlatformDisplayEXT(EGL_PLATFORM_DEVICE_EXT, devices[0], nullptr);
    }
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) return false;
    eglBindAPI(EGL_OPENGL_API);
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config;
    EGLint configs = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &configs) || configs < 1) return false;
    const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 3,
                                        EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    return context != EGL_NO_CONTEXT && eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context);
}

double Mean(const std::vector<double> &values) {
    double sum = 0;
    for (double v : values) sum += v;
    return values.empty() ? 0 : sum / values.size();
}

}  // namespace

int main(int argc, char **argv) {
    int frames = argc > 1 ? atoi(argv[1]) : 40;
    if (frames < 1) frames = 1;

    const char *debug = getenv("OC_GL_DEBUG");
    if (debug && *debug && strcmp(debug, "0") != 0) SetGLErrorHandler(CountGLError);
    SetHeadlessWindows(true);
    WNDCLASSEXA windowClass = {sizeof(WNDCLASSEXA), CS_CLASSDC, MainWindowProc, 0, 0, GetModuleHandleA(NULL),
                               NULL, NULL, NULL, NULL, "Occlusion Culling", NULL};
    RegisterClassExA(&windowClass);
    MainWindow = CreateWindowExA(0, "Occlusion Culling", "Occlusion Culling", WS_OVERLAPPEDWINDOW, 0, 0, 1024, 768,
                                 NULL, NULL, GetModuleHandleA(NULL), NULL);
    RandomSource = FixedRandom;
    if (!MainWindow || FAILED(InitDevice()) || FAILED(LoadScene())) {
        ReportStartupFailure("starting the benchmark");
        return 1;
    }
    const GLubyte *renderer = glGetString(GL_RENDERER);
    printf("renderer: %s\nback buffer: %ux%u, trees: %zu, frames: %d\n", renderer ? (const char *)renderer : "?",
           PresentParameters.BackBufferWidth, PresentParameters.BackBufferHeight, SceneObjects.size(), frames);

    // Warm up shader variants and textures.
    PlaceCamera(0, frames);
    RunFrame(true);
    RunFrame(false);

    std::vector<double> passOn, mainOn, passOff, mainOff, treesOn;
    std::vector<RecordedFrame> recorded;
    printf("%6s %12s %12s %6s %12s %6s\n", "frame", "pass_on_ms", "main_on_ms", "trees", "main_off_ms", "trees");
    for (int i = 0; i < frames; ++i) {
        PlaceCamera(i, frames);
        FrameTimes on = RunFrame(true);
        RecordedFrame record;
        D3DXMATRIX view, projection;
        Device->GetTransform(D3DTS_VIEW, &view);
        Device->GetTransform(D3DTS_PROJECTION, &projection);
        record.viewProjection = view * projection;
        for (SceneObject &object : SceneObjects) record.visible.push_back(object.visible);
        recorded.push_back(record);
        FrameTimes off = RunFrame(false);
        passOn.push_back(on.occlusion);
        mainOn.push_back(on.main);
        treesOn.push_back(on.trees);
        passOff.push_back(off.occlusion);
        mainOff.push_back(off.main);
        printf("%6d %12.2f %12.2f %6d %12.2f %6d\n", i, on.occlusion, on.main, on.trees, off.main, off.trees);
    }

    // The occlusion pass alone along the same path, as the plain OpenGL
    // version runs below: nothing else in between.
    std::vector<double> passLayer;
    for (int i = 0; i < frames; ++i) {
        PlaceCamera(i, frames);
        UpdateCamera();
        FinishDevice();
        Clock::time_point start = Clock::now();
        RunOcclusionPass();
        FinishDevice();
        passLayer.push_back(Milliseconds(start, Clock::now()));
    }

    // The same occlusion work in plain OpenGL, in a context of its own, once
    // the device is gone.
    std::vector<D3DXMATRIX> objectWorlds;
    for (SceneObject &object : SceneObjects) {
        D3DXMATRIX world;
        D3DXMatrixTranslation(&world, object.position.x, object.position.y, object.position.z);
        objectWorlds.push_back(world);
    }
    ReleaseAll();
    std::vector<unsigned char> file;
    std::string error;
    XFileMesh bounding;
    if (!ReadWholeFile("Materials\\tree_bounding.x", file, error) || !ParseXFile(file.data(), file.size(), bounding, error)) {
        fprintf(stderr, "occlusion-bench: %s\n", error.c_str());
        return 1;
    }
    PlainOcclusion plain;
    if (!MakePlainContext() || !plain.Create(bounding)) {
        fprintf(stderr, "occlusion-bench: no plain OpenGL context for the comparison\n");
        return 1;
    }
    plain.Pass(objectWorlds, recorded[0].viewProjection);  // warm up
    std::vector<double> passGl;
    int mismatched = 0;
    for (const RecordedFrame &frame : recorded) {
        Clock::time_point start = Clock::now();
        std::vector<bool> visible = plain.Pass(objectWorlds, frame.viewProjection);
        passGl.push_back(Milliseconds(start, Clock::now()));
        for (size_t i = 0; i < visible.size(); ++i) mismatched += visible[i] != frame.visible[i];
    }

    double frameOn = Mean(passOn) + Mean(mainOn), frameOff = Mean(passOff) + Mean(mainOff);
    printf("\n");
    printf("occlusion_pass_ms_layer: %.3f\n", Mean(passLayer));
    printf("occlusion_pass_ms_gl: %.3f\n", Mean(passGl));
    printf("layer_vs_gl: %.3f\n", Mean(passLayer) / Mean(passGl));
    printf("flags_differing_from_gl: %d\n", mismatched);
    printf("main_pass_ms_cull_on: %.3f\n", Mean(mainOn));
    printf("main_pass_ms_cull_off: %.3f\n", Mean(mainOff));
    printf("frame_ms_cull_on: %.3f\n", frameOn);
    printf("frame_ms_cull_off: %.3f\n", frameOff);
    printf("cull_on_vs_off: %.3f\n", frameOn / frameOff);
    printf("trees_drawn_mean: %.1f\n", Mean(treesOn));
    printf("fps_cull_on: %.1f\n", 1000.0 / frameOn);
    printf("fps_cull_off: %.1f\n", 1000.0 / frameOff);
    if (GLErrors > 0) {
        fprintf(stderr, "%d OpenGL errors\n", GLErrors);
        return 1;
    }
    return 0;
}
