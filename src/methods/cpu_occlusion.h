// Occluders' depth rasterised in software at the occlusion buffer's size,
// and each tree's bounding box tested against it; a tree whose box passes
// has its own bounding mesh tested pixel by pixel, as the program's query
// does on the GPU.
//
// A scalar scanline rasteriser with a max-depth tile hierarchy, kept
// conservative against the GPU drawing the same occluders (the bounding
// meshes, as the program's pass does, or meshes inside the trees):
// - coverage: a pixel is written only when its centre lies inside a
//   triangle by the cover margin, one step of the driver's sub-pixel grid
//   (GL_SUBPIXEL_BITS: the most a vertex can move when the GPU snaps it),
//   and a tree's own mesh is tested on every pixel centre up to the margin
//   outside it;
// - depth: each occluder pixel stores its depth plus the triangle's slack
//   (one step of the GPU's 16-bit depth, plus its depth slope times the
//   margin on each axis: how far the snapped triangle's plane can move at a
//   pixel), and a tree's mesh is tested with its depth less its own slack;
//   a box is tested with its nearest depth less one step, since the GPU's
//   depth inside a triangle never comes nearer than its nearest vertex;
// - a box the near plane cuts inside the view is visible (NearPlaneCutsBox),
//   as in every query method; with inner occluders such a tree hides nothing.
// Threads: the set-up splits the trees, the rasteriser splits the rows into
// bands, the tests split the trees again, on workers kept across frames.
#pragma once

#include <d3dx9.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "methods/forest_grid.h"
#include "methods/pixel_grid.h"
#include "methods/plain_gl_scene.h"
#include "methods/thread_pool.h"

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

// A front-facing triangle, already clipped to the near plane, in the
// occlusion buffer's pixels (centres on integers).
struct CpuTriangle {
    CpuEdge edges[3];
    double zAtOrigin, dzdx, dzdy;  // depth = zAtOrigin + dzdx * x + dzdy * y
    float slack;                   // how far the GPU's depth may lie from it at a pixel
    int top, bottom;               // the rows it may cover, clamped to the buffer
};

struct CpuMesh {
    std::vector<D3DXVECTOR3> positions;
    std::vector<uint32_t> indices;
    Box bounds = {};
};

struct CpuOcclusion {
    int threads = 1;
    double coverMargin = 1.0 / 16;  // pixels; GL's least sub-pixel precision until asked
    CpuMesh occluder;               // rasterised into the depth
    // Occluders inside the trees, not the bounding meshes: a tree whose box
    // the near plane cuts is then no occluder, since the eye may stand in
    // its crown or its near faces be clipped while its inner pieces are not.
    bool innerOccluders = false;
    CpuMesh tested;                 // each tree's own test (the bounding mesh)
    std::vector<std::vector<CpuTriangle>> triangles;  // one list per thread
    std::vector<float> depth;    // the buffer's size, top row first, 0 near .. 1 far
    std::vector<float> tileMax;  // the farthest depth of each 8 x 8 tile
    std::unique_ptr<ThreadPool> pool;
};

// With the plain OpenGL context current (its sub-pixel precision is asked).
// The occluders are the bounding meshes, or `occluders` when given.
bool CreateCpuOcclusion(CpuOcclusion &cpu, const GlScene &scene, int threads, std::string &error,
                        const GlMesh *occluders = nullptr);
void DestroyCpuOcclusion(CpuOcclusion &cpu);
// With a grid, only the trees of its cells not wholly outside the view are
// looked at (the flags are the same: the others' boxes are outside too);
// the occluder meshes must lie inside the grid's trees.
std::vector<bool> CpuPass(CpuOcclusion &cpu, const GlScene &scene, const D3DXMATRIX &viewProjection,
                          const ForestGrid *grid = nullptr);
// The last pass's depth, CpuDepthWidth x CpuDepthHeight floats, row 0 at
// the top, 0 near .. 1 far (the occluders' slack included).
const float *CpuDepth(const CpuOcclusion &cpu);
