// GPU-driven culling into indirect draws: the two phases of two_phase.h run
// on the GPU without the CPU reading anything back in the frame.
//   1. a compute shader tests the trees visible last frame against the
//      frustum and appends the survivors' numbers to a list; indirect draws
//      (glMultiDrawElementsIndirect, one command per part of the tree's
//      mesh, the instance count written by the GPU) draw them over the sky
//      and terrain;
//   2. a depth pyramid is built from that depth; a compute shader tests
//      every tree's box against the frustum and the pyramid, keeps the
//      result for the next frame, and appends the visible trees not drawn in
//      1 to a second list, drawn the same way.
// The counts for display are read a frame late; which trees were drawn can
// be read after the frame (ReadGpuDrivenDrawn, a wait) for the scores.
#pragma once

#include <string>
#include <vector>

#include "methods/depth_pyramid.h"
#include "methods/plain_gl_scene.h"
#include "methods/timing.h"

struct GpuDriven {
    DepthPyramid pyramid;
    GLuint firstPhaseProgram = 0, secondPhaseProgram = 0, commandProgram = 0;
    // Per tree: visible in the last frame's test, and drawn in this frame.
    GLuint visibleLast = 0, drawn = 0;
    // Each phase's list of tree numbers, its count, and its indirect
    // commands (one per part of the tree's mesh).
    GLuint lists[2] = {}, counts = 0, commands[2] = {};
    GLuint countsLastFrame = 0;  // the two counts, copied at the end of a frame
    GLsync countsFence = nullptr;  // signalled when that copy has executed
    int drawnLastFrame = -1;       // read a frame late; -1 before the first
};

bool CreateGpuDriven(GpuDriven &gpu, const GlScene &scene, std::string &error);
void DestroyGpuDriven(GpuDriven &gpu);
void RestartGpuDriven(GpuDriven &gpu);
// Draws the frame into the main target; its culling in `timer`'s spans.
void GpuDrivenFrame(GlScene &scene, GpuDriven &gpu, const D3DXMATRIX &viewProjection, CullTimer &timer);
// The trees this frame drew, read back: waits for the frame.
std::vector<bool> ReadGpuDrivenDrawn(const GpuDriven &gpu, size_t trees);
