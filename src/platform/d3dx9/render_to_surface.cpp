// ID3DXRenderToSurface: redirects drawing into a surface with a depth buffer
// of its own, and restores the previous target and viewport afterwards.
#include "../d3d9/com_object.h"
#include "d3dx9.h"

namespace {

struct RenderToSurface : ComObject<ID3DXRenderToSurface, LiveRenderToSurface> {
    IDirect3DDevice9 *device = nullptr;
    D3DXRTS_DESC desc{};
    IDirect3DSurface9 *depth = nullptr;
    IDirect3DSurface9 *savedTarget = nullptr;
    IDirect3DSurface9 *savedDepth = nullptr;
    D3DVIEWPORT9 savedViewport{};
    bool inScene = false;

    ~RenderToSurface() override {
        if (inScene) EndScene(0);
        if (depth) depth->Release();
        device->Release();
    }

    HRESULT STDMETHODCALLTYPE GetDevice(LPDIRECT3DDEVICE9 *out) override {
        if (!out) return D3DERR_INVALIDCALL;
        device->AddRef();
        *out = device;
        return D3D_OK;
    }

    HRESULT STDMETHODCALLTYPE GetDesc(D3DXRTS_DESC *out) override {
        if (!out) return D3DERR_INVALIDCALL;
        *out = desc;
        return D3D_OK;
    }

    HRESULT STDMETHODCALLTYPE BeginScene(LPDIRECT3DSURFACE9 surface, const D3DVIEWPORT9 *viewport) override {
        if (!surface || inScene) return D3DERR_INVALIDCALL;
        D3DSURFACE_DESC target;
        surface->GetDesc(&target);
        if (target.Width != desc.Width || target.Height != desc.Height) return D3DERR_INVALIDCALL;
        device->GetRenderTarget(0, &savedTarget);
        device->GetDepthStencilSurface(&savedDepth);
        device->GetViewport(&savedViewport);
        HRESULT hr = device->SetRenderTarget(0, surface);
        if (SUCCEEDED(hr)) hr = device->SetDepthStencilSurface(depth);
        if (SUCCEEDED(hr) && viewport) hr = device->SetViewport(viewport);
        if (SUCCEEDED(hr)) hr = device->BeginScene();
        if (FAILED(hr)) {
            Restore();
            return hr;
        }
        inScene = true;
        return D3D_OK;
    }

    HRESULT STDMETHODCALLTYPE EndScene(DWORD) override {
        if (!inScene) return D3DERR_INVALIDCALL;
        inScene = false;
        HRESULT hr = device->EndScene();
        Restore();
        return hr;
    }

    HRESULT STDMETHODCALLTYPE OnLostDevice() override { return D3D_OK; }
    HRESULT STDMETHODCALLTYPE OnResetDevice() override { return D3D_OK; }

    void Restore() {
        if (savedTarget) device->SetRenderTarget(0, savedTarget);
        device->SetDepthStencilSurface(savedDepth);
        device->SetViewport(&savedViewport);
        if (savedTarget) savedTarget->Release();
        if (savedDepth) savedDepth->Release();
        savedTarget = savedDepth = nullptr;
    }
};

}  // namespace

HRESULT WINAPI D3DXCreateRenderToSurface(LPDIRECT3DDEVICE9 device, UINT width, UINT height, D3DFORMAT format,
                                         BOOL depthStencil, D3DFORMAT depthFormat, LPD3DXRENDERTOSURFACE *out) {
    if (!device || !out || width == 0 || height == 0) return D3DERR_INVALIDCALL;
    *out = nullptr;
    IDirect3DSurface9 *depth = nullptr;
    if (depthStencil) {
        HRESULT hr = device->CreateDepthStencilSurface(width, height, depthFormat, D3DMULTISAMPLE_NONE, 0, TRUE,
                                                       &depth, nullptr);
        if (FAILED(hr)) return hr;
    }
    auto *object = new RenderToSurface;
    object->device = device;
    device->AddRef();
    object->desc = {width, height, format, depthStencil, depthFormat};
    object->depth = depth;
    *out = object;
    return D3D_OK;
}
