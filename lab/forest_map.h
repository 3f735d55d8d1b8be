// The forest from above, in an ImGui window: a dot per tree in its state's
// colour (and a ring in its ring's colour, NoRing for none; `rings` may be
// empty), the culling camera's frustum and the viewer with its heading.
#pragma once

#include <vector>

#include "methods/plain_gl_scene.h"
#include "methods/score.h"

// `viewer` is the viewer's camera-to-world matrix. Takes a square of side
// `side` pixels in the current ImGui window.
void DrawForestMap(const GlScene &scene, const std::vector<TreeState> &states, const std::vector<uint32_t> &rings,
                   const D3DXMATRIX &cullingViewProjection, const D3DXMATRIX &viewer, float side);
