// The picture a frame leaves in its main target (the back buffer), read back through the
// layer or from plain OpenGL, so the two frames can be shown to be the same
// frame before their times are compared.
#pragma once

#include <cstdint>
#include <vector>

#include "methods/plain_gl_scene.h"

// Pixels as 0xAARRGGBB, top row first.
std::vector<uint32_t> ReadLayerBackBuffer();
std::vector<uint32_t> ReadGlMainTarget(const GlScene &scene);

// Pixels whose red, green or blue differ by more than `tolerance` steps.
int CountDifferingPixels(const std::vector<uint32_t> &a, const std::vector<uint32_t> &b, int tolerance);

// A binary PPM, for looking at both pictures.
void SavePpm(const std::vector<uint32_t> &pixels, int width, int height, const char *path);
