// The lab's culling step: the chosen method's frame for the viewer's camera
// (culling and main scene, as the benchmark runs it), or, while the culling
// is frozen, the flags and camera of the frame that froze it kept as the
// viewer flies on.
#pragma once

#include <vector>

#include "methods/methods.h"

struct LabCulling {
    Method method = Method::StopAndWait;
    bool frozen = false;
    D3DXMATRIX viewProjection;  // the culling camera: this frame's, or the frozen one
    std::vector<bool> flags;    // one per tree: drawn
    // The newest figures of the timing model: submit and wait of the last
    // run, gpu of a run a few frames old (its timer queries are read once
    // they have surely executed, so reading never waits on this frame).
    MethodTimes times;
    static constexpr int Timers = 3;
    CullTimer timers[Timers];
    bool timerRan[Timers] = {};
    int nextTimer = 0;
    long runs = 0;  // times the method has run (a new set of flags)
};

void CreateLabCulling(LabCulling &culling);
void DestroyLabCulling(LabCulling &culling);

// Unless frozen (with flags for this forest): the method's frame for the
// camera, drawn into the scene's main target, its flags kept. Returns
// whether it ran; the caller draws the main scene with the kept flags if not.
bool CullFrame(LabCulling &culling, Methods &methods, GlScene &scene, const D3DXMATRIX &cameraViewProjection);
// The method run again for the culling camera now, as for a camera held
// still: a few times over, each frame's answers in before the next.
void SettleMethod(LabCulling &culling, Methods &methods, GlScene &scene);
