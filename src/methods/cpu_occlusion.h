// The bounding meshes' depth rasterised in software at the occlusion
// buffer's size and each tree's bounding box tested against it;
// a tree whose box passes has its own bounding mesh tested pixel by pixel,
// as the program's query does on the GPU.
//
// A scalar scanline rasteriser with a max-depth tile hierarchy. It is kept
// conservative against the program's pass (which draws the same meshes on
// the GPU): a pixel is written only when its centre lies clearly inside a
// triangle (a 1/256-pixel margin, beyond any GPU's vertex snapping), so the
// depth here is never nearer than the GPU's, and a tree's own mesh is tested
// on every pixel centre up to the margin outside it. A box's screen
// rectangle is widened by a pixel and the depth tests allow two steps of the
// GPU's 16-bit depth. A box that holds the camera is drawn untested: there
// the program's pass loses the tree when the camera stands inside its
// bounding mesh (every face turned away), though it fills the view.
//
// Threads: the setup splits the trees, the rasteriser splits the rows into
// bands, the tests split the trees again.
#pragma once

#include <d3dx9.h>

#include <cstdint>
#include <string>
#include <vector>

#include "methods/pixel_grid.h"
#include "methods/plain_gl_scene.h"

constexpr int CpuDepthWidth = OcclusionBufferWidth, CpuDepthHeight = OcclusionBufferHeight;
constexpr int CpuTileSize = 8;
constexpr int CpuTilesX = CpuDepthWidth / CpuTileSize, CpuTilesY = CpuDepthHeight / CpuTileSize;

// One edge of a triangle solved for x: a pixel centre (x, y) lies inside
// it by d pixels when x is beyond start + slope * y + widen * d, above that
// bound for side 1 and below it for side -1. A horizontal edge (side 0)
// bounds rows instead: slope * (y - start) > d.
struct CpuEdge {
    double start, slope, widen;
    int side;
};

// A front-facing triangle of the bounding meshes, already clipped to the
// near plane, in the occlusion buffer's pixels (centres on integers).
struct CpuTriangle {
    CpuEdge edges[3];
    double zAtOrigin, dzdx, dzdy;  // depth = zAtOrigin + dzdx * x + dzdy * y
    int top, bottom;               // the rows it may cover, clamped to the buffer
};

struct CpuOcclusion {
    int threads = 1;
    std::vector<D3DXVECTOR3> positions;  // the bounding mesh
    std::vector<uint32_t> indices;
    Box bounds = {};
    std::vector<std::vector<CpuTriangle>> triangles;  // one list per thread
    std::vector<float> depth;    // the buffer's size, top row first, 0 near .. 1 far
    std::vector<float> tileMax;  // the farthest depth of each 8 x 8 tile
};

bool CreateCpuOcclusion(CpuOcclusion &cpu, const GlScene &scene, int threads, std::string &error);
std::vector<bool> CpuPass(CpuOcclusion &cpu, const GlScene &scene, const D3DXMATRIX &viewProjection);
// The last pass's depth, CpuDepthWidth x CpuDepthHeight floats, row 0 at the top, 0 near .. 1 far.
const float *CpuDepth(const CpuOcclusion &cpu);
