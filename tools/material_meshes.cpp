// The demo's meshes: terrain, skybox, tree and the tree's bounding shape.
// Lighting is off in the renderer, so every shade (sun, sky light, ambient
// occlusion) is baked into the vertex colours here.
#include "materials.h"

#include <algorithm>
#include <array>
#include <map>
#include <utility>

namespace {

Color ClampColor(Color c) { return {Clamp01(c.r), Clamp01(c.g), Clamp01(c.b)}; }

// ---------------------------------------------------------------- terrain

double TerrainHeight(double x, double z) {
    // Inside the forest the ground only ripples by a few tenths of a unit so
    // that trees standing at y = 0 touch it; beyond, hills rise towards the
    // skybox walls and close the horizon.
    double ring = std::max(std::fabs(x), std::fabs(z));
    double ripple = 0.55 * Fbm2(x / 45.0, z / 45.0, 3, 51) - 0.15;
    double rise = SmoothStep(ForestHalfSize + 10.0, 340.0, ring);
    double hills = Fbm2(x / 150.0 + 7.3, z / 150.0 - 2.1, 4, 52);
    double amplitude = 14.0 + 50.0 * SmoothStep(260.0, 500.0, ring);
    return Lerp(ripple, amplitude * (2.2 * hills - 0.45), rise);
}

// How much of the sun a terrain point sees: marches towards the sun over the
// height field and darkens softly where a hill comes close to the ray.
double TerrainSunVisibility(Vec3 p) {
    double visibility = 1.0;
    for (double t = 4.0; t < 800.0; t *= 1.06) {
        Vec3 q = p + SunDirection * t;
        if (std::fabs(q.x) > TerrainHalfSize || std::fabs(q.z) > TerrainHalfSize) break;
        double clearance = q.y - TerrainHeight(q.x, q.z);
        visibility = std::min(visibility, clearance / (0.05 * t));
    }
    return Clamp01(visibility);
}

Color TerrainColor(Vec3 p, Vec3 normal) {
    double sun = std::max(0.0, Dot(normal, SunDirection)) * TerrainSunVisibility(p);
    double sky = 0.5 + 0.5 * normal.y;
    double light = 0.42 * sky + 0.68 * sun;
    // Drier, yellower patches break up the tiling of the grass texture.
    double dryness = SmoothStep(0.45, 0.7, Fbm2(p.x / 70.0, p.z / 70.0, 3, 61));
    Color tint = Mix({0.96, 1.0, 0.95}, {1.12, 1.02, 0.78}, dryness);
    // Far hills take a little of the sky's blue.
    double ring = std::max(std::fabs(p.x), std::fabs(p.z));
    tint = Mix(tint, {0.92, 1.0, 1.12}, 0.7 * SmoothStep(250.0, 520.0, ring));
    return ClampColor(Scale(tint, light));
}

}  // namespace

Mesh MakeTerrain() {
    const int cells = 80;
    const double step = 2.0 * TerrainHalfSize / cells;
    const double tile = 6.0;  // world units per repeat of the grass texture
    Mesh mesh;
    mesh.materials.push_back({"Grass", {1, 1, 1}, "grass.png"});
    for (int row = 0; row <= cells; ++row) {
        for (int column = 0; column <= cells; ++column) {
            double x = -TerrainHalfSize + column * step, z = -TerrainHalfSize + row * step;
            Vec3 p{x, TerrainHeight(x, z), z};
            const double e = 1.0;
            Vec3 normal = Normalize({TerrainHeight(x - e, z) - TerrainHeight(x + e, z), 2.0 * e,
                                     TerrainHeight(x, z - e) - TerrainHeight(x, z + e)});
            AddVertex(mesh, {p, normal, x / tile, -z / tile, TerrainColor(p, normal)});
        }
    }
    for (int row = 0; row < cells; ++row) {
        for (int column = 0; column < cells; ++column) {
            uint32_t i00 = uint32_t(row * (cells + 1) + column), i10 = i00 + 1;
            uint32_t i01 = i00 + uint32_t(cells + 1), i11 = i01 + 1;
            AddTriangle(mesh, i00, i01, i10, 0);
            AddTriangle(mesh, i10, i01, i11, 0);
        }
    }
    return mesh;
}

// ---------------------------------------------------------------- skybox

Mesh MakeSkybox() {
    Mesh mesh;
    mesh.hasColors = false;
    for (uint32_t f = 0; f < 6; ++f) {
        const SkyFace &face = SkyFaces[f];
        mesh.materials.push_back({face.name, {1, 1, 1}, face.textureFile});
        Vec3 inward = face.forward * -1.0;
        uint32_t corner[4];
        const double uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        for (int k = 0; k < 4; ++k) {
            Vec3 p = SkyFacePoint(face, uv[k][0], uv[k][1]) * SkyboxHalfSize;
            corner[k] = AddVertex(mesh, {p, inward, uv[k][0], uv[k][1], {1, 1, 1}});
        }
        AddTriangle(mesh, corner[0], corner[1], corner[2], f);
        AddTriangle(mesh, corner[0], corner[2], corner[3], f);
    }
    return mesh;
}

// ---------------------------------------------------------------- tree

namespace {

enum TreeMaterial : uint32_t { BarkMaterial = 0, LeavesMaterial = 1 };

// A lump of foliage: a noisy sphere.
struct Blob {
    Vec3 centre;
    double radius;
};

// The crown: a core blob, then three layers around it (the six of the lowest
// layer, indices 1 to 6, are where the boughs go) and a top.
const size_t LowestLayerFirst = 1, LowestLayerCount = 6;

std::vector<Blob> CrownBlobs() {
    const double degrees = 3.141592653589793 / 180.0;
    Rng rng{0x3C6EF372FE94F82BULL};
    std::vector<Blob> blobs;
    blobs.push_back({{0.0, 3.4, 0.0}, 3.4});
    struct Layer {
        int count;
        double y, distance, minRadius, maxRadius, turn;
    };
    const Layer layers[] = {
        {int(LowestLayerCount), 0.2, 3.5, 2.4, 2.8, 0.0},
        {5, 3.4, 3.4, 2.5, 2.9, 30.0},
        {3, 6.4, 1.8, 2.3, 2.7, 15.0},
    };
    for (const Layer &layer : layers) {
        for (int k = 0; k < layer.count; ++k) {
            double angle = (layer.turn + 360.0 * k / layer.count + rng.Range(-12, 12)) * degrees;
            double distance = layer.distance + rng.Range(-0.3, 0.3);
            Vec3 centre{std::cos(angle) * distance, layer.y + rng.Range(-0.4, 0.4),
                        std::sin(angle) * distance};
            blobs.push_back({centre, rng.Range(layer.minRadius, layer.maxRadius)});
        }
    }
    blobs.push_back({{0.3, 8.3, -0.2}, 2.1});
    return blobs;
}

// Whether a ray meets a blob's inner sphere (most of the lumpy surface lies
// outside it). A ray starting inside counts as blocked.
bool RayHitsBlob(Vec3 origin, Vec3 direction, const Blob &blob) {
    double radius = blob.radius * 0.9;
    Vec3 offset = origin - blob.centre;
    double b = Dot(offset, direction);
    double c = Dot(offset, offset) - radius * radius;
    if (c <= 0.0) return true;
    return b < 0.0 && b * b - c > 0.0;
}

bool RayBlocked(Vec3 origin, Vec3 direction, const std::vector<Blob> &blobs, size_t skip) {
    for (size_t i = 0; i < blobs.size(); ++i)
        if (i != skip && RayHitsBlob(origin, direction, blobs[i])) return true;
    return false;
}

// Evenly spread unit directions (a Fibonacci sphere) for ambient occlusion.
std::vector<Vec3> SphereDirections(int count) {
    std::vector<Vec3> directions;
    for (int i = 0; i < count; ++i) {
        double y = 1.0 - 2.0 * (i + 0.5) / count;
        double r = std::sqrt(1.0 - y * y);
        double phi = i * 2.399963229728653;
        directions.push_back({std::cos(phi) * r, y, std::sin(phi) * r});
    }
    return directions;
}

// Share of the sky around `normal` that other blobs hide, weighted towards
// the normal.
double FoliageOcclusion(Vec3 p, Vec3 normal, const std::vector<Blob> &blobs, size_t own) {
    static const std::vector<Vec3> directions = SphereDirections(48);
    double hidden = 0.0, total = 0.0;
    for (Vec3 d : directions) {
        double weight = Dot(d, normal);
        if (weight <= 0.0) continue;
        total += weight;
        if (RayBlocked(p + normal * 0.05, d, blobs, own)) hidden += weight;
    }
    return total > 0.0 ? hidden / total : 0.0;
}

Color FoliageColor(Vec3 p, Vec3 normal, const std::vector<Blob> &blobs, size_t own, Color tint) {
    double occlusion = FoliageOcclusion(p, normal, blobs, own);
    double sun = std::max(0.0, Dot(normal, SunDirection));
    if (RayBlocked(p + normal * 0.05, SunDirection, blobs, own)) sun *= 0.15;
    double sky = 0.5 + 0.5 * normal.y;
    double light = (0.22 + 0.42 * sky) * (1.0 - 0.75 * occlusion) + 0.75 * sun;
    light *= 0.7 + 0.3 * SmoothStep(-3.0, 10.0, p.y);        // the lower crown is in its own shade
    light *= Lerp(0.55, 1.0, SmoothStep(-0.9, 0.2, normal.y));  // and so are the undersides
    // Sunlit leaves look warmer, shaded ones bluer.
    Color hue = Mix({0.86, 0.96, 1.08}, {1.06, 1.02, 0.84}, Clamp01(sun * 1.5));
    return ClampColor(Scale(Modulate(tint, hue), light));
}

Color BarkColor(Vec3 p, Vec3 normal, const std::vector<Blob> &blobs) {
    double sun = std::max(0.0, Dot(normal, SunDirection));
    if (RayBlocked(p, SunDirection, blobs, blobs.size())) sun *= 0.15;
    double sky = 0.5 + 0.5 * normal.y;
    double light = 0.38 + 0.3 * sky + 0.5 * sun;
    light *= 0.6 + 0.4 * SmoothStep(TreeBaseY, TreeBaseY + 1.5, p.y);  // grass and roots at the foot
    light *= 1.0 - 0.45 * SmoothStep(-7.0, -1.0, p.y);                  // under the canopy
    return ClampColor({light, light, light});
}

// The unit direction at `angle` around a ring across `axis`.
Vec3 RingDirection(Vec3 axis, double angle) {
    Vec3 side = Normalize(Cross(axis, std::fabs(axis.y) < 0.9 ? Vec3{0, 1, 0} : Vec3{1, 0, 0}));
    Vec3 other = Cross(axis, side);
    return side * std::cos(angle) + other * std::sin(angle);
}

// The trunk's radius at height y and point k of `sides` around: the ring's
// radius with bark bumps and, at the foot, a root flare.
double TrunkRadius(double radius, double y, int k, int sides) {
    double angle = 6.283185307179586 * k / sides;
    double flare = 1.0 - SmoothStep(TreeBaseY, TreeBaseY + 1.6, y);
    double roots = std::max(0.0, std::cos(5.0 * angle + 0.7));
    radius *= 1.0 + 0.6 * flare * roots * roots;
    return radius * (0.93 + 0.14 * ValueNoise2(k % sides, y * 0.8, 71, sides));
}

// A tube along `axis` through the given ring centres and radii; `sides`
// faces around, texture wrapped `wraps` times around and 3 units a repeat
// along. A trunk has level rings (so its foot is flat on the ground), bark
// bumps and a root flare.
void AddTube(Mesh &mesh, const std::vector<Vec3> &centres, const std::vector<double> &radii,
             int sides, double wraps, bool trunk, const std::vector<Blob> &blobs) {
    const double twoPi = 6.283185307179586;
    uint32_t first = uint32_t(mesh.vertices.size());
    double along = 0.0;
    for (size_t ring = 0; ring < centres.size(); ++ring) {
        Vec3 axis = trunk ? Vec3{0, 1, 0}
                          : Normalize(centres[std::min(ring + 1, centres.size() - 1)] -
                                      centres[ring == 0 ? 0 : ring - 1]);
        if (ring > 0) along += Length(centres[ring] - centres[ring - 1]);
        for (int k = 0; k <= sides; ++k) {
            Vec3 out = RingDirection(axis, twoPi * k / sides);
            double radius = trunk ? TrunkRadius(radii[ring], centres[ring].y, k, sides) : radii[ring];
            Vec3 p = centres[ring] + out * radius;
            AddVertex(mesh, {p, out, wraps * k / sides, -along / 3.0, BarkColor(p, out, blobs)});
        }
    }
    uint32_t stride = uint32_t(sides + 1);
    for (uint32_t ring = 0; ring + 1 < centres.size(); ++ring) {
        for (uint32_t k = 0; k < uint32_t(sides); ++k) {
            uint32_t a = first + ring * stride + k, b = a + 1, c = a + stride, d = c + 1;
            AddTriangle(mesh, a, c, b, BarkMaterial);
            AddTriangle(mesh, b, c, d, BarkMaterial);
        }
    }
}

Vec3 TrunkCentre(double y) {
    return {0.12 * std::sin(y * 0.35), y, 0.08 * std::sin(y * 0.5 + 1.0)};
}

const double TrunkRingHeights[] = {-12.0, -11.8, -11.5, -11.1, -10.6, -9.8, -8.6, -7.2,
                                  -5.8,  -4.4,  -3.0,  -1.6,  -0.2,  1.4,  3.0,  4.5};
const int TrunkSides = 12;

double TrunkRingRadius(double y) { return Lerp(0.75, 0.36, (y - TreeBaseY) / 16.5); }

void AddTrunk(Mesh &mesh, const std::vector<Blob> &blobs) {
    std::vector<Vec3> centres;
    std::vector<double> radii;
    for (double y : TrunkRingHeights) {
        centres.push_back(TrunkCentre(y));
        radii.push_back(TrunkRingRadius(y));
    }
    AddTube(mesh, centres, radii, TrunkSides, 2.0, true, blobs);
}

// One bough from the trunk into each blob of the crown's lowest layer.
void AddBranches(Mesh &mesh, const std::vector<Blob> &blobs) {
    for (size_t i = LowestLayerFirst; i < LowestLayerFirst + LowestLayerCount; ++i) {
        Vec3 start = TrunkCentre(-1.5 + 0.25 * double(i - LowestLayerFirst));
        Vec3 end = blobs[i].centre + Vec3{0.0, 0.4, 0.0};
        std::vector<Vec3> centres;
        std::vector<double> radii;
        for (int k = 0; k <= 3; ++k) {
            double t = k / 3.0;
            centres.push_back(start + (end - start) * t + Vec3{0.0, 0.5 * t * (1.0 - t), 0.0});
            radii.push_back(Lerp(0.24, 0.08, t));
        }
        AddTube(mesh, centres, radii, 6, 1.0, false, blobs);
    }
}

}  // namespace

void MakeIcosphere(std::vector<Vec3> &points, std::vector<std::array<uint32_t, 3>> &faces, int levels) {
    const double t = 1.618033988749895;
    points = {{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0}, {0, -1, t}, {0, 1, t},
              {0, -1, -t}, {0, 1, -t}, {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
    for (Vec3 &p : points) p = Normalize(p);
    faces = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
             {11, 10, 2}, {10, 7, 6}, {7, 1, 8},  {3, 9, 4},  {3, 4, 2},   {3, 2, 6}, {3, 6, 8},
             {3, 8, 9},  {4, 9, 5},  {2, 4, 11},  {6, 2, 10}, {8, 6, 7},   {9, 8, 1}};
    for (int level = 0; level < levels; ++level) {
        std::map<std::pair<uint32_t, uint32_t>, uint32_t> midpoints;
        auto midpoint = [&](uint32_t a, uint32_t b) {
            std::pair<uint32_t, uint32_t> key = std::minmax(a, b);
            auto found = midpoints.find(key);
            if (found != midpoints.end()) return found->second;
            points.push_back(Normalize(points[a] + points[b]));
            uint32_t index = uint32_t(points.size() - 1);
            midpoints[key] = index;
            return index;
        };
        std::vector<std::array<uint32_t, 3>> finer;
        for (auto [a, b, c] : faces) {
            uint32_t ab = midpoint(a, b), bc = midpoint(b, c), ca = midpoint(c, a);
            finer.insert(finer.end(), {{a, ab, ca}, {b, bc, ab}, {c, ca, bc}, {ab, bc, ca}});
        }
        faces = finer;
    }
}

namespace {

// Lump `index` of the crown over the unit sphere's points: a noisy sphere,
// flatter underneath, each point moved along its own direction.
std::vector<Vec3> BlobPoints(const Blob &blob, size_t index, const std::vector<Vec3> &unit) {
    std::vector<Vec3> points;
    Vec3 noiseOffset{index * 7.1, index * 3.3, index * 5.7};
    for (Vec3 u : unit) {
        double lump = 1.0 + 0.8 * (Fbm3(u * 2.0 + noiseOffset, 3, 81) - 0.5) +
                      0.3 * (ValueNoise3(u * 3.2 + noiseOffset, 82) - 0.5);
        Vec3 d{u.x, u.y < 0.0 ? u.y * 0.8 : u.y, u.z};  // flatter underside
        points.push_back(blob.centre + d * (blob.radius * lump));
    }
    return points;
}

// One blob of foliage. Texture coordinates are projected along the axis that
// the triangle's part of the sphere faces most (vertices are split where
// that axis changes), so the leaves are nowhere stretched or pinched.
void AddBlob(Mesh &mesh, const std::vector<Blob> &blobs, size_t index, Color tint) {
    const Blob &blob = blobs[index];
    const double tile = 3.5;  // units per repeat of the leaves texture
    std::vector<Vec3> unit;
    std::vector<std::array<uint32_t, 3>> faces;
    MakeIcosphere(unit, faces, 2);
    std::vector<Vec3> points = BlobPoints(blob, index, unit);
    std::vector<Vec3> normals(points.size(), Vec3{0, 0, 0});
    for (auto [a, b, c] : faces) {
        Vec3 n = Cross(points[b] - points[a], points[c] - points[a]);
        if (Dot(n, unit[a] + unit[b] + unit[c]) < 0.0) n = n * -1.0;
        for (uint32_t v : {a, b, c}) normals[v] = normals[v] + n;
    }
    for (Vec3 &n : normals) n = Normalize(n);

    std::vector<std::array<int64_t, 3>> split(points.size(), {-1, -1, -1});
    for (size_t f = 0; f < faces.size(); ++f) {
        auto [a, b, c] = faces[f];
        Vec3 n = unit[a] + unit[b] + unit[c];
        double ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
        int axis = ax >= ay && ax >= az ? 0 : (ay >= az ? 1 : 2);
        uint32_t corners[3];
        for (int k = 0; k < 3; ++k) {
            uint32_t v = faces[f][k];
            if (split[v][axis] < 0) {
                // Mapped as on the smooth sphere, so the lumps do not smear it.
                Vec3 smooth = blob.centre + unit[v] * blob.radius;
                double u = axis == 0 ? smooth.z : smooth.x;
                double w = axis == 1 ? smooth.z : -smooth.y;
                Vec3 p = points[v];
                split[v][axis] = AddVertex(
                    mesh, {p, normals[v], u / tile, w / tile, FoliageColor(p, normals[v], blobs, index, tint)});
            }
            corners[k] = uint32_t(split[v][axis]);
        }
        AddTriangle(mesh, corners[0], corners[1], corners[2], LeavesMaterial);
    }
}

}  // namespace

Mesh MakeTree() {
    Mesh mesh;
    mesh.materials.push_back({"Bark", {1, 1, 1}, "bark.png"});
    mesh.materials.push_back({"Leaves", {1, 1, 1}, "leaves.png"});
    std::vector<Blob> blobs = CrownBlobs();
    AddTrunk(mesh, blobs);
    AddBranches(mesh, blobs);
    Rng rng{0xA54FF53A5F1D36F1ULL};
    for (size_t i = 0; i < blobs.size(); ++i) {
        Color tint{rng.Range(0.92, 1.06), rng.Range(0.96, 1.04), rng.Range(0.9, 1.0)};
        AddBlob(mesh, blobs, i, tint);
    }
    return mesh;
}

std::vector<TreeBlob> TreeBlobs() {
    std::vector<Blob> blobs = CrownBlobs();
    std::vector<Vec3> unit;
    std::vector<std::array<uint32_t, 3>> faces;
    MakeIcosphere(unit, faces, 2);
    for (auto &[a, b, c] : faces)
        if (Dot(Cross(unit[b] - unit[a], unit[c] - unit[a]), unit[a]) < 0.0) std::swap(b, c);
    std::vector<TreeBlob> parts;
    for (size_t i = 0; i < blobs.size(); ++i) parts.push_back({blobs[i].centre, BlobPoints(blobs[i], i, unit), faces});
    return parts;
}

std::vector<TreeRing> TrunkRings() {
    std::vector<TreeRing> rings;
    for (double y : TrunkRingHeights) {
        TreeRing ring{TrunkCentre(y), {}};
        for (int k = 0; k < TrunkSides; ++k) {
            Vec3 out = RingDirection({0, 1, 0}, 6.283185307179586 * k / TrunkSides);
            ring.points.push_back(ring.centre + out * TrunkRadius(TrunkRingRadius(y), y, k, TrunkSides));
        }
        rings.push_back(ring);
    }
    return rings;
}

// ---------------------------------------------------------------- bounding

namespace {

const double JoinY = -1.6;  // a trunk ring height: the trunk part ends here
// Dark green-grey: the shapes stand out on the light grey of the occlusion
// buffer's clear colour.
const Color BoundsColor{0.24, 0.30, 0.26};

// An outward plane: points p with Dot(normal, p) <= offset are inside.
struct Plane {
    Vec3 normal;
    double offset;
};

// The smallest convex shape with faces along the given directions that holds
// every point, as planes pushed just past the outermost point.
std::vector<Plane> FitPlanes(const std::vector<Vec3> &points, const std::vector<Vec3> &directions) {
    std::vector<Plane> planes;
    for (Vec3 d : directions) {
        Vec3 n = Normalize(d);
        double offset = Dot(n, points[0]);
        for (Vec3 p : points) offset = std::max(offset, Dot(n, p));
        planes.push_back({n, offset + 0.02});
    }
    return planes;
}

// Directions around the vertical: `count` of them at the elevation whose sine
// and cosine are given, the first at azimuth `turn` (radians).
void AddRing(std::vector<Vec3> &directions, int count, double sine, double cosine, double turn) {
    for (int k = 0; k < count; ++k) {
        double angle = turn + 6.283185307179586 * k / count;
        directions.push_back({std::cos(angle) * cosine, sine, std::sin(angle) * cosine});
    }
}

// The faces of the convex polytope bounded by `planes`: each plane's big
// square clipped by all the others. Vertices are shared between faces.
void AddPolytope(Mesh &mesh, const std::vector<Plane> &planes) {
    uint32_t first = uint32_t(mesh.vertices.size());
    for (size_t i = 0; i < planes.size(); ++i) {
        Vec3 n = planes[i].normal;
        Vec3 side = Normalize(Cross(n, std::fabs(n.y) < 0.9 ? Vec3{0, 1, 0} : Vec3{1, 0, 0}));
        Vec3 other = Cross(n, side);
        Vec3 centre = n * planes[i].offset;
        const double big = 1000.0;
        std::vector<Vec3> polygon = {centre + (side + other) * big, centre + (side - other) * big,
                                     centre - (side + other) * big, centre - (side - other) * big};
        for (size_t j = 0; j < planes.size() && !polygon.empty(); ++j) {
            if (j == i) continue;
            std::vector<Vec3> kept;
            for (size_t k = 0; k < polygon.size(); ++k) {
                Vec3 a = polygon[k], b = polygon[(k + 1) % polygon.size()];
                double da = Dot(planes[j].normal, a) - planes[j].offset;
                double db = Dot(planes[j].normal, b) - planes[j].offset;
                if (da <= 0.0) kept.push_back(a);
                if ((da < 0.0 && db > 0.0) || (da > 0.0 && db < 0.0))
                    kept.push_back(a + (b - a) * (da / (da - db)));
            }
            polygon = kept;
        }
        std::vector<uint32_t> indices;
        for (Vec3 p : polygon) {
            uint32_t found = uint32_t(mesh.vertices.size());
            for (uint32_t v = first; v < mesh.vertices.size(); ++v)
                if (Length(mesh.vertices[v].position - p) < 1e-6) found = v;
            if (found == mesh.vertices.size()) AddVertex(mesh, {p, {0, 0, 0}, 0, 0, {0, 0, 0}});
            mesh.vertices[found].normal = mesh.vertices[found].normal + n;
            if (indices.empty() || (indices.back() != found && indices.front() != found))
                indices.push_back(found);
        }
        if (indices.size() >= 3) {
            for (size_t k = 1; k + 1 < indices.size(); ++k)
                AddTriangleFacing(mesh, indices[0], indices[k], indices[k + 1], n, 0);
        }
    }
    for (uint32_t v = first; v < mesh.vertices.size(); ++v)
        mesh.vertices[v].normal = Normalize(mesh.vertices[v].normal);
}

}  // namespace

Mesh MakeTreeBounding(const Mesh &tree) {
    // Two convex parts: a slim tapering trunk, and the crown with the top of
    // the trunk and the boughs. They overlap between the crown's underside
    // and the join ring, so the shape has no gap.
    std::vector<Vec3> trunk, crown;
    for (size_t f = 0; f < tree.faceMaterials.size(); ++f) {
        for (int k = 0; k < 3; ++k) {
            Vec3 p = tree.vertices[tree.indices[f * 3 + k]].position;
            bool bark = tree.faceMaterials[f] == BarkMaterial;
            if (bark && p.y <= JoinY + 1e-9) trunk.push_back(p);
            if (!bark || p.y >= JoinY - 1e-9) crown.push_back(p);
        }
    }
    const double degrees = 3.141592653589793 / 180.0;
    std::vector<Vec3> trunkDirections = {{0, 1, 0}, {0, -1, 0}};
    AddRing(trunkDirections, 8, std::sin(3.5 * degrees), std::cos(3.5 * degrees), 0.0);
    std::vector<Vec3> crownDirections = {{0, 1, 0}, {0, -1, 0}};
    AddRing(crownDirections, 8, 0.0, 1.0, 0.0);
    AddRing(crownDirections, 6, std::sin(40 * degrees), std::cos(40 * degrees), 30 * degrees);
    AddRing(crownDirections, 6, -std::sin(40 * degrees), std::cos(40 * degrees), 0.0);

    Mesh mesh;
    mesh.materials.push_back({"Bounds", BoundsColor, ""});
    AddPolytope(mesh, FitPlanes(trunk, trunkDirections));
    AddPolytope(mesh, FitPlanes(crown, crownDirections));
    for (MeshVertex &v : mesh.vertices) v.color = BoundsColor;
    return mesh;
}
