// Shared pieces of the asset generator: vector maths, a seeded random
// generator, value noise, images and meshes, and the scene constants that the
// textures and meshes must agree on (sun direction, skybox faces, sizes).
//
// Everything here is plain IEEE double arithmetic plus sqrt, sin and cos, so
// the generated files come out byte for byte the same on every run.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct Vec3 {
    double x, y, z;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline double Length(Vec3 a) { return std::sqrt(Dot(a, a)); }
inline Vec3 Normalize(Vec3 a) {
    double length = Length(a);
    return length > 0.0 ? a * (1.0 / length) : Vec3{0.0, 1.0, 0.0};
}
// The plain cross product. In our left-handed coordinates, a triangle (a, b, c)
// whose Cross(b - a, c - a) points towards the viewer is clockwise on screen,
// which is what the renderer treats as a front face.
inline Vec3 Cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

inline double Clamp01(double x) { return x < 0.0 ? 0.0 : (x > 1.0 ? 1.0 : x); }
inline double Lerp(double a, double b, double t) { return a + (b - a) * t; }
inline uint8_t ToByte(double v) { return uint8_t(Clamp01(v) * 255.0 + 0.5); }
inline double SmoothStep(double edge0, double edge1, double x) {
    double t = Clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3.0 - 2.0 * t);
}

struct Color {
    double r, g, b;
};

inline Color Mix(Color a, Color b, double t) {
    return {Lerp(a.r, b.r, t), Lerp(a.g, b.g, t), Lerp(a.b, b.b, t)};
}
inline Color Scale(Color c, double s) { return {c.r * s, c.g * s, c.b * s}; }
inline Color Modulate(Color a, Color b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }

// xorshift64*: small, fast and the same everywhere.
struct Rng {
    uint64_t state;
    uint64_t NextBits() {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        return state * 0x2545F4914F6CDD1DULL;
    }
    double Next01() { return double(NextBits() >> 11) * (1.0 / 9007199254740992.0); }
    double Range(double lo, double hi) { return lo + (hi - lo) * Next01(); }
};

// Value noise on an integer lattice, 0..1. Non-zero periods wrap the lattice
// so that the noise tiles (for textures drawn with wrap addressing).
inline double LatticeValue(int64_t x, int64_t y, int64_t z, uint32_t seed) {
    uint32_t h = seed * 0x9E3779B1u;
    h ^= uint32_t(x) * 0x85EBCA77u;
    h = (h ^ (h >> 15)) * 0x2C1B3C6Du;
    h ^= uint32_t(y) * 0xC2B2AE3Du;
    h = (h ^ (h >> 13)) * 0x297A2D39u;
    h ^= uint32_t(z) * 0x27D4EB2Fu;
    h = (h ^ (h >> 16)) * 0x85EBCA6Bu;
    h ^= h >> 13;
    return double(h) * (1.0 / 4294967296.0);
}
inline double Fade(double t) { return t * t * t * (t * (t * 6.0 - 15.0) + 10.0); }
inline int64_t Wrap(int64_t i, int period) {
    if (period == 0) return i;
    int64_t m = i % period;
    return m < 0 ? m + period : m;
}

inline double ValueNoise2(double x, double y, uint32_t seed, int periodX = 0, int periodY = 0) {
    double fx = std::floor(x), fy = std::floor(y);
    int64_t ix = int64_t(fx), iy = int64_t(fy);
    double tx = Fade(x - fx), ty = Fade(y - fy);
    int64_t x0 = Wrap(ix, periodX), x1 = Wrap(ix + 1, periodX);
    int64_t y0 = Wrap(iy, periodY), y1 = Wrap(iy + 1, periodY);
    double top = Lerp(LatticeValue(x0, y0, 0, seed), LatticeValue(x1, y0, 0, seed), tx);
    double bottom = Lerp(LatticeValue(x0, y1, 0, seed), LatticeValue(x1, y1, 0, seed), tx);
    return Lerp(top, bottom, ty);
}

inline double ValueNoise3(Vec3 p, uint32_t seed) {
    double fx = std::floor(p.x), fy = std::floor(p.y), fz = std::floor(p.z);
    int64_t ix = int64_t(fx), iy = int64_t(fy), iz = int64_t(fz);
    double tx = Fade(p.x - fx), ty = Fade(p.y - fy), tz = Fade(p.z - fz);
    double layer[2];
    for (int k = 0; k < 2; ++k) {
        double a = Lerp(LatticeValue(ix, iy, iz + k, seed), LatticeValue(ix + 1, iy, iz + k, seed), tx);
        double b = Lerp(LatticeValue(ix, iy + 1, iz + k, seed),
                        LatticeValue(ix + 1, iy + 1, iz + k, seed), tx);
        layer[k] = Lerp(a, b, ty);
    }
    return Lerp(layer[0], layer[1], tz);
}

// Sums of octaves, each twice the frequency and half the amplitude of the
// last, scaled back to 0..1. With periods the first octave repeats every
// period lattice cells and each further octave every twice as many.
inline double Fbm2(double x, double y, int octaves, uint32_t seed, int periodX = 0, int periodY = 0) {
    double sum = 0.0, amplitude = 1.0, total = 0.0;
    for (int i = 0; i < octaves; ++i) {
        sum += ValueNoise2(x, y, seed + uint32_t(i) * 101u, periodX, periodY) * amplitude;
        total += amplitude;
        x *= 2.0;
        y *= 2.0;
        periodX *= 2;
        periodY *= 2;
        amplitude *= 0.5;
    }
    return sum / total;
}

inline double Fbm3(Vec3 p, int octaves, uint32_t seed) {
    double sum = 0.0, amplitude = 1.0, total = 0.0;
    for (int i = 0; i < octaves; ++i) {
        sum += ValueNoise3(p, seed + uint32_t(i) * 101u) * amplitude;
        total += amplitude;
        p = p * 2.0;
        amplitude *= 0.5;
    }
    return sum / total;
}

struct Image {
    int width = 0, height = 0;
    int channels = 3;             // 3: RGB, 4: RGBA
    std::vector<uint8_t> pixels;  // top row first, `channels` bytes a pixel
};

struct MeshVertex {
    Vec3 position;
    Vec3 normal;
    double u, v;
    Color color;
};

struct Material {
    std::string name;
    Color faceColor;
    std::string textureFile;  // empty: untextured
};

struct Mesh {
    std::vector<MeshVertex> vertices;
    std::vector<uint32_t> indices;        // three per triangle
    std::vector<uint32_t> faceMaterials;  // one material index per triangle
    std::vector<Material> materials;
    bool hasColors = true;
};

// Appends triangle (a, b, c), wound so that it is clockwise (a front face)
// seen from the side `facing` points to.
inline void AddTriangleFacing(Mesh &mesh, uint32_t a, uint32_t b, uint32_t c, Vec3 facing, uint32_t material) {
    Vec3 pa = mesh.vertices[a].position;
    Vec3 normal = Cross(mesh.vertices[b].position - pa, mesh.vertices[c].position - pa);
    if (Dot(normal, facing) < 0.0) std::swap(b, c);
    mesh.indices.insert(mesh.indices.end(), {a, b, c});
    mesh.faceMaterials.push_back(material);
}

// Appends a triangle that faces the way its vertex normals point.
inline void AddTriangle(Mesh &mesh, uint32_t a, uint32_t b, uint32_t c, uint32_t material) {
    Vec3 facing = mesh.vertices[a].normal + mesh.vertices[b].normal + mesh.vertices[c].normal;
    AddTriangleFacing(mesh, a, b, c, facing, material);
}

inline uint32_t AddVertex(Mesh &mesh, const MeshVertex &vertex) {
    mesh.vertices.push_back(vertex);
    return uint32_t(mesh.vertices.size() - 1);
}

// Direction towards the sun, shared by the sky's glow and every baked shade.
inline const Vec3 SunDirection = Normalize({-0.70, 0.62, -0.30});

inline constexpr double SkyboxHalfSize = 500.0;
inline constexpr double TerrainHalfSize = 520.0;  // a little past the skybox walls
inline constexpr double ForestHalfSize = 160.0;   // trees stand within +-150
inline constexpr double TreeBaseY = -12.0;

// One face of the skybox as seen from the inside: the direction it faces and
// which way is down on its texture. Right is Cross(forward, down), which
// makes (top-left, top-right, bottom-right) clockwise for a viewer inside.
struct SkyFace {
    const char *name;
    const char *textureFile;
    Vec3 forward;
    Vec3 down;
};

inline const SkyFace SkyFaces[6] = {
    {"SkyFront", "sky_front.png", {0, 0, 1}, {0, -1, 0}},
    {"SkyRight", "sky_right.png", {1, 0, 0}, {0, -1, 0}},
    {"SkyBack", "sky_back.png", {0, 0, -1}, {0, -1, 0}},
    {"SkyLeft", "sky_left.png", {-1, 0, 0}, {0, -1, 0}},
    {"SkyTop", "sky_top.png", {0, 1, 0}, {0, 0, 1}},
    {"SkyBottom", "sky_bottom.png", {0, -1, 0}, {0, 0, -1}},
};

// The point of a unit cube face at texture coordinates (u, v), both 0..1.
inline Vec3 SkyFacePoint(const SkyFace &face, double u, double v) {
    Vec3 right = Cross(face.forward, face.down);
    return face.forward + right * (2.0 * u - 1.0) + face.down * (2.0 * v - 1.0);
}

// material_textures.cpp
Image MakeGrassTexture();
Image MakeBarkTexture();
Image MakeLeavesTexture();
Image MakeSkyTexture(const SkyFace &face, int size);
bool WritePng(const std::string &path, const Image &image);

// icon.cpp: the program's icon, square, with a transparent surround.
Image MakeIcon(int size);
inline constexpr int IconSizes[] = {16, 32, 48, 64, 128, 256};

// material_meshes.cpp
Mesh MakeTerrain();
Mesh MakeSkybox();
Mesh MakeTree();
Mesh MakeTreeBounding(const Mesh &tree);
// A unit icosphere: the icosahedron (12 points, 20 triangles) subdivided
// `levels` times.
void MakeIcosphere(std::vector<Vec3> &points, std::vector<std::array<uint32_t, 3>> &faces, int levels);
// The tree's closed parts as MakeTree builds them, for shapes fitted inside:
// each lump of the crown, a closed surface whose points each lie along
// their own direction from the centre (faces wound clockwise from outside
// the unit sphere they came from), ...
struct TreeBlob {
    Vec3 centre;
    std::vector<Vec3> points;
    std::vector<std::array<uint32_t, 3>> faces;
};
std::vector<TreeBlob> TreeBlobs();
// ... and the trunk's level rings, bottom to top, each with its points
// k = 0 .. n - 1 around it. The tube joins ring to ring by the quads (k and
// k + 1 on one ring, the same on the next), each split into two triangles;
// its foot (on the ground) and top (in the crown) are open.
struct TreeRing {
    Vec3 centre;
    std::vector<Vec3> points;
};
std::vector<TreeRing> TrunkRings();

// tree_occluder.cpp: the tree's inner occluder, a closed shape inside the
// trunk and one inside each lump of the crown, each lying wholly within its
// part of the tree. What its fit relies on and finds otherwise (a lump not
// seen whole from its centre) is added to `problems`.
Mesh MakeTreeOccluder(std::vector<std::string> &problems);

// xfile_writer.cpp
std::string FormatXFile(const Mesh &mesh, const std::string &meshName);
// The value the text file stores for v (what a reader gets back).
double RoundAsWritten(double v);
