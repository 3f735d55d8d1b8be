// The Direct3D object: display mode, capabilities and device creation.
#include <SDL.h>

#include <algorithm>

#include "../platform_error.h"
#include "../win32/headless.h"
#include "device_impl.h"

IDirect3D9 *WINAPI Direct3DCreate9(UINT version) {
    if (version != D3D_SDK_VERSION) {
        SetPlatformError("Direct3DCreate9: unsupported SDK version %u", version);
        return nullptr;
    }
    return new Direct3D;
}

HRESULT Direct3D::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE *mode) {
    if (adapter != D3DADAPTER_DEFAULT || !mode) return D3DERR_INVALIDCALL;
    *mode = {1024, 768, 60, D3DFMT_X8R8G8B8};
    SDL_DisplayMode desktop;
    if (SDL_WasInit(SDL_INIT_VIDEO) && SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
        mode->Width = desktop.w;
        mode->Height = desktop.h;
        if (desktop.refresh_rate > 0) mode->RefreshRate = desktop.refresh_rate;
    }
    return D3D_OK;
}

HRESULT Direct3D::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9 *caps) {
    if (adapter != D3DADAPTER_DEFAULT || type != D3DDEVTYPE_HAL || !caps) return D3DERR_INVALIDCALL;
    // Without a device there is no context to ask; report the GL 3.3 minimum.
    *caps = D3DCAPS9{};
    caps->DeviceType = D3DDEVTYPE_HAL;
    caps->MaxTextureWidth = caps->MaxTextureHeight = 1024;
    return D3D_OK;
}

HRESULT Direct3D::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD, D3DPRESENT_PARAMETERS *parameters,
                               IDirect3DDevice9 **out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (adapter != D3DADAPTER_DEFAULT || !parameters || !focusWindow) {
        SetPlatformError("CreateDevice: invalid arguments");
        return D3DERR_INVALIDCALL;
    }
    if (type != D3DDEVTYPE_HAL) {
        SetPlatformError("CreateDevice: only the hardware device type is offered");
        return D3DERR_NOTAVAILABLE;
    }
    if (!parameters->Windowed) {
        SetPlatformError("CreateDevice: only windowed devices are offered");
        return D3DERR_INVALIDCALL;
    }
    auto *device = new D3DDevice;
    device->window = parameters->hDeviceWindow ? parameters->hDeviceWindow : focusWindow;
    if (!CreateGLContext(device->window, device->gl)) {
        device->window = nullptr;
        device->refs = 0;
        delete device;  // nothing of it was made
        return D3DERR_NOTAVAILABLE;
    }
    device->direct3d = this;
    AddRef();
    if (parameters->BackBufferWidth == 0) parameters->BackBufferWidth = std::max(device->ClientWidth(), 1u);
    if (parameters->BackBufferHeight == 0) parameters->BackBufferHeight = std::max(device->ClientHeight(), 1u);
    if (parameters->BackBufferFormat == D3DFMT_UNKNOWN) parameters->BackBufferFormat = D3DFMT_X8R8G8B8;
    if (parameters->BackBufferCount == 0) parameters->BackBufferCount = 1;
    device->parameters = *parameters;
    device->SetDefaultStates();
    if (!device->CreateImplicitSurfaces()) {
        device->Release();
        return D3DERR_NOTAVAILABLE;
    }
    device->ChoosePixelShift();
    *out = device;
    return D3D_OK;
}
