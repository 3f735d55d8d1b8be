// Image files in memory, as D3DXCreateTextureFromFileA reads them (decoded by
// image_decode.h), and the filters D3DX applies when it makes a texture of one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// 8-bit B, G, R, A per pixel (A8R8G8B8 in memory), rows top first.
struct DecodedImage {
    uint32_t width = 0, height = 0;
    bool hasAlpha = false;  // the file has an alpha channel
    std::vector<uint8_t> pixels;
};

// Decodes a whole image file held in memory within the texture loader's
// limits (TextureImageLimits). Fails, with the reason in `error`, for
// anything that is not a readable image or is too large. Reads nothing
// outside bytes[0, size).
bool DecodeImageFile(const void *bytes, size_t size, DecodedImage &image, std::string &error);

// The side D3DX gives a texture by default for an image side: rounded up to
// a power of two, or the largest power of two within `limit` (the device's
// maximum texture size) when that is smaller.
uint32_t DefaultTextureSide(uint32_t side, uint32_t limit);

// The image filtered to width x height with a triangle (tent) filter as wide
// as the scale, so every source pixel contributes when shrinking and
// neighbours blend when enlarging; edges clamp.
DecodedImage ResampleImage(const DecodedImage &image, uint32_t width, uint32_t height);

// The next mip level: each pixel the 2 x 2 box average of the level above
// (one side stays 1 once it reaches 1).
DecodedImage NextMipLevel(const DecodedImage &image);
