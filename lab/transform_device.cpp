#include "lab/transform_device.h"

#include <d3dx9.h>

#include "device/device.h"

namespace {

struct TransformDevice final : IDirect3DDevice9 {
    D3DMATRIX transforms[2] = {};  // view, projection

    HRESULT QueryInterface(REFIID, void **) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX *matrix) override {
        D3DMATRIX *slot = Slot(state);
        if (!slot || !matrix) return D3DERR_INVALIDCALL;
        *slot = *matrix;
        return D3D_OK;
    }
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX *matrix) override {
        D3DMATRIX *slot = Slot(state);
        if (!slot || !matrix) return D3DERR_INVALIDCALL;
        *matrix = *slot;
        return D3D_OK;
    }
    D3DMATRIX *Slot(D3DTRANSFORMSTATETYPE state) {
        if (state == D3DTS_VIEW) return &transforms[0];
        if (state == D3DTS_PROJECTION) return &transforms[1];
        return nullptr;
    }

    // Nothing else is called by the camera.
    HRESULT GetDirect3D(IDirect3D9**) override { return D3DERR_INVALIDCALL; }
    HRESULT GetDeviceCaps(D3DCAPS9*) override { return D3DERR_INVALIDCALL; }
    HRESULT GetDisplayMode(UINT, D3DDISPLAYMODE*) override { return D3DERR_INVALIDCALL; }
    HRESULT Reset(D3DPRESENT_PARAMETERS*) override { return D3DERR_INVALIDCALL; }
    HRESULT Present(const RECT*, const RECT*, HWND, const RGNDATA*) override { return D3DERR_INVALIDCALL; }
    HRESULT GetBackBuffer(UINT, UINT, D3DBACKBUFFER_TYPE, IDirect3DSurface9**) override { return D3DERR_INVALIDCALL; }
    HRESULT CreateTexture(UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DTexture9**, HANDLE*) override { return D3DERR_INVALIDCALL; }
    HRESULT CreateVertexBuffer(UINT, DWORD, DWORD, D3DPOOL, IDirect3DVertexBuffer9**, HANDLE*) override { return D3DERR_INVALIDCALL; }
    HRESULT CreateIndexBuffer(UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DIndexBuffer9**, HANDLE*) override { return D3DERR_INVALIDCALL; }
    HRESULT CreateDepthStencilSurface(UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE, DWORD, BOOL, IDirect3DSurface9**, HANDLE*) override { return D3DERR_INVALIDCALL; }
    HRESULT GetRenderTargetData(IDirect3DSurface9*, IDirect3DSurface9*) override { return D3DERR_INVALIDCALL; }
    HRESULT CreateOffscreenPlainSurface(UINT, UINT, D3DFORMAT, D3DPOOL, IDirect3DSurface9**, HANDLE*) override { return D3DERR_INVALIDCALL; }
    HRESULT SetRenderTarget(DWORD, IDirect3DSurface9*) override { return D3DERR_INVALIDCALL; }
    HRESULT GetRenderTarget(DWORD, IDirect3DSurface9**) override { return D3DERR_INVALIDCALL; }
    HRESULT SetDepthStencilSurface(IDirect3DSurface9*) override { return D3DERR_INVALIDCALL; }
    HRESULT GetDepthStencilSurface(IDirect3DSurface9**) override { return D3DERR_INVALIDCALL; }
    HRESULT BeginScene() override { return D3DERR_INVALIDCALL; }
    HRESULT EndScene() override { return D3DERR_INVALIDCALL; }
    HRESULT Clear(DWORD, const D3DRECT*, DWORD, D3DCOLOR, float, DWORD) override { return D3DERR_INVALIDCALL; }
    HRESULT SetViewport(const D3DVIEWPORT9*) override { return D3DERR_INVALIDCALL; }
    HRESULT GetViewport(D3DVIEWPORT9*) override { return D3DERR_INVALIDCALL; }
    HRESULT SetMaterial(const D3DMATERIAL9*) override { return D3DERR_INVALIDCALL; }
    HRESULT GetMaterial(D3DMATERIAL9*) override { return D3DERR_INVALIDCALL; }
    HRESULT SetRenderState(D3DRENDERSTATETYPE, DWORD) override { return D3DERR_INVALIDCALL; }
    HRESULT GetRenderState(D3DRENDERSTATETYPE, DWORD*) override { return D3DERR_INVALIDCALL; }
    HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE, IDirect3DStateBlock9**) override { return D3DERR_INVALIDCALL; }
    HRESULT BeginStateBlock() override { return D3DERR_INVALIDCALL; }
    HRESULT EndStateBlock(IDirect3DStateBlock9**) override { return D3DERR_INVALIDCALL; }
    HRESULT GetTexture(DWORD, IDirect3DBaseTexture9**) override { return D3DERR_INVALIDCALL; }
    HRESULT SetTexture(DWORD, IDirect3DBaseTexture9*) override { return D3DERR_INVALIDCALL; }
    HRESULT GetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD*) override { return D3DERR_INVALIDCALL; }
    HRESULT SetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD) override { return D3DERR_INVALIDCALL; }
    HRESULT GetSamplerState(DWORD, D3DSAMPLERSTATETYPE, DWORD*) override { return D3DERR_INVALIDCALL; }
    HRESULT SetSamplerState(DWORD, D3DSAMPLERSTATETYPE, DWORD) override { return D3DERR_INVALIDCALL; }
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE, UINT, UINT) override { return D3DERR_INVALIDCALL; }
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE, INT, UINT, UINT, UINT, UINT) override { return D3DERR_INVALIDCALL; }
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE, UINT, const void*, UINT) override { return D3DERR_INVALIDCALL; }
    HRESULT SetFVF(DWORD) override { return D3DERR_INVALIDCALL; }
    HRESULT GetFVF(DWORD*) override { return D3DERR_INVALIDCALL; }
    HRESULT SetStreamSource(UINT, IDirect3DVertexBuffer9*, UINT, UINT) override { return D3DERR_INVALIDCALL; }
    HRESULT SetIndices(IDirect3DIndexBuffer9*) override { return D3DERR_INVALIDCALL; }
    HRESULT SetPixelShader(IDirect3DPixelShader9*) override { return D3DERR_INVALIDCALL; }
    HRESULT SetVertexShader(IDirect3DVertexShader9*) override { return D3DERR_INVALIDCALL; }
    HRESULT CreateQuery(D3DQUERYTYPE, IDirect3DQuery9**) override { return D3DERR_INVALIDCALL; }
};

TransformDevice TheDevice;

}  // namespace

void InstallTransformDevice(UINT width, UINT height) {
    PresentParameters = {};
    PresentParameters.BackBufferWidth = width;
    PresentParameters.BackBufferHeight = height;
    Device = &TheDevice;
}

void RemoveTransformDevice() {
    if (Device == &TheDevice) Device = nullptr;
}

D3DXMATRIX CameraViewProjection() {
    D3DXMATRIX view(TheDevice.transforms[0]), projection(TheDevice.transforms[1]);
    return view * projection;
}
