#include "app/frame.h"

#include "app/frame_clock.h"
#include "device/device.h"
#include "occlusion/occlusion.h"
#include "overlay/statistics.h"
#include "scene/camera.h"
#include "scene/scene.h"

FrameTallies FrameCounters;

HRESULT BeginMainScene() {
    if (FAILED(Device->BeginScene())) return E_FAIL;
    Device->Clear(0, NULL, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, SceneClearColour, 1.0f, 0);
    return S_OK;
}

void DrawSkyAndTerrain() {
    Device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    Device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    SkyboxMesh->DrawAt(0.0f, 0.0f, 0.0f);
    Device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    Device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
    TerrainMesh->DrawAt(0.0f, 0.0f, 0.0f);
}

void DrawVisibleTrees() {
    for (unsigned i = 0; i < SceneObjects.size(); ++i) {
        SceneObject &object = SceneObjectAt(i);
        if (object.visible) {
            object.mesh->Draw(Device, object.world);
            FrameCounters.verticesRendered += object.mesh->vertexCount;
            FrameCounters.objectsRendered += 1;
        }
    }
}

HRESULT DrawMainScene() {
    if (FAILED(BeginMainScene())) return E_FAIL;
    DrawSkyAndTerrain();
    DrawVisibleTrees();
    DrawStatistics();
    Device->EndScene();
    return S_OK;
}

// Camera, occlusion pass, main scene, presentation, frame count. A main
// scene that cannot begin is skipped, but the frame is still presented and
// counted.
HRESULT RenderFrame() {
    FrameCounters.verticesRendered = 0;
    FrameCounters.objectsRendered = 0;
    UpdateCamera();
    RunOcclusionPass();
    DrawMainScene();
    Device->Present(NULL, NULL, NULL, NULL);
    UpdateFrameRate();
    return S_OK;
}
