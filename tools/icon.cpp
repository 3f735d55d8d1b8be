// The program's icon: a rounded tile showing the demo's scene, sky over
// grass with a sun, one tree in front and two behind it, partly hidden. The picture is described in unit coordinates (0..1, y down)
// and sampled on a regular grid inside each pixel, so every size is painted
// from the same shapes, antialiased, with no randomness.
#include "materials.h"

namespace {

struct Point {
    double x, y;
};

struct Tree {
    double x, baseY, height;  // trunk centre, ground line, whole height
    Color canopy;
};

// Back to front: the last tree is drawn over the others.
const Tree Trees[] = {
    {0.70, 0.66, 0.34, {0.16, 0.34, 0.10}},
    {0.50, 0.68, 0.40, {0.20, 0.40, 0.12}},
    {0.34, 0.84, 0.60, {0.26, 0.50, 0.15}},
};

// A canopy is a cluster of round leaf masses, given relative to the tree's
// top centre in units of its height.
struct Blob {
    double x, y, radius;
};
const Blob Canopy[] = {
    {-0.20, 0.30, 0.16}, {0.20, 0.30, 0.16}, {0.0, 0.38, 0.18}, {-0.11, 0.16, 0.15}, {0.11, 0.17, 0.14},
};

const double TileMin = 0.04, TileMax = 0.96, TileRadius = 0.18;
const double Horizon = 0.62;

// Signed distance to the tile's edge: negative inside.
double TileDistance(Point p) {
    double inner = TileRadius - TileMin;
    double centre = 0.5, half = 0.5 - TileMin - inner;
    double dx = std::fabs(p.x - centre) - half, dy = std::fabs(p.y - centre) - half;
    double outsideX = dx > 0.0 ? dx : 0.0, outsideY = dy > 0.0 ? dy : 0.0;
    double inside = dx > dy ? dx : dy;
    return std::sqrt(outsideX * outsideX + outsideY * outsideY) + (inside < 0.0 ? inside : 0.0) - inner;
}

// A broadleaf tree: a trunk under leaf masses lit from the upper left.
bool TreeColor(const Tree &tree, Point p, Color &color) {
    double top = tree.baseY - tree.height;
    bool found = false;
    for (const Blob &blob : Canopy) {
        double dx = (p.x - tree.x) / tree.height - blob.x, dy = (p.y - top) / tree.height - blob.y;
        if (dx * dx + dy * dy > blob.radius * blob.radius) continue;
        double light = Clamp01(0.5 - (dx + dy) / (2.0 * blob.radius));
        color = Scale(tree.canopy, 0.8 + 0.6 * light);
        found = true;
    }
    if (found) return true;
    if (std::fabs(p.x - tree.x) <= tree.height * 0.05 && p.y >= top + tree.height * 0.4 && p.y <= tree.baseY) {
        color = {0.36, 0.24, 0.14};
        return true;
    }
    return false;
}

Color SceneColor(Point p) {
    Color color;
    if (p.y < Horizon) {
        color = Mix({0.24, 0.44, 0.80}, {0.74, 0.82, 0.90}, SmoothStep(TileMin, Horizon, p.y));
        double sunX = p.x - 0.76, sunY = p.y - 0.24;
        if (sunX * sunX + sunY * sunY < 0.09 * 0.09) color = {1.0, 0.95, 0.70};
    } else {
        color = Mix({0.42, 0.60, 0.22}, {0.26, 0.44, 0.14}, SmoothStep(Horizon, TileMax, p.y));
    }
    for (const Tree &tree : Trees) TreeColor(tree, p, color);
    // A darker rim keeps the tile apart from a light background.
    if (TileDistance(p) > -0.025) color = Scale(color, 0.6);
    return color;
}

}  // namespace

Image MakeIcon(int size) {
    Image image;
    image.width = image.height = size;
    image.channels = 4;
    image.pixels.assign(size_t(size) * size_t(size) * 4, 0);
    // Small sizes need more samples a pixel for the same smoothness.
    const int grid = size <= 32 ? 8 : 4;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            Color sum{0.0, 0.0, 0.0};
            int covered = 0;
            for (int sy = 0; sy < grid; ++sy) {
                for (int sx = 0; sx < grid; ++sx) {
                    Point p{(x + (sx + 0.5) / grid) / size, (y + (sy + 0.5) / grid) / size};
                    if (TileDistance(p) > 0.0) continue;
                    Color c = SceneColor(p);
                    sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
                    ++covered;
                }
            }
            if (covered == 0) continue;
            uint8_t *pixel = &image.pixels[(size_t(y) * size_t(size) + size_t(x)) * 4];
            pixel[0] = ToByte(sum.r / covered);
            pixel[1] = ToByte(sum.g / covered);
            pixel[2] = ToByte(sum.b / covered);
            pixel[3] = ToByte(double(covered) / double(grid * grid));
        }
    }
    return image;
}
