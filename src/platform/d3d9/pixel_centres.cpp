// Which way the driver breaks ties: a square whose edges run exactly through
// pixel centres, drawn through the device's own pipeline into a small target.
// Direct3D's top-left rule covers the pixels on its left and top edges and
// none on its right and bottom ones.
#include "device_impl.h"

namespace {

constexpr UINT ProbeSize = 4;

struct ProbeVertex {
    float x, y, z, rhw;
    D3DCOLOR colour;
};

}  // namespace

void D3DDevice::ChoosePixelShift() {
    pixelShiftX = pixelShiftY = PixelShiftExact;
    IDirect3DTexture9 *texture = nullptr;
    IDirect3DSurface9 *target = nullptr;
    if (FAILED(CreateTexture(ProbeSize, ProbeSize, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                             &texture, nullptr)))
        return;
    texture->GetSurfaceLevel(0, &target);
    SetRenderTarget(0, target);
    SetDepthStencilSurface(nullptr);
    SetRenderState(D3DRS_LIGHTING, FALSE);
    SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
    Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    // Covers pixels 1 and 2 of each axis under Direct3D's rule.
    ProbeVertex square[4] = {{1, 1, 0, 1, 0xFFFFFFFF}, {3, 1, 0, 1, 0xFFFFFFFF}, {1, 3, 0, 1, 0xFFFFFFFF},
                             {3, 3, 0, 1, 0xFFFFFFFF}};
    DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, square, sizeof(ProbeVertex));
    std::vector<BYTE> pixels;
    UINT width = 0, height = 0;
    if (SUCCEEDED(ReadSurfaceBGRA(target, pixels, width, height))) {
        auto lit = [&](UINT x, UINT y) { return pixels[4 * (y * ProbeSize + x)] != 0; };
        // Lit on the far side instead of the near one: that axis breaks ties
        // the other way, and one sub-pixel step less turns them round.
        if (!lit(1, 2) && lit(3, 2)) pixelShiftX = PixelShiftTieBreak;
        if (!lit(2, 1) && lit(2, 3)) pixelShiftY = PixelShiftTieBreak;
    }
    target->Release();
    texture->Release();
    SetRenderTarget(0, backBuffer);
    SetDepthStencilSurface(autoDepth);
    SetDefaultStates();
}
