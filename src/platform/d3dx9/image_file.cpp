#include "image_file.h"

#include "image_decode.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

struct Tap {
    uint32_t index;
    float weight;
};

// For each of `to` output positions, the source positions of `from` it
// reads and their normalised triangle weights.
std::vector<std::vector<Tap>> TriangleTaps(uint32_t from, uint32_t to) {
    double scale = double(from) / to;
    double radius = std::max(1.0, scale);
    std::vector<std::vector<Tap>> taps(to);
    for (uint32_t x = 0; x < to; ++x) {
        double centre = (x + 0.5) * scale;
        long first = long(std::floor(centre - radius)), last = long(std::ceil(centre + radius));
        double total = 0;
        for (long i = first; i <= last; ++i) {
            double weight = 1 - std::fabs(centre - (i + 0.5)) / radius;
            if (weight <= 0) continue;
            uint32_t index = uint32_t(std::clamp<long>(i, 0, long(from) - 1));
            taps[x].push_back({index, float(weight)});
            total += weight;
        }
        for (Tap &tap : taps[x]) tap.weight = float(tap.weight / total);
    }
    return taps;
}

}  // namespace

bool DecodeImageFile(const void *bytes, size_t size, DecodedImage &image, std::string &error) {
    image = DecodedImage();
    RgbaImage rgba;
    if (!DecodeImage(static_cast<const unsigned char *>(bytes), size, TextureImageLimits, rgba, error)) return false;
    image.width = uint32_t(rgba.width);
    image.height = uint32_t(rgba.height);
    image.hasAlpha = rgba.has_alpha;
    image.pixels.resize(rgba.rgba.size());
    for (size_t i = 0; i + 3 < rgba.rgba.size(); i += 4) {
        image.pixels[i + 0] = rgba.rgba[i + 2];
        image.pixels[i + 1] = rgba.rgba[i + 1];
        image.pixels[i + 2] = rgba.rgba[i + 0];
        image.pixels[i + 3] = rgba.rgba[i + 3];
    }
    return true;
}

uint32_t DefaultTextureSide(uint32_t side, uint32_t limit) {
    uint32_t power = 1;
    while (power < side && power <= limit / 2) power *= 2;
    return power;
}

DecodedImage ResampleImage(const DecodedImage &image, uint32_t width, uint32_t height) {
    if (width == image.width && height == image.height) return image;
    std::vector<std::vector<Tap>> across = TriangleTaps(image.width, width), down = TriangleTaps(image.height, height);
    DecodedImage out;
    out.width = width;
    out.height = height;
    out.hasAlpha = image.hasAlpha;
    out.pixels.resize(size_t(width) * height * 4);
    // One output row at a time: the source rows it reads blended into one
    // row of floats, then that row filtered across.
    std::vector<float> blended(size_t(image.width) * 4);
    for (uint32_t y = 0; y < height; ++y) {
        std::fill(blended.begin(), blended.end(), 0.0f);
        for (const Tap &tap : down[y]) {
            const uint8_t *row = &image.pixels[size_t(tap.index) * image.width * 4];
            for (size_t i = 0; i < blended.size(); ++i) blended[i] += tap.weight * row[i];
        }
        for (uint32_t x = 0; x < width; ++x)
            for (int c = 0; c < 4; ++c) {
                float sum = 0;
                for (const Tap &tap : across[x]) sum += tap.weight * blended[size_t(tap.index) * 4 + c];
                out.pixels[(size_t(y) * width + x) * 4 + c] = uint8_t(std::clamp(std::lround(sum), 0L, 255L));
            }
    }
    return out;
}

DecodedImage NextMipLevel(const DecodedImage &image) {
    uint32_t width = image.width, height = image.height;
    DecodedImage out;
    out.width = width > 1 ? width / 2 : 1;
    out.height = height > 1 ? height / 2 : 1;
    out.hasAlpha = image.hasAlpha;
    out.pixels.resize(size_t(out.width) * out.height * 4);
    for (uint32_t y = 0; y < out.height; ++y)
        for (uint32_t x = 0; x < out.width; ++x)
            for (int c = 0; c < 4; ++c) {
                uint32_t x0 = std::min(2 * x, width - 1), x1 = std::min(2 * x + 1, width - 1);
                uint32_t y0 = std::min(2 * y, height - 1), y1 = std::min(2 * y + 1, height - 1);
                uint32_t sum = image.pixels[(size_t(y0) * width + x0) * 4 + c] +
                               image.pixels[(size_t(y0) * width + x1) * 4 + c] +
                               image.pixels[(size_t(y1) * width + x0) * 4 + c] +
                               image.pixels[(size_t(y1) * width + x1) * 4 + c];
                out.pixels[(size_t(y) * out.width + x) * 4 + c] = uint8_t((sum + 2) / 4);
            }
    return out;
}
