#include "methods/pixel_grid.h"

#include <cstdio>

void PixelShiftOffset(int width, int height, float offset[2]) {
    offset[0] = 2.0f * PixelCentreShift / width;
    offset[1] = -2.0f * PixelCentreShift / height;
}

std::string PixelGridDefines() {
    char defines[160];
    snprintf(defines, sizeof defines, "#define OCCLUSION_SIZE vec2(%d.0, %d.0)\n#define PIXEL_SHIFT %.9g\n",
             OcclusionBufferWidth, OcclusionBufferHeight, PixelCentreShift);
    return defines;
}
