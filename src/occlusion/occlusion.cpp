#include "occlusion/occlusion.h"

#include "app/main_window.h"
#include "device/device.h"
#include "scene/scene.h"

IDirect3DQuery9 *OcclusionQuery;
IDirect3DTexture9 *OcclusionTexture;
IDirect3DSurface9 *OcclusionSurface;
ID3DXRenderToSurface *OcclusionRenderToSurface;

HRESULT CreateOcclusionResources() {
    Device->CreateQuery(D3DQUERYTYPE_OCCLUSION, &OcclusionQuery);
    D3DDISPLAYMODE mode;
    Device->GetDisplayMode(0, &mode);
    if (FAILED(D3DXCreateTexture(Device, OcclusionWidth, OcclusionHeight, 1, D3DUSAGE_RENDERTARGET, mode.Format,
                                 D3DPOOL_DEFAULT, &OcclusionTexture)))
        return E_FAIL;
    OcclusionTexture->GetSurfaceLevel(0, &OcclusionSurface);
    D3DSURFACE_DESC desc;
    OcclusionSurface->GetDesc(&desc);
    if (FAILED(D3DXCreateRenderToSurface(Device, desc.Width, desc.Height, desc.Format, TRUE, D3DFMT_D16,
                                         &OcclusionRenderToSurface)))
        return E_FAIL;
    return S_OK;
}

HRESULT BeginOcclusionPass() {
    // After a failed reset the buffer may be missing: keep last frame's flags.
    if (!OcclusionSurface || !OcclusionRenderToSurface) return E_FAIL;
    if (FAILED(OcclusionRenderToSurface->BeginScene(OcclusionSurface, NULL))) return E_FAIL;
    Device->Clear(0, NULL, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, OcclusionClearColour, 1.0f, 0);
    return S_OK;
}

void FillOcclusionDepth() {
    for (unsigned i = 0; i < SceneObjects.size(); ++i) {
        SceneObject &object = SceneObjectAt(i);
        object.boundingMesh->Draw(Device, object.world);
    }
}

void IssueVisibilityQuery(SceneObject &object) {
    if (!OcclusionQuery) return;
    OcclusionQuery->Issue(D3DISSUE_BEGIN);
    object.boundingMesh->Draw(Device, object.world);
    OcclusionQuery->Issue(D3DISSUE_END);
}

void AwaitVisibility(SceneObject &object) {
    // Without a query there is nothing to measure: the tree is drawn.
    if (!OcclusionQuery) {
        object.visible = true;
        return;
    }
    DWORD pixelCount = 0;
    while (OcclusionQuery->GetData(&pixelCount, sizeof pixelCount, D3DGETDATA_FLUSH) == S_FALSE) {
    }
    object.visible = pixelCount != 0;
}

void EndOcclusionPass() {
    OcclusionRenderToSurface->EndScene(0);
    if (KeyStates[SaveBufferKey]) D3DXSaveSurfaceToFileA("buffer.bmp", D3DXIFF_BMP, OcclusionSurface, NULL, NULL);
}

// With all bounding meshes in the depth buffer first, each one passes the
// less-or-equal depth test exactly where it is the nearest, whatever the
// order of the objects: one pixel makes it visible.
HRESULT RunOcclusionPass() {
    if (FAILED(BeginOcclusionPass())) return S_OK;
    FillOcclusionDepth();
    for (unsigned i = 0; i < SceneObjects.size(); ++i) {
        SceneObject &object = SceneObjectAt(i);
        IssueVisibilityQuery(object);
        AwaitVisibility(object);
    }
    EndOcclusionPass();
    return S_OK;
}
