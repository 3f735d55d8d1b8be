#include "lab/culling.h"

namespace {

void Run(LabCulling &culling, Methods &methods, GlScene &scene) {
    int slot = culling.nextTimer;
    culling.nextTimer = (slot + 1) % LabCulling::Timers;
    CullTimer &timer = culling.timers[slot];
    // This slot's spans ran Timers - 1 frames ago: their GPU time is the newest sure to be in.
    if (culling.timerRan[slot]) culling.times.gpu = CullGpuMilliseconds(timer);
    culling.runs++;
    culling.flags = DrawFrame(methods, culling.method, scene, culling.viewProjection, timer);
    ReadDrawnTrees(methods, culling.method, culling.flags);
    culling.timerRan[slot] = true;
    culling.times.submit = timer.submit;
    culling.times.wait = timer.waited;
}

}  // namespace

void CreateLabCulling(LabCulling &culling) { D3DXMatrixIdentity(&culling.viewProjection); }

void DestroyLabCulling(LabCulling &culling) {
    for (CullTimer &timer : culling.timers) DestroyCullTimer(timer);
}

bool CullFrame(LabCulling &culling, Methods &methods, GlScene &scene, const D3DXMATRIX &cameraViewProjection) {
    if (culling.frozen && culling.flags.size() == scene.worlds.size()) return false;
    culling.viewProjection = cameraViewProjection;
    Run(culling, methods, scene);
    return true;
}

void SettleMethod(LabCulling &culling, Methods &methods, GlScene &scene) {
    for (int settle = 0; settle <= MaxQueryLag; ++settle) {
        FinishGpu();
        Run(culling, methods, scene);
    }
}
