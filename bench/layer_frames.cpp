#include "layer_frames.h"

#include "app/frame.h"
#include "device/device.h"
#include "methods/timing.h"
#include "occlusion/occlusion.h"
#include "overlay/statistics.h"
#include "scene/camera.h"
#include "scene/scene.h"

namespace {

// Ends a part: waits for the device, adds the time since the last mark.
struct PartClock {
    Clock::time_point last = Clock::now();
    void Mark(double &part) {
        FinishGpu();
        MarkNoWait(part);
    }
    // A mark without waiting for the device (inside the query loop, where the
    // wait is the thing measured).
    void MarkNoWait(double &part) {
        Clock::time_point now = Clock::now();
        part += Milliseconds(last, now);
        last = now;
    }
};

// The program's main scene step by step, the statistics text optional, then
// presented; with a clock, each step is a part.
void DrawMainSceneInParts(bool overlay, FrameBreakdown *parts) {
    PartClock clock;
    auto mark = [&](double FrameBreakdown::*part) {
        if (parts) clock.Mark(parts->*part);
    };
    FrameCounters.verticesRendered = 0;
    FrameCounters.objectsRendered = 0;
    if (FAILED(BeginMainScene())) return;
    DrawSkyAndTerrain();
    mark(&FrameBreakdown::skyTerrain);
    DrawVisibleTrees();
    mark(&FrameBreakdown::trees);
    if (overlay) DrawStatistics();
    mark(&FrameBreakdown::overlay);
    Device->EndScene();
    Device->Present(NULL, NULL, NULL, NULL);
    mark(&FrameBreakdown::present);
}

}  // namespace

void PlaceProgramCamera(const CameraPose &pose) {
    Camera.position = pose.position;
    Camera.yaw = pose.yaw;
    Camera.pitch = pose.pitch;
    UpdateCamera();
}

D3DXMATRIX ProgramViewProjection() {
    D3DXMATRIX view, projection;
    Device->GetTransform(D3DTS_VIEW, &view);
    Device->GetTransform(D3DTS_PROJECTION, &projection);
    return view * projection;
}

std::vector<bool> ProgramFlags() {
    std::vector<bool> flags;
    for (SceneObject &object : SceneObjects) flags.push_back(object.visible);
    return flags;
}

FrameTimes RunProgramFrame(bool culling) {
    FrameTimes times;
    FrameCounters.verticesRendered = 0;
    FrameCounters.objectsRendered = 0;
    UpdateCamera();
    FinishGpu();
    Clock::time_point start = Clock::now();
    if (culling) {
        RunOcclusionPass();
    } else {
        for (SceneObject &object : SceneObjects) object.visible = true;
    }
    FinishGpu();
    Clock::time_point afterPass = Clock::now();
    DrawMainScene();
    Device->Present(NULL, NULL, NULL, NULL);
    FinishGpu();
    Clock::time_point end = Clock::now();
    times.occlusion = Milliseconds(start, afterPass);
    times.main = Milliseconds(afterPass, end);
    times.trees = FrameCounters.objectsRendered;
    return times;
}

FrameBreakdown RunFrameInParts() {
    FrameBreakdown parts;
    UpdateCamera();
    FinishGpu();
    PartClock clock;
    if (FAILED(BeginOcclusionPass())) return parts;
    FillOcclusionDepth();
    clock.Mark(parts.depthFill);
    for (unsigned i = 0; i < SceneObjects.size(); ++i) {
        SceneObject &object = SceneObjectAt(i);
        IssueVisibilityQuery(object);
        clock.MarkNoWait(parts.queryDraws);
        AwaitVisibility(object);
        clock.MarkNoWait(parts.queryWait);
    }
    EndOcclusionPass();
    clock.Mark(parts.passEnd);
    DrawMainSceneInParts(true, &parts);
    return parts;
}

double RunLayerFrame() {
    UpdateCamera();
    FinishGpu();
    Clock::time_point start = Clock::now();
    RunOcclusionPass();
    DrawMainSceneInParts(false, nullptr);
    FinishGpu();
    return Milliseconds(start, Clock::now());
}

double RunPassAlone() {
    UpdateCamera();
    FinishGpu();
    Clock::time_point start = Clock::now();
    RunOcclusionPass();
    FinishGpu();
    return Milliseconds(start, Clock::now());
}
