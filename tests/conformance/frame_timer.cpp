// The program's own start-up and frames, without showing the window, timed
// and summarised, for comparing this build with the Windows build: the back
// buffer stays at its start size, so both render exactly the same views.
//
// usage: frame-timer [FRAMES]   (run where Materials/ is; writes buffer.bmp)
#include <cstdio>
#include <cstdlib>

#include "app/frame.h"
#include "app/main_window.h"
#include "device/device.h"
#include "report.h"
#include "scene/scene.h"

int main(int argc, char **argv) {
    int frames = argc > 1 ? atoi(argv[1]) : 100;
    HINSTANCE instance = GetModuleHandleA(NULL);
    WNDCLASSEXA windowClass = {sizeof(WNDCLASSEXA), CS_CLASSDC, MainWindowProc, 0, 0, instance,
                               NULL, NULL, NULL, NULL, "Occlusion Culling", NULL};
    RegisterClassExA(&windowClass);
    MainWindow = CreateWindowExA(0, "Occlusion Culling", "Occlusion Culling", WS_OVERLAPPEDWINDOW, 0, 0, 1024, 768,
                                 GetDesktopWindow(), NULL, instance, NULL);
    if (!MainWindow || FAILED(InitDevice()) || FAILED(LoadScene())) {
        ReportStartupFailure("starting the frame timer");
        return 1;
    }
    // The first frame saves its occlusion buffer, and its flags are printed.
    KeyStates['M'] = 1;
    RenderFrame();
    KeyStates['M'] = 0;
    printf("first_tree: %g %g\n", SceneObjects[0].position.x, SceneObjects[0].position.z);
    printf("visible:");
    for (unsigned i = 0; i < SceneObjects.size(); ++i)
        if (SceneObjects[i].visible) printf(" %u", i);
    printf("\n");

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < frames; ++i) {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        KeyStates['L'] = 1;  // turning, so every frame is a new view
        RenderFrame();
    }
    QueryPerformanceCounter(&end);
    double ms = 1000.0 * (double)(end.QuadPart - start.QuadPart) / (double)frequency.QuadPart / frames;
    printf("frames: %d\nframe_ms: %.3f\nfps: %.1f\n", frames, ms, 1000.0 / ms);
    fflush(stdout);
    DestroyWindow(MainWindow);
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    return 0;
}
