#include "frame_breakdown.h"

#include "app/frame.h"
#include "methods/common.h"
#include "device/device.h"
#include "occlusion/occlusion.h"
#include "overlay/statistics.h"
#include "scene/scene.h"

namespace {

// Ends a part: waits for the device, adds the time since the last mark.
struct PartClock {
    Clock::time_point last = Clock::now();
    void Mark(double &part) {
        FinishGpu();
        Clock::time_point now = Clock::now();
        part += Milliseconds(last, now);
        last = now;
    }
    // A mark without waiting for the device (inside the query loop, where the
    // wait is the thing measured).
    void MarkNoWait(double &part) {
        Clock::time_point now = Clock::now();
        part += Milliseconds(last, now);
        last = now;
    }
};

}  // namespace

void DrawSceneInParts(bool overlay, FrameBreakdown *parts) {
    PartClock clock;
    auto mark = [&](double FrameBreakdown::*part) {
        if (parts) clock.Mark(parts->*part);
    };
    if (FAILED(Device->BeginScene())) return;
    Device->Clear(0, NULL, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, SceneClearColour, 1.0f, 0);
    Device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    Device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    SkyboxMesh->DrawAt(0.0f, 0.0f, 0.0f);
    Device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    Device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
    TerrainMesh->DrawAt(0.0f, 0.0f, 0.0f);
    mark(&FrameBreakdown::skyTerrain);
    int drawn = 0;
    for (unsigned i = 0; i < SceneObjects.size(); ++i) {
        SceneObject &object = SceneObjectAt(i);
        if (object.visible) {
            object.mesh->Draw(Device, object.world);
            ++drawn;
        }
    }
    mark(&FrameBreakdown::trees);
    if (overlay) DrawStatistics();
    mark(&FrameBreakdown::overlay);
    Device->EndScene();
    Device->Present(NULL, NULL, NULL, NULL);
    mark(&FrameBreakdown::present);
    if (parts) parts->treesDrawn = drawn;
}

// The program's occlusion pass, step for step, with clocks between steps.
FrameBreakdown RunFrameInParts() {
    FrameBreakdown parts;
    FinishGpu();
    PartClock clock;
    if (FAILED(OcclusionRenderToSurface->BeginScene(OcclusionSurface, NULL))) return parts;
    Device->Clear(0, NULL, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, OcclusionClearColour, 1.0f, 0);
    for (unsigned i = 0; i < SceneObjects.size(); ++i) {
        SceneObject &object = SceneObjectAt(i);
        object.boundingMesh->Draw(Device, object.world);
    }
    clock.Mark(parts.depthFill);
    for (unsigned i = 0; i < SceneObjects.size(); ++i) {
        SceneObject &object = SceneObjectAt(i);
        OcclusionQuery->Issue(D3DISSUE_BEGIN);
        object.boundingMesh->Draw(Device, object.world);
        OcclusionQuery->Issue(D3DISSUE_END);
        clock.MarkNoWait(parts.queryDraws);
        DWORD pixelCount = 0;
        while (OcclusionQuery->GetData(&pixelCount, sizeof pixelCount, D3DGETDATA_FLUSH) == S_FALSE) {
        }
        clock.MarkNoWait(parts.queryWait);
        object.visible = pixelCount != 0;
    }
    OcclusionRenderToSurface->EndScene(0);
    clock.Mark(parts.passEnd);
    DrawSceneInParts(true, &parts);
    return parts;
}

double RunLayerFrame() {
    FinishGpu();
    Clock::time_point start = Clock::now();
    RunOcclusionPass();
    DrawSceneInParts(false, nullptr);
    FinishGpu();
    return Milliseconds(start, Clock::now());
}
