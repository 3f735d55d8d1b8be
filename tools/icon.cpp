// The program's icon: a rounded tile showing the demo's scene, sky over
// grass with a sun, one tree in front and two behind it, the nearer one
// partly hidden. The picture is described in unit coordinates (0..1, y down)
// and sampled on a regular grid inside each pixel, so every size is painted
// from the same shapes, antialiased, with no randomness.
#include "materials.h"

namespace {

struct Point {
    double x, y;
};

struct Tree {
    double x, baseY, height, width;  // trunk centre, ground line, whole height, canopy width
    Color canopy;
};

// Back to front: the last tree is drawn over the others.
const Tree Trees[] = {
    {0.68, 0.64, 0.36, 0.24, {0.13, 0.33, 0.10}},
    {0.48, 0.66, 0.40, 0.26, {0.17, 0.40, 0.12}},
    {0.36, 0.82, 0.60, 0.38, {0.24, 0.52, 0.14}},
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

bool InTriangle(Point p, Point a, Point b, Point c) {
    auto side = [](Point p, Point a, Point b) { return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x); };
    double s0 = side(p, a, b), s1 = side(p, b, c), s2 = side(p, c, a);
    return (s0 >= 0.0 && s1 >= 0.0 && s2 >= 0.0) || (s0 <= 0.0 && s1 <= 0.0 && s2 <= 0.0);
}

// A conifer: a trunk and two stacked triangles, the left half of the canopy
// in the sun's light.
bool TreeColor(const Tree &tree, Point p, Color &color) {
    double top = tree.baseY - tree.height;
    double trunkTop = tree.baseY - tree.height * 0.22;
    if (std::fabs(p.x - tree.x) <= tree.width * 0.09 && p.y >= trunkTop && p.y <= tree.baseY) {
        color = {0.36, 0.24, 0.14};
        return true;
    }
    double half = tree.width * 0.5;
    double lowerTop = top + tree.height * 0.30;
    bool upper = InTriangle(p, {tree.x, top}, {tree.x + half * 0.78, top + tree.height * 0.52},
                            {tree.x - half * 0.78, top + tree.height * 0.52});
    bool lower = InTriangle(p, {tree.x, lowerTop}, {tree.x + half, trunkTop}, {tree.x - half, trunkTop});
    if (!upper && !lower) return false;
    color = p.x < tree.x ? Scale(tree.canopy, 1.25) : tree.canopy;
    return true;
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
