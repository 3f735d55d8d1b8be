#include "lab/culling.h"

namespace {

void Run(LabCulling &culling, Methods &methods, GlScene &scene) {
    BeginGpuTimer(culling.timer);
    CullTimer waits;
    Clock::time_point start = Clock::now();
    culling.runs++;
    culling.flags = CullTrees(methods, culling.method, scene, culling.viewProjection, waits);
    culling.times.cpu = Milliseconds(start, Clock::now());
    culling.times.blocked = waits.waited;
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

void SettleMethod(LabCulling &culling, Methods &methods, GlScene &scene) {
    for (int settle = 0; settle <= MaxQueryLag; ++settle) {
        FinishGpu();
        Run(culling, methods, scene);
    }
}
