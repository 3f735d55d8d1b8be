// A hierarchical depth pyramid (depth_pyramid.h) built on the GPU from the
// occlusion buffer's depth (the bounding meshes', as the program's pass
// draws them), and every tree's bounding box tested against it by a compute
// shader; the flags are read back once.
#pragma once

#include <epoxy/gl.h>

#include <string>
#include <vector>

#include "methods/depth_pyramid.h"
#include "methods/plain_gl_scene.h"
#include "methods/timing.h"

struct HizPyramid {
    DepthPyramid pyramid;
    GLuint testProgram = 0;
    GLuint results = 0;  // one flag per tree (the trees' worlds are the scene's buffer)
};

bool CreateHizPyramid(HizPyramid &hiz, size_t trees, std::string &error);
void DestroyHizPyramid(HizPyramid &hiz);
std::vector<bool> HizPass(GlScene &scene, HizPyramid &hiz, const D3DXMATRIX &viewProjection, CullTimer &timer);

// A compute program testing every tree's box against a pyramid: it writes
// 1 or 0 to results[i] (shader storage binding 1) for tree i of the
// scene's worlds (binding 0) under the uniform `viewProjection`.
GLuint LinkBoxTestProgram(std::string &error);
// Runs it for every tree's box of `bounds` and reads the flags back (a wait).
std::vector<bool> TestBoxes(GlScene &scene, GLuint program, const DepthPyramid &pyramid, GLuint results,
                            const Box &bounds, const D3DXMATRIX &viewProjection, CullTimer &timer);
