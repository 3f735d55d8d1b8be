// What a method saw, as pictures: a depth texture (the occlusion buffer,
// one level of the depth pyramid, the CPU rasteriser's buffer) turned into
// a grey image of the occlusion buffer's size, near bright and far dark, nothing drawn in blue.
#pragma once

#include <epoxy/gl.h>

#include <string>

#include "methods/pixel_grid.h"

constexpr int DepthViewWidth = OcclusionBufferWidth, DepthViewHeight = OcclusionBufferHeight;

struct DepthView {
    GLuint framebuffer = 0, image = 0;  // RGBA8, row 0 at the top as the buffers keep it
};

struct DepthViews {
    GLuint program = 0, vertexArray = 0;
    GLint levelUniform = -1;
    GLuint cpuDepth = 0;  // R32F upload of the CPU buffer
    DepthView occlusion, pyramid, cpu;
};

bool CreateDepthViews(DepthViews &views, std::string &error);
void DestroyDepthViews(DepthViews &views);

// Renders `level` of `depth` (a depth or R32F texture with a buffer of
// sourceWidth x sourceHeight in its top-left texels at level 0), scaled to
// the view, into `view`.
void ShowDepth(DepthViews &views, DepthView &view, GLuint depth, int level, int sourceWidth, int sourceHeight);
// The CPU buffer: DepthViewWidth x DepthViewHeight floats, row 0 at the top, 0 near .. 1 far.
void ShowCpuDepth(DepthViews &views, const float *depth);
