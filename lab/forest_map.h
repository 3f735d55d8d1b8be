// The forest from above, in an ImGui window: a dot per tree in its state's
// colour, the culling camera's frustum and the viewer's position.
#pragma once

#include <vector>

#include "lab/culling.h"

// Fills the current ImGui window's remaining space (a square of side `side` pixels).
void DrawForestMap(const GlScene &scene, const std::vector<TreeState> &states, const D3DXMATRIX &cullingViewProjection,
                   const D3DXVECTOR3 &viewer, float side);
