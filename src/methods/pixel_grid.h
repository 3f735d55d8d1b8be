// The targets every method and picture shares, and where their pixels lie.
//
// Sizes: the program's occlusion buffer and its back buffer at start.
// Pixel centres: the layer maps Direct3D's pixel centres (on integer
// coordinates) onto OpenGL's (on half-integers) by shifting transformed
// geometry exactly half a pixel right and down, with the y flip to
// top-row-first targets done in the vertex stage; every pass that must
// cover the scene's own pixels applies the same shift. In a target's pixels
// (row 0 at the top) a point at normalised x, y then lies at
// ((x + 1) w / 2, (1 - y) h / 2), and pixel (i, j)'s centre is (i, j).
#pragma once

#include <string>

#include "device/device.h"
#include "occlusion/occlusion.h"

constexpr int OcclusionBufferWidth = OcclusionWidth, OcclusionBufferHeight = OcclusionHeight;
constexpr int MainTargetWidth = BackBufferWidthAtStart, MainTargetHeight = BackBufferHeightAtStart;
constexpr float PixelCentreShift = 0.5f;  // pixels, right and down

// Where a normalised x or y lands in a target's pixels (pixel centres on integers).
inline double PixelX(double ndcX, int width) { return (ndcX + 1.0) * (width / 2); }
inline double PixelY(double ndcY, int height) { return (1.0 - ndcY) * (height / 2); }

// The shift in normalised coordinates for a target of that size, as the
// vertex stage adds it (before its y flip): x right, y down.
void PixelShiftOffset(int width, int height, float offset[2]);

// The shaders' copy of these rules, put after a shader's #version line:
// PIXEL_SHIFT (float).
std::string PixelGridDefines();
