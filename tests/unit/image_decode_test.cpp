// Image decoding under the texture loader: every seed format decodes, a file
// cut short or announcing too many pixels is refused, and a compressed
// stream that inflates past the limits fails instead of taking the memory.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "d3dx9/image_decode.h"

namespace {

const ImageLimits SmallLimits = {256, 64 * 64};

std::string ReadFile(const std::filesystem::path &path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

bool Decode(const std::string &bytes, const ImageLimits &limits, RgbaImage &image, std::string &error) {
    return DecodeImage((const unsigned char *)bytes.data(), bytes.size(), limits, image, error);
}

void AppendBigEndian(std::string &to, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) to += (char)(value >> shift);
}

void AppendPngChunk(std::string &png, const char *type, const std::string &data) {
    AppendBigEndian(png, data.size());
    std::string body = type + data;
    png += body;
    AppendBigEndian(png, crc32(0, (const Bytef *)body.data(), body.size()));
}

// An 8-bit RGBA PNG of the given header size whose pixel data is `raw`
// (filter bytes included), compressed.
std::string Png(uint32_t width, uint32_t height, const std::string &raw) {
    std::string png = "\x89PNG\r\n\x1a\n", header;
    AppendBigEndian(header, width);
    AppendBigEndian(header, height);
    header += std::string("\x08\x06\x00\x00\x00", 5);
    AppendPngChunk(png, "IHDR", header);
    std::string packed(compressBound(raw.size()), '\0');
    uLongf packed_size = packed.size();
    compress((Bytef *)packed.data(), &packed_size, (const Bytef *)raw.data(), raw.size());
    packed.resize(packed_size);
    AppendPngChunk(png, "IDAT", packed);
    AppendPngChunk(png, "IEND", "");
    return png;
}

TEST(ImageDecode, EverySeedFormatDecodesAndIsRefusedWhenCutShort) {
    int seeds = 0;
    for (const auto &entry : std::filesystem::directory_iterator(OC_SOURCE_DIR "/tests/fuzz/texture-seeds")) {
        std::string name = entry.path().filename().string();
        std::string bytes = ReadFile(entry.path());
        RgbaImage image;
        std::string error;
        ASSERT_TRUE(Decode(bytes, TextureImageLimits, image, error)) << name << ": " << error;
        EXPECT_EQ(image.width, 7) << name;
        EXPECT_EQ(image.height, 5) << name;
        EXPECT_EQ(image.rgba.size(), 7u * 5 * 4) << name;
        if (name.find("alpha") != std::string::npos || name.find("rgba") != std::string::npos ||
            name.find("argb") != std::string::npos || name.find("transparent") != std::string::npos) {
            EXPECT_TRUE(image.has_alpha) << name;
        }
        for (size_t keep : {bytes.size() / 2, bytes.size() - 2}) {
            EXPECT_FALSE(Decode(bytes.substr(0, keep), TextureImageLimits, image, error))
                << name << " cut to " << keep << " bytes";
            EXPECT_FALSE(error.empty()) << name;
        }
        seeds++;
    }
    EXPECT_GE(seeds, 20);
}

// Images that would decode, but for the limits; and headers no memory holds.
TEST(ImageDecode, TooManyPixelsAreRefusedBeforeDecoding) {
    struct Case {
        uint32_t width, height;
        bool complete;  // the file holds every pixel
    } cases[] = {{257, 1, true}, {1, 257, true}, {65, 64, true}, {100000, 100000, false}, {0x7fffffff, 2, false}};
    for (const Case &c : cases) {
        std::string raw(c.complete ? c.height * (1 + c.width * 4) : 64, '\0');
        RgbaImage image;
        std::string error;
        EXPECT_TRUE(Decode(Png(c.width, c.height, raw), {1 << 20, 1 << 20}, image, error) || !c.complete);
        EXPECT_FALSE(Decode(Png(c.width, c.height, raw), SmallLimits, image, error));
        EXPECT_FALSE(error.empty()) << c.width << " x " << c.height;
        if (c.complete) {
            EXPECT_NE(error.find("out of range"), std::string::npos) << error;
        }
    }
    // A JPEG's frame header says 300 x 300 (its data is for 7 x 5).
    std::string jpeg = ReadFile(OC_SOURCE_DIR "/tests/fuzz/texture-seeds/baseline.jpg");
    size_t frame = jpeg.find("\xFF\xC0");
    ASSERT_NE(frame, std::string::npos);
    jpeg.replace(frame + 5, 4, std::string("\x01\x2C\x01\x2C", 4));
    RgbaImage image;
    std::string error;
    EXPECT_FALSE(Decode(jpeg, SmallLimits, image, error));
    EXPECT_NE(error.find("300 x 300 pixels is out of range"), std::string::npos) << error;
}

TEST(ImageDecode, AStreamInflatingPastTheLimitsRunsOutOfAllowedMemory) {
    RgbaImage image;
    std::string error;
    std::string exact(64 * (1 + 64 * 4), '\0');
    EXPECT_TRUE(Decode(Png(64, 64, exact), SmallLimits, image, error)) << error;
    // 16 MiB of zeros behind a 64 x 64 header: far more than 16 bytes a pixel.
    EXPECT_FALSE(Decode(Png(64, 64, std::string(16 << 20, '\0')), SmallLimits, image, error));
    EXPECT_NE(error.find("memory"), std::string::npos) << error;
}

}  // namespace
