// A max-depth pyramid on the GPU over a depth texture, and the test of a
// box against it, shared by the methods that cull with one.
//
// Level 0 is the source's size rounded down to powers of two, each texel the
// farthest depth of the source pixels it stands for, so that every level
// above halves exactly and each texel is the farthest of the 2 x 2 below it. A box (a mesh's bounds
// placed by world-view-projection) is visible when its nearest depth, less
// two steps of 16-bit depth, is at or before the farthest depth of the
// pyramid over its screen rectangle (widened by a pixel each side, then
// taken to the texels of level 0 that stand for its pixels), read at the
// finest level where that rectangle covers at most 2 x 2 texels. A box
// that reaches the near plane or the eye is visible; one wholly before the
// near plane, beyond the far plane or off the source's pixels is not.
// Conservative by construction: a tree can be drawn needlessly, never lost.
#pragma once

#include <epoxy/gl.h>

#include <string>

#include "methods/plain_gl_scene.h"

struct DepthPyramid {
    GLuint texture = 0;  // R32F, all levels
    int width = 0, height = 0, levels = 0;
    int sourceWidth = 0, sourceHeight = 0;
    GLuint copyProgram = 0, reduceProgram = 0;
};

bool CreateDepthPyramid(DepthPyramid &pyramid, int sourceWidth, int sourceHeight, std::string &error);
void DestroyDepthPyramid(DepthPyramid &pyramid);
// Level 0 from the depth texture (top row first, as the scene's targets
// are), then every level above.
void BuildDepthPyramid(DepthPyramid &pyramid, GLuint depthTexture);

// The texture unit the pyramid is bound to for the test.
constexpr int PyramidTextureUnit = 2;
// GLSL (after the #version line) defining `bool BoxAgainstPyramid(mat4 m)`
// for a program that also sets the uniforms BindPyramidForTest sets: the box
// of `bounds` placed by m tested against the pyramid.
const char *PyramidTestSource();
// The pyramid on its unit, and the test's uniforms of `program` for boxes
// of `bounds`.
void BindPyramidForTest(const DepthPyramid &pyramid, GLuint program, const Box &bounds);
