// The lab's culling step: the chosen method run for the culling camera each
// frame, or, while the culling is frozen, the flags and camera of the frame
// that froze it kept as the viewer flies on.
#pragma once

#include <vector>

#include "lab/gpu_timer.h"
#include "methods/ground_truth.h"
#include "methods/methods.h"

struct CullTimes {
    double cpu = 0;      // ms on the CPU clock, from the method's first call to its flags
    double blocked = 0;  // ms of that spent waiting for the GPU's answers
    double gpu = 0;      // ms of GPU work (timer query, a few frames old)
};

struct LabCulling {
    Method method = Method::Specified;
    bool frozen = false;
    D3DXMATRIX viewProjection;  // the culling camera: this frame's, or the frozen one
    std::vector<bool> flags;    // one per tree: drawn
    CullTimes times;
    GpuTimer timer;
    long runs = 0;  // times the method has run (a new set of flags)
};

void CreateLabCulling(LabCulling &culling);
void DestroyLabCulling(LabCulling &culling);

// Culls for the camera unless frozen; culling.flags are then the ones to draw with.
void CullFrame(LabCulling &culling, Methods &methods, GlScene &scene, const D3DXMATRIX &cameraViewProjection);

// A method chosen while frozen is run at once for the frozen camera, a few
// times over, so that it answers as it would for a camera holding still.
void ChooseMethod(LabCulling &culling, Methods &methods, GlScene &scene, Method method);
void SetFrozen(LabCulling &culling, bool frozen);

// Each tree's fate this frame against the truth.
enum class TreeState { Drawn, Culled, OutOfView, Missed, Wasted };
// Missed: visible in the truth but culled. Wasted: drawn though nothing of it shows.
std::vector<TreeState> ClassifyTrees(const std::vector<bool> &flags, const std::vector<int> &truthPixels);
// Culled trees whose box lies wholly outside the camera's frustum become
// OutOfView: culled for being out of view, not for being hidden.
void MarkOutOfView(std::vector<TreeState> &states, const GlScene &scene, const D3DXMATRIX &viewProjection);
