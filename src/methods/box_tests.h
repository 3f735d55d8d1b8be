// Tests of a box (a mesh's bounds in its own space) placed by a
// world-view-projection matrix, against the view volume.
#pragma once

#include <d3dx9.h>

struct Box {
    float min[3], max[3];
};

// Corner c of the box: bit 0 picks x's end, bit 1 y's, bit 2 z's.
D3DXVECTOR3 BoxCorner(const Box &box, int corner);

// Every corner beyond one of the six planes of the view volume (Direct3D's
// clip space: -w <= x, y <= w, 0 <= z <= w): nothing of the box can show.
bool BoxOutsideFrustum(const Box &box, const D3DXMATRIX &worldViewProjection);

// The program's near-plane rule (NearPlaneCutsBox) for a box: its tree is
// drawn whatever its occluders say.
bool NearPlaneCutsBox(const Box &box, const D3DXMATRIX &worldViewProjection);
