// The demo's textures, painted procedurally: grass, bark and leaves tile
// seamlessly (the renderer wraps them); the six sky faces sample one sky
// function of direction, so neighbouring faces meet without a seam.
//
// The renderer samples without mipmaps, so the tiling textures keep their
// fine detail low in contrast: distant ground then shimmers little.
#include "materials.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace {

Image NewImage(int width, int height) {
    Image image;
    image.width = width;
    image.height = height;
    image.pixels.assign(size_t(width) * size_t(height) * 3, 0);
    return image;
}

void SetPixel(Image &image, int x, int y, Color c) {
    size_t i = (size_t(y) * size_t(image.width) + size_t(x)) * 3;
    image.pixels[i] = ToByte(c.r);
    image.pixels[i + 1] = ToByte(c.g);
    image.pixels[i + 2] = ToByte(c.b);
}

Color GetPixel(const Image &image, int x, int y) {
    size_t i = (size_t(y) * size_t(image.width) + size_t(x)) * 3;
    return {image.pixels[i] / 255.0, image.pixels[i + 1] / 255.0, image.pixels[i + 2] / 255.0};
}

// Blends c over the pixel at (x, y), wrapping around the edges so that
// strokes crossing an edge continue on the opposite side.
void BlendWrapped(Image &image, int x, int y, Color c, double alpha) {
    x = int(Wrap(x, image.width));
    y = int(Wrap(y, image.height));
    SetPixel(image, x, y, Mix(GetPixel(image, x, y), c, alpha));
}

Color Palette(Rng &rng, Color a, Color b) {
    return Mix(a, b, rng.Next01());
}

}  // namespace

Image MakeGrassTexture() {
    const int size = 256;
    Image image = NewImage(size, size);
    // Ground layer: a mid green with soft patches and a faint grain.
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            double patches = Fbm2(x / 64.0, y / 64.0, 3, 11, 4, 4);
            double grain = ValueNoise2(x / 2.0, y / 2.0, 12, size / 2, size / 2);
            Color c = Mix({0.30, 0.47, 0.16}, {0.42, 0.56, 0.20}, patches);
            SetPixel(image, x, y, Scale(c, 0.90 + 0.12 * grain));
        }
    }
    // Blades: short strokes, darker at the root and lighter at the tip.
    Rng rng{0x6A09E667F3BCC909ULL};
    for (int i = 0; i < 18000; ++i) {
        double x = rng.Range(0, size), y = rng.Range(0, size);
        double angle = rng.Range(0, 6.283185307179586);
        double length = rng.Range(2.0, 5.0);
        Color c = Palette(rng, {0.30, 0.50, 0.14}, {0.52, 0.66, 0.24});
        double dx = std::cos(angle), dy = std::sin(angle);
        for (double s = 0.0; s <= length; s += 0.5) {
            double tipward = s / length;
            BlendWrapped(image, int(std::floor(x + dx * s)), int(std::floor(y + dy * s)),
                         Scale(c, 0.85 + 0.25 * tipward), 0.55);
        }
    }
    return image;
}

Image MakeBarkTexture() {
    const int size = 256;
    Image image = NewImage(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            // Long vertical fissures: noise stretched along the trunk, folded
            // into ridges that dip where the noise crosses its middle.
            double n = Fbm2(x / 16.0, y / 64.0, 4, 21, 16, 4);
            double ridge = 1.0 - std::fabs(2.0 * n - 1.0);
            double crack = SmoothStep(0.72, 0.95, ridge);
            double grain = ValueNoise2(x / 2.0, y / 8.0, 22, 128, 32);
            double tone = Fbm2(x / 64.0, y / 64.0, 2, 23, 4, 4);
            Color plate = Mix({0.42, 0.31, 0.21}, {0.52, 0.42, 0.32}, tone);
            Color c = Mix(plate, {0.16, 0.10, 0.06}, crack);
            SetPixel(image, x, y, Scale(c, 0.88 + 0.22 * grain));
        }
    }
    return image;
}

Image MakeLeavesTexture() {
    const int size = 256;
    Image image = NewImage(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            double shade = Fbm2(x / 32.0, y / 32.0, 3, 31, 8, 8);
            SetPixel(image, x, y, Mix({0.07, 0.18, 0.04}, {0.15, 0.30, 0.08}, shade));
        }
    }
    // Leaves: pointed ovals with one side lit and a darker midrib.
    Rng rng{0xBB67AE8584CAA73BULL};
    for (int i = 0; i < 2200; ++i) {
        double cx = rng.Range(0, size), cy = rng.Range(0, size);
        double angle = rng.Range(0, 6.283185307179586);
        double halfLength = rng.Range(6.0, 10.0);
        double halfWidth = halfLength * rng.Range(0.35, 0.5);
        Color c = Palette(rng, {0.24, 0.46, 0.10}, {0.54, 0.74, 0.22});
        double ax = std::cos(angle), ay = std::sin(angle);
        int reach = int(halfLength) + 1;
        for (int py = -reach; py <= reach; ++py) {
            for (int px = -reach; px <= reach; ++px) {
                double ox = px + 0.5 + std::floor(cx) - cx, oy = py + 0.5 + std::floor(cy) - cy;
                double along = (ox * ax + oy * ay) / halfLength;
                double across = -ox * ay + oy * ax;
                double width = halfWidth * (1.0 - along * along);
                if (along < -1.0 || along > 1.0 || std::fabs(across) > width) continue;
                double side = 0.82 + 0.3 * (across / (width + 1e-9) * 0.5 + 0.5);
                double rim = SmoothStep(0.6, 1.0, std::fabs(across) / (width + 1e-9));
                Color leaf = Scale(c, side * (1.0 - 0.25 * rim));
                if (std::fabs(across) < 0.6) leaf = Scale(leaf, 0.8);
                BlendWrapped(image, int(std::floor(cx)) + px, int(std::floor(cy)) + py, leaf, 1.0);
            }
        }
    }
    return image;
}

namespace {

// x raised to 2^n by repeated squaring (no pow, same result everywhere).
double PowerOfTwoPower(double x, int n) {
    for (int i = 0; i < n; ++i) x *= x;
    return x;
}

// The sky seen along a unit direction from the middle of the skybox.
Color SkyColor(Vec3 d) {
    const Color zenith{0.24, 0.44, 0.80};
    const Color horizon{0.74, 0.82, 0.90};
    const Color haze{0.66, 0.73, 0.74};
    const Color farGround{0.38, 0.47, 0.32};
    const Color nearGround{0.24, 0.32, 0.17};
    double elevation = d.y;
    if (elevation < 0.0) {
        // Below the horizon: distant land fading into haze.
        double depth = -elevation;
        Color c = Mix(haze, farGround, SmoothStep(0.0, 0.08, depth));
        return Mix(c, nearGround, SmoothStep(0.08, 0.6, depth));
    }
    double up = 1.0 - elevation;
    Color c = Mix(zenith, horizon, up * up * up);

    // Clouds: a noise layer on a plane above the ground, seen in perspective,
    // thinning towards the horizon where they would only alias.
    double reach = 1.0 / (elevation + 0.06);
    double px = d.x * reach * 1.4, pz = d.z * reach * 1.4;
    double density = Fbm2(px + 17.0, pz - 9.0, 6, 41);
    double cover = SmoothStep(0.50, 0.72, density);
    double body = Fbm2(px * 2.0 + 3.0, pz * 2.0 + 5.0, 4, 42);
    Color cloud = Mix({0.72, 0.74, 0.79}, {0.98, 0.98, 0.97}, SmoothStep(0.3, 0.8, body) * 0.6 + cover * 0.4);
    double fade = SmoothStep(0.02, 0.22, elevation);
    c = Mix(c, cloud, cover * fade * 0.92);

    // The sun: a wide warm glow, a tight bright halo and the disc.
    double toward = Dot(d, SunDirection);
    if (toward > 0.0) {
        double glow = PowerOfTwoPower(toward, 3) * 0.18 + PowerOfTwoPower(toward, 8) * 0.5;
        c = Mix(c, {1.0, 0.96, 0.86}, Clamp01(glow));
        if (toward > 0.9994) c = {1.0, 1.0, 0.97};
    }
    return c;
}

}  // namespace

Image MakeSkyTexture(const SkyFace &face, int size) {
    Image image = NewImage(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            Vec3 point = SkyFacePoint(face, (x + 0.5) / size, (y + 0.5) / size);
            SetPixel(image, x, y, SkyColor(Normalize(point)));
        }
    }
    return image;
}

bool WritePng(const std::string &path, const Image &image) {
    return stbi_write_png(path.c_str(), image.width, image.height, image.channels, image.pixels.data(),
                          image.width * image.channels) != 0;
}
