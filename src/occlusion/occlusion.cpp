#include "occlusion/occlusion.h"

#include "app/main_window.h"
#include "device/device.h"
#include "scene/scene.h"

IDirect3DQuery9 *OcclusionQuery;
IDirect3DTexture9 *OcclusionTexture;
IDirect3DSurface9 *OcclusionSurface;
ID3DXRenderToSurface *OcclusionRenderToSurface;

namespace {
D3DXMATRIX PassViewProjection;  // the device's view and projection, read as the pass begins
}

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
    D3DXMATRIX view, projection;
    Device->GetTransform(D3DTS_VIEW, &view);
    Device->GetTransform(D3DTS_PROJECTION, &projection);
    D3DXMatrixMultiply(&PassViewProjection, &view, &projection);
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
    D3DXMATRIX worldViewProjection;
    D3DXMatrixMultiply(&worldViewProjection, &object.world, &PassViewProjection);
    const MeshModel *bounding = object.boundingMesh;
    object.visible = pixelCount != 0 || NearPlaneCutsBox(bounding->boundsMin, bounding->boundsMax, worldViewProjection);
}

void EndOcclusionPass() {
    OcclusionRenderToSurface->EndScene(0);
    if (KeyStates[SaveBufferKey]) D3DXSaveSurfaceToFileA("buffer.bmp", D3DXIFF_BMP, OcclusionSurface, NULL, NULL);
}

// Clip coordinates of the corners (Direct3D's: -w <= x, y <= w, 0 <= z <= w).
// A side plane that has every corner beyond it keeps the box out of view.
bool NearPlaneCutsBox(const D3DXVECTOR3 &boxMin, const D3DXVECTOR3 &boxMax, const D3DXMATRIX &m) {
    int beforeNear = 0, beyond[4] = {0, 0, 0, 0};
    for (int corner = 0; corner < 8; ++corner) {
        float x = (corner & 1) ? boxMax.x : boxMin.x, y = (corner & 2) ? boxMax.y : boxMin.y,
              z = (corner & 4) ? boxMax.z : boxMin.z;
        float cx = x * m._11 + y * m._21 + z * m._31 + m._41, cy = x * m._12 + y * m._22 + z * m._32 + m._42;
        float cz = x * m._13 + y * m._23 + z * m._33 + m._43, cw = x * m._14 + y * m._24 + z * m._34 + m._44;
        beforeNear += cz < 0;
        beyond[0] += cx < -cw;
        beyond[1] += cx > cw;
        beyond[2] += cy < -cw;
        beyond[3] += cy > cw;
    }
    if (beforeNear == 0 || beforeNear == 8) return false;
    for (int plane = 0; plane < 4; ++plane)
        if (beyond[plane] == 8) return false;
    return true;
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
