// Two-phase occlusion culling with a depth pyramid of the frame's real
// depth, as GPU-driven renderers do it:
//   1. the trees visible last frame that are in view are drawn, over the
//      sky and terrain: the real occluders, at the main target's size;
//   2. a max-depth pyramid is built from that depth (depth_pyramid.h) and
//      every tree's bounding box is tested against it;
//   3. the trees that turn out visible and were not drawn in 1 are drawn;
//   4. the visible set is kept for the next frame.
// Nothing visible is missed by construction: what 3 adds only brings depth
// nearer, so a tree that shows in the finished frame shows against the
// depth of 1, and the pyramid's test is conservative. Trees behind hills are
// culled too, since the terrain is in the depth.
#pragma once

#include <string>
#include <vector>

#include "methods/depth_pyramid.h"
#include "methods/plain_gl_scene.h"
#include "methods/timing.h"

struct TwoPhase {
    DepthPyramid pyramid;
    GLuint testProgram = 0, results = 0;
    std::vector<char> visibleLast;  // per tree, from the last frame's test
};

bool CreateTwoPhase(TwoPhase &twoPhase, const GlScene &scene, std::string &error);
void DestroyTwoPhase(TwoPhase &twoPhase);
// The next frame starts as the first: nothing known visible.
void RestartTwoPhase(TwoPhase &twoPhase);
// Draws the frame into the main target (its culling in `timer`'s spans);
// returns the trees drawn.
std::vector<bool> TwoPhaseFrame(GlScene &scene, TwoPhase &twoPhase, const D3DXMATRIX &viewProjection,
                                CullTimer &timer);
