// The program's own start-up and frames, without showing the window, timed
// and summarised, for comparing this build with the Windows build: the back
// buffer stays at its start size, so both render exactly the same views.
// The first frame's back buffer, read from the device before it is
// presented, is saved as frame.bmp: the picture the user sees first.
//
// usage: frame-timer [FRAMES]   (run where Materials/ is; writes buffer.bmp
//                                and frame.bmp)
#include <d3dx9.h>

#include <cstdio>
#include <cstdlib>

#include "app/frame.h"
#include "app/frame_clock.h"
#include "app/main_window.h"
#include "device/device.h"
#include "occlusion/occlusion.h"
#include "report.h"
#include "scene/camera.h"
#include "scene/scene.h"

namespace {

// The back buffer through a system-memory copy, as Direct3D 9 reads a
// render target back; the back buffer itself cannot be locked.
HRESULT SaveBackBuffer(const char *path) {
    IDirect3DSurface9 *backBuffer = NULL, *copy = NULL;
    HRESULT hr = Device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
    D3DSURFACE_DESC desc;
    if (SUCCEEDED(hr)) hr = backBuffer->GetDesc(&desc);
    if (SUCCEEDED(hr))
        hr = Device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy, NULL);
    if (SUCCEEDED(hr)) hr = Device->GetRenderTargetData(backBuffer, copy);
    if (SUCCEEDED(hr)) hr = D3DXSaveSurfaceToFileA(path, D3DXIFF_BMP, copy, NULL, NULL);
    if (copy) copy->Release();
    if (backBuffer) backBuffer->Release();
    return hr;
}

}  // namespace

int main(int argc, char **argv) {
    int frames = argc > 1 ? atoi(argv[1]) : 100;
    if (!CreateMainWindow(GetModuleHandleA(NULL)) || FAILED(InitDevice()) || FAILED(LoadScene())) {
        ReportStartupFailure("starting the frame timer");
        return 1;
    }
    // The first frame, as RenderFrame draws it, saves its occlusion buffer
    // and, before it is presented (the swap discards it), its back buffer.
    KeyStates['M'] = 1;
    UpdateCamera();
    RunOcclusionPass();
    DrawMainScene();
    HRESULT saved = SaveBackBuffer("frame.bmp");
    Device->Present(NULL, NULL, NULL, NULL);
    UpdateFrameRate();
    KeyStates['M'] = 0;
    printf("frame_saved: 0x%08lX\n", (unsigned long)saved);
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
