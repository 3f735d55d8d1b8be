#include "device/device.h"
#include "device/release.h"

#include "app/main_window.h"
#include "occlusion/occlusion.h"
#include "overlay/bitmap_font.h"
#include "scene/scene.h"

IDirect3D9 *Direct3DObject;
IDirect3DDevice9 *Device;
D3DPRESENT_PARAMETERS PresentParameters;

namespace {

void ReleaseMesh(MeshModel *&mesh) {
    if (mesh) {
        mesh->Release();
        delete mesh;
        mesh = nullptr;
    }
}

// The occlusion resources cannot survive a reset; they go in this order.
void ReleaseOcclusionResources() {
    ReleaseAndClear(OcclusionTexture);
    ReleaseAndClear(OcclusionSurface);
    ReleaseAndClear(OcclusionRenderToSurface);
    ReleaseAndClear(OcclusionQuery);
}

}  // namespace

HRESULT InitDevice() {
    Direct3DObject = Direct3DCreate9(D3D_SDK_VERSION);
    if (!Direct3DObject) return E_FAIL;

    ZeroMemory(&PresentParameters, sizeof PresentParameters);
    PresentParameters.BackBufferWidth = BackBufferWidthAtStart;
    PresentParameters.BackBufferHeight = BackBufferHeightAtStart;
    PresentParameters.BackBufferFormat = D3DFMT_UNKNOWN;
    PresentParameters.BackBufferCount = 0;
    PresentParameters.MultiSampleType = D3DMULTISAMPLE_NONE;
    PresentParameters.MultiSampleQuality = 0;
    PresentParameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    PresentParameters.hDeviceWindow = NULL;
    PresentParameters.Windowed = TRUE;
    PresentParameters.EnableAutoDepthStencil = TRUE;
    PresentParameters.AutoDepthStencilFormat = D3DFMT_D16;
    PresentParameters.Flags = 0;
    PresentParameters.FullScreen_RefreshRateInHz = 0;
    PresentParameters.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;

    if (FAILED(Direct3DObject->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, MainWindow,
                                            D3DCREATE_SOFTWARE_VERTEXPROCESSING, &PresentParameters, &Device)))
        return E_FAIL;
    if (FAILED(CreateOcclusionResources())) return E_FAIL;
    ApplyRenderStates();
    return S_OK;
}

HRESULT ApplyRenderStates() {
    Device->SetRenderState(D3DRS_DITHERENABLE, FALSE);
    Device->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    Device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    Device->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
    Device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    Device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    Device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    Device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    Device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    Device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    Device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    Device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    Device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    Device->SetRenderState(D3DRS_LIGHTING, FALSE);
    return S_OK;
}

void CheckClientSize() {
    RECT client;
    GetClientRect(MainWindow, &client);
    UINT width = client.right - client.left;
    UINT height = client.bottom - client.top;
    if (width == PresentParameters.BackBufferWidth && height == PresentParameters.BackBufferHeight) return;
    PresentParameters.BackBufferWidth = width;
    PresentParameters.BackBufferHeight = height;
    if (Device) ResetDevice();
}

HRESULT ResetDevice() {
    ReleaseOcclusionResources();
    if (Font) Font->ReleaseDrawing();
    if (FAILED(Device->Reset(&PresentParameters))) return E_FAIL;
    if (Font) Font->BuildAtlas(Device);
    if (FAILED(CreateOcclusionResources())) return E_FAIL;
    ApplyRenderStates();
    return S_OK;
}

HRESULT ReleaseAll() {
    ReleaseMesh(SkyboxMesh);
    ReleaseMesh(TerrainMesh);
    ReleaseMesh(TreeMesh);
    ReleaseMesh(TreeBoundingMesh);
    if (Font) {
        Font->ReleaseDrawing();
        Font->ReleaseAtlas();
        delete Font;
        Font = nullptr;
    }
    ReleaseOcclusionResources();
    ReleaseAndClear(Device);
    ReleaseAndClear(Direct3DObject);
    return S_OK;
}
