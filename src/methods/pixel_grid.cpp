#include "methods/pixel_grid.h"

#include <cstdio>

void PixelShiftOffset(int width, int height, float offset[2]) {
    offset[0] = 2.0f * PixelCentreShift / width;
    offset[1] = -2.0f * PixelCentreShift / height;
}

std::string PixelGridDefines() {
    char defines[64];
    snprintf(defines, sizeof defines, "#define PIXEL_SHIFT %.9g\n", PixelCentreShift);
    return defines;
}
