// The lab's culling step: the chosen method run for the culling camera each
// frame, or, while the culling is frozen, the flags and camera of the frame
// that froze it kept as the viewer flies on.
#pragma once

#include <vector>

#include "lab/gpu_timer.h"
#include "methods/methods.h"

struct CullTimes {
    double cpu = 0;      // ms on the CPU clock, from the method's first call to its flags
    double blocked = 0;  // ms of that spent waiting for the GPU's answers
    double gpu = 0;      // ms of GPU work (timer query, a few frames old)
};

struct LabCulling {
    Method method = Method::StopAndWait;
    bool frozen = false;
    D3DXMATRIX viewProjection;  // the culling camera: this frame's, or the frozen one
    std::vector<bool> flags;    // one per tree: drawn
    CullTimes times;
    GpuTimer timer;
    long runs = 0;  // times the method has run (a new set of flags)
};

void CreateLabCulling(LabCulling &culling);
void DestroyLabCulling(LabCulling &culling);

// Culls for the camera unless frozen (with flags for this forest); culling.flags
// are then the ones to draw with.
void CullFrame(LabCulling &culling, Methods &methods, GlScene &scene, const D3DXMATRIX &cameraViewProjection);
// The method run again for the culling camera now, as for a camera held
// still: a few times over, each frame's answers in before the next.
void SettleMethod(LabCulling &culling, Methods &methods, GlScene &scene);
