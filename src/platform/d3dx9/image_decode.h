// Image files (BMP, PNG, TGA, PPM/PGM, HDR through stb_image, JPEG through
// libjpeg-turbo) decoded to 8-bit RGBA, with limits on size and memory.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct ImageLimits {
    int max_side;       // pixels, either dimension
    size_t max_pixels;  // width x height
};

// What D3DXCreateTextureFromFileA accepts: the largest side a texture may
// have, and at most 256 MiB of decoded pixels.
constexpr ImageLimits TextureImageLimits = {16384, (size_t)8192 * 8192};

struct RgbaImage {
    int width = 0, height = 0;
    bool has_alpha = false;            // the file has an alpha channel
    std::vector<unsigned char> rgba;   // rows top first, 4 bytes a pixel
};

// Decodes a whole image file held in memory. A file that is not an image,
// is damaged or cut short, or is larger than `limits` (by its header, before
// any pixel is decoded) fails with the reason in `error`. No allocation made
// while decoding exceeds 16 bytes a pixel of the largest image allowed.
bool DecodeImage(const unsigned char *bytes, size_t size, const ImageLimits &limits, RgbaImage &image,
                 std::string &error);
