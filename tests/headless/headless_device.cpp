#include "headless_device.h"

#include <algorithm>

namespace {

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

bool HeadlessDevice::Create(UINT width, UINT height) {
    SetHeadlessWindows(true);
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXA windowClass = {sizeof(WNDCLASSEXA), 0, TestWindowProc, 0, 0, GetModuleHandleA(NULL),
                                   NULL, NULL, NULL, NULL, "HeadlessDeviceTest", NULL};
        registered = RegisterClassExA(&windowClass) != 0;
    }
    window = CreateWindowExA(0, "HeadlessDeviceTest", "test", WS_OVERLAPPEDWINDOW, 0, 0, width, height, NULL,
                             NULL, GetModuleHandleA(NULL), NULL);
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!window || !d3d) return false;
    parameters = {};
    parameters.BackBufferWidth = width;
    parameters.BackBufferHeight = height;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.Windowed = TRUE;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D16;
    parameters.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    return SUCCEEDED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                       D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters, &device));
}

void HeadlessDevice::Destroy() {
    if (device) device->Release();
    if (d3d) d3d->Release();
    if (window) DestroyWindow(window);
    device = nullptr;
    d3d = nullptr;
    window = nullptr;
}

std::vector<DWORD> HeadlessDevice::Read(IDirect3DSurface9 *surface) { return ReadPixels(device, surface); }

std::vector<DWORD> ReadPixels(IDirect3DDevice9 *device, IDirect3DSurface9 *surface) {
    IDirect3DSurface9 *source = surface;
    if (!source) device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &source);
    D3DSURFACE_DESC desc;
    source->GetDesc(&desc);
    IDirect3DSurface9 *copy = nullptr;
    device->CreateOffscreenPlainSurface(desc.Width, desc.Height, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &copy, NULL);
    std::vector<DWORD> pixels(desc.Width * desc.Height);
    if (copy && SUCCEEDED(device->GetRenderTargetData(source, copy))) {
        D3DLOCKED_RECT locked;
        copy->LockRect(&locked, NULL, D3DLOCK_READONLY);
        for (UINT y = 0; y < desc.Height; ++y)
            memcpy(&pixels[y * desc.Width], (BYTE *)locked.pBits + y * locked.Pitch, desc.Width * 4);
        copy->UnlockRect();
    }
    if (copy) copy->Release();
    if (!surface) source->Release();
    return pixels;
}

int CountPixels(const std::vector<DWORD> &pixels, DWORD colour) {
    return (int)std::count(pixels.begin(), pixels.end(), colour);
}
