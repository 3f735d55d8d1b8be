// A hierarchical depth pyramid built on the GPU from the bounding meshes'
// depth, and every tree's bounding box tested against it by a compute
// shader; the flags are read back once.
//
// Conservative by construction: each pyramid texel holds the farthest depth
// of the pixels it covers (the padding beyond the 320 x 240 buffer is far
// depth), a box's screen rectangle is widened by a pixel on each side, a box
// that reaches behind the camera is visible, and the comparison allows two
// steps of the 16-bit depth. A tree can be drawn needlessly, never lost.
#pragma once

#include <epoxy/gl.h>

#include <string>
#include <vector>

#include "methods/plain_gl_scene.h"
#include "methods/timing.h"

struct HizPyramid {
    GLuint pyramid = 0;  // R32F, the occlusion buffer padded to powers of two, and all its levels
    int levels = 0;
    GLuint copyProgram = 0, reduceProgram = 0, testProgram = 0;
    GLuint results = 0;  // one flag per tree (the trees' worlds are the scene's buffer)
};

bool CreateHizPyramid(HizPyramid &hiz, size_t trees, std::string &error);
void DestroyHizPyramid(HizPyramid &hiz);
std::vector<bool> HizPass(GlScene &scene, HizPyramid &hiz, const D3DXMATRIX &viewProjection, CullTimer &timer);
// The pyramid's size at level 0.
int HizPyramidWidth();
int HizPyramidHeight();
