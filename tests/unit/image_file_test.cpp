// Image files become textures as D3DX makes them by default: power-of-two
// sides within the device's limit, the image filtered to fill them.
#include <gtest/gtest.h>

#include <string>

#include "d3dx9/image_file.h"

namespace {

DecodedImage Row(std::initializer_list<uint32_t> argb) {
    DecodedImage image;
    image.width = uint32_t(argb.size());
    image.height = 1;
    for (uint32_t pixel : argb)
        for (int shift : {0, 8, 16, 24}) image.pixels.push_back(uint8_t(pixel >> shift));
    return image;
}

uint32_t Pixel(const DecodedImage &image, uint32_t x, uint32_t y = 0) {
    const uint8_t *p = &image.pixels[(size_t(y) * image.width + x) * 4];
    return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

TEST(ImageFile, TheTriangleFilterKeepsFlatAreasAndBlendsNeighbours) {
    // 3 -> 4: the ends keep their colours, inner pixels mix 3 : 5.
    DecodedImage wider = ResampleImage(Row({0xffff0000, 0xff00ff00, 0xff0000ff}), 4, 1);
    EXPECT_EQ(Pixel(wider, 0), 0xffff0000u);
    EXPECT_EQ(Pixel(wider, 1), 0xff609f00u);
    EXPECT_EQ(Pixel(wider, 2), 0xff009f60u);
    EXPECT_EQ(Pixel(wider, 3), 0xff0000ffu);
    // 4 -> 2: every source pixel counts, nearer ones more.
    DecodedImage narrower = ResampleImage(Row({0x00000000, 0x40404040, 0x80808080, 0xc0c0c0c0}), 2, 1);
    EXPECT_EQ(Pixel(narrower, 0), 0x28282828u);
    EXPECT_EQ(Pixel(narrower, 1), 0x98989898u);
    // A flat image stays flat at any size, in both directions.
    DecodedImage flat = Row({0x80336699, 0x80336699, 0x80336699});
    DecodedImage grown = ResampleImage(flat, 8, 5);
    for (uint32_t y = 0; y < 5; ++y)
        for (uint32_t x = 0; x < 8; ++x) EXPECT_EQ(Pixel(grown, x, y), 0x80336699u) << x << ", " << y;
}

TEST(ImageFile, MipLevelsAverageTwoByTwo) {
    DecodedImage level = NextMipLevel(Row({0x00000000, 0x04040404, 0x08080808, 0xfcfcfcfc}));
    ASSERT_EQ(level.width, 2u);
    EXPECT_EQ(Pixel(level, 0), 0x02020202u);
    EXPECT_EQ(Pixel(level, 1), 0x82828282u);
}

}  // namespace
