#include "lab/culling.h"

namespace {

void Run(LabCulling &culling, Methods &methods, GlScene &scene) {
    BeginGpuTimer(culling.timer);
    culling.times.blocked = 0;
    WaitTime = &culling.times.blocked;
    Clock::time_point start = Clock::now();
    culling.runs++;
    culling.flags = RunMethod(methods, culling.method, scene, culling.viewProjection);
    culling.times.cpu = Milliseconds(start, Clock::now());
    WaitTime = nullptr;
    EndGpuTimer(culling.timer);
    culling.times.gpu = culling.timer.milliseconds;
}

}  // namespace

void CreateLabCulling(LabCulling &culling) {
    CreateGpuTimer(culling.timer);
    D3DXMatrixIdentity(&culling.viewProjection);
}

void DestroyLabCulling(LabCulling &culling) { DestroyGpuTimer(culling.timer); }

void CullFrame(LabCulling &culling, Methods &methods, GlScene &scene, const D3DXMATRIX &cameraViewProjection) {
    if (culling.frozen && culling.flags.size() == scene.worlds.size()) return;
    culling.viewProjection = cameraViewProjection;
    Run(culling, methods, scene);
}

void ChooseMethod(LabCulling &culling, Methods &methods, GlScene &scene, Method method) {
    if (method == culling.method) return;
    culling.method = method;
    // Results left from the last time this method ran belong to another camera.
    if (method == Method::Temporal) methods.temporal.frame = 0;
    if (!culling.frozen) return;
    // Frames of a still camera: each one's answers are in before the next.
    for (int settle = 0; settle <= MaxQueryLag; ++settle) {
        FinishGpu();
        Run(culling, methods, scene);
    }
}

void SetFrozen(LabCulling &culling, bool frozen) { culling.frozen = frozen; }

std::vector<TreeState> ClassifyTrees(const std::vector<bool> &flags, const std::vector<int> &truthPixels) {
    std::vector<TreeState> states(flags.size(), TreeState::Drawn);
    for (size_t i = 0; i < flags.size(); ++i) {
        bool visible = i < truthPixels.size() ? truthPixels[i] > 0 : flags[i];
        if (flags[i]) states[i] = visible ? TreeState::Drawn : TreeState::Wasted;
        else states[i] = visible ? TreeState::Missed : TreeState::Culled;
    }
    return states;
}

namespace {

// All eight corners beyond one of the six clip planes.
bool OutsideFrustum(const GlMesh &mesh, const D3DXMATRIX &world, const D3DXMATRIX &viewProjection) {
    D3DXMATRIX m = world * viewProjection;
    int beyond[6] = {};
    for (int c = 0; c < 8; ++c) {
        float p[3] = {(c & 1) ? mesh.boundsMax[0] : mesh.boundsMin[0], (c & 2) ? mesh.boundsMax[1] : mesh.boundsMin[1],
                      (c & 4) ? mesh.boundsMax[2] : mesh.boundsMin[2]};
        float clip[4];
        for (int k = 0; k < 4; ++k) clip[k] = p[0] * m.m[0][k] + p[1] * m.m[1][k] + p[2] * m.m[2][k] + m.m[3][k];
        float w = clip[3];
        beyond[0] += clip[0] < -w;
        beyond[1] += clip[0] > w;
        beyond[2] += clip[1] < -w;
        beyond[3] += clip[1] > w;
        beyond[4] += clip[2] < 0;
        beyond[5] += clip[2] > w;
    }
    for (int plane = 0; plane < 6; ++plane)
        if (beyond[plane] == 8) return true;
    return false;
}

}  // namespace

void MarkOutOfView(std::vector<TreeState> &states, const GlScene &scene, const D3DXMATRIX &viewProjection) {
    for (size_t i = 0; i < states.size() && i < scene.worlds.size(); ++i)
        if (states[i] == TreeState::Culled && OutsideFrustum(scene.tree, scene.worlds[i], viewProjection))
            states[i] = TreeState::OutOfView;
}
