// The truth a culling method is scored against: which trees show at least
// one pixel in the finished frame when every tree, the terrain and the sky
// are drawn in full. An object-id pass: the main scene's geometry in the
// main scene's order, vertex stage, states and 16-bit depth, each tree
// writing its number, read back and counted. Only trees whose box is not
// wholly outside the view are drawn: the others cannot show a pixel.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "methods/plain_gl_scene.h"

struct GroundTruth {
    int width = 0, height = 0;
    GLuint framebuffer = 0, ids = 0, depth = 0;  // R32UI and DEPTH_COMPONENT16
    GlProgram program;
    GLuint list = 0;  // the trees drawn
    // The last frame's ids, top row first: 0 sky or terrain, i + 1 tree i.
    std::vector<uint32_t> pixels;
};

bool CreateGroundTruth(GroundTruth &truth, int width, int height, std::string &error);
void DestroyGroundTruth(GroundTruth &truth);

// pixels[i] = pixels tree i shows in the finished frame (0: hidden); one per
// scene.worlds entry.
std::vector<int> GroundTruthPixels(GlScene &scene, GroundTruth &truth, const D3DXMATRIX &viewProjection);
