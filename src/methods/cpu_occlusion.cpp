#include "methods/cpu_occlusion.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>

#include "occlusion/occlusion.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// One step of the GPU's 16-bit depth.
constexpr float DepthStep = 1.0f / 65535.0f;

struct ClipVertex {
    double x, y, z, w;
};

ClipVertex Transform(const D3DXVECTOR3 &p, const D3DXMATRIX &m) {
    return {p.x * m._11 + p.y * m._21 + p.z * m._31 + m._41, p.x * m._12 + p.y * m._22 + p.z * m._32 + m._42,
            p.x * m._13 + p.y * m._23 + p.z * m._33 + m._43, p.x * m._14 + p.y * m._24 + p.z * m._34 + m._44};
}

ClipVertex Lerp(const ClipVertex &a, const ClipVertex &b, double t) {
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t, a.w + (b.w - a.w) * t};
}

// A vertex in the buffer's pixels as the GPU maps them: a pixel's centre
// sits on integer coordinates, row 0 at the top.
struct ScreenVertex {
    double x, y, z;
};

ScreenVertex Project(const ClipVertex &v) {
    return {PixelX(v.x / v.w, CpuDepthWidth), PixelY(v.y / v.w, CpuDepthHeight), v.z / v.w};
}

// The triangle's edges solved for x once, so that each row's span costs a
// multiply per edge: edge k from vertex k to k + 1 has the inside on its
// right on screen.
void AddTriangle(const ScreenVertex &a, const ScreenVertex &b, const ScreenVertex &c, double margin,
                 std::vector<CpuTriangle> &out) {
    const ScreenVertex *v[3] = {&a, &b, &c};
    // Clockwise on screen is the front; the rest is culled as on the GPU.
    double area = (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
    if (!(area > 0)) return;
    double top = std::min({a.y, b.y, c.y}), bottom = std::max({a.y, b.y, c.y});
    double left = std::min({a.x, b.x, c.x}), right = std::max({a.x, b.x, c.x});
    if (bottom < -1 || top > CpuDepthHeight || right < -1 || left > CpuDepthWidth) return;
    // Most triangles of distant trees fall between pixel centres.
    if (std::ceil(left - 2 * margin) > std::floor(right + 2 * margin)) return;
    CpuTriangle t;
    // Rows widened by the margin, for the superset coverage of MeshVisible.
    t.top = (int)std::max(0.0, std::ceil(top - 2 * margin));
    t.bottom = (int)std::min(CpuDepthHeight - 1.0, std::floor(bottom + 2 * margin));
    if (t.top > t.bottom) return;
    for (int k = 0; k < 3; ++k) {
        const ScreenVertex &from = *v[k], &to = *v[(k + 1) % 3];
        // Inside by d: dx * (y - from.y) - dy * (x - from.x) > d * length.
        double dx = to.x - from.x, dy = to.y - from.y, length = std::sqrt(dx * dx + dy * dy);
        CpuEdge &e = t.edges[k];
        if (dy != 0) {
            e.side = dy < 0 ? 1 : -1;  // x above the bound, or below it
            e.start = from.x - dx * from.y / dy;
            e.slope = dx / dy;
            e.widen = -length / dy;
        } else {
            e.side = 0;  // a horizontal edge bounds the rows: y beyond start + widen * d
            e.start = from.y;
            e.slope = dx > 0 ? 1 : -1;
            e.widen = 0;
        }
    }
    t.dzdx = ((b.z - a.z) * (c.y - a.y) - (c.z - a.z) * (b.y - a.y)) / area;
    t.dzdy = ((c.z - a.z) * (b.x - a.x) - (b.z - a.z) * (c.x - a.x)) / area;
    t.zAtOrigin = a.z - t.dzdx * a.x - t.dzdy * a.y;
    t.slack = (float)(DepthStep + (std::fabs(t.dzdx) + std::fabs(t.dzdy)) * margin);
    out.push_back(t);
}

// Clipped to the near plane (0 <= z), as the GPU clips; the far plane needs
// no clipping, since depth beyond 1 never wins against the cleared buffer.
void ClipAndAdd(const ClipVertex (&v)[3], double margin, std::vector<CpuTriangle> &out) {
    bool inside[3] = {v[0].z >= 0, v[1].z >= 0, v[2].z >= 0};
    ScreenVertex polygon[4];
    int n = 0;
    for (int k = 0; k < 3; ++k) {
        const ClipVertex &a = v[k], &b = v[(k + 1) % 3];
        if (inside[k]) polygon[n++] = Project(a);
        if (inside[k] != inside[(k + 1) % 3]) polygon[n++] = Project(Lerp(a, b, a.z / (a.z - b.z)));
    }
    for (int k = 1; k + 1 < n; ++k) AddTriangle(polygon[0], polygon[k], polygon[k + 1], margin, out);
}

// The front-facing triangles of `mesh` placed at the `count` trees listed,
// less the trees whose box `nearCut` (when given) the near plane cuts.
void SetUpTriangles(const CpuMesh &mesh, const std::vector<D3DXMATRIX> &worlds, const uint32_t *trees, size_t count,
                    const D3DXMATRIX &viewProjection, double margin, const Box *nearCut,
                    std::vector<CpuTriangle> &out) {
    out.clear();
    // Each thread's own scratch, kept from call to call: no allocation a tree.
    thread_local std::vector<ClipVertex> clip;
    thread_local std::vector<ScreenVertex> screen;
    clip.resize(mesh.positions.size());
    screen.resize(mesh.positions.size());
    for (size_t k = 0; k < count; ++k) {
        D3DXMATRIX m = worlds[trees[k]] * viewProjection;
        if (BoxOutsideFrustum(mesh.bounds, m)) continue;
        if (nearCut && NearPlaneCutsBox(*nearCut, m)) continue;
        for (size_t i = 0; i < clip.size(); ++i) {
            clip[i] = Transform(mesh.positions[i], m);
            if (clip[i].z >= 0) screen[i] = Project(clip[i]);
        }
        for (size_t i = 0; i + 2 < mesh.indices.size(); i += 3) {
            uint32_t a = mesh.indices[i], b = mesh.indices[i + 1], c = mesh.indices[i + 2];
            if (clip[a].z >= 0 && clip[b].z >= 0 && clip[c].z >= 0) {
                AddTriangle(screen[a], screen[b], screen[c], margin, out);
            } else {
                const ClipVertex v[3] = {clip[a], clip[b], clip[c]};
                ClipAndAdd(v, margin, out);
            }
        }
    }
}

// Calls span(y, from, to, z0, dzdx) for each row of [top, bottom] with the
// pixel centres x = from .. to inside all three edges by `margin` pixels
// (outside by -margin when negative); the triangle's depth there is
// z0 + dzdx * x. Stops early when span returns true, and says so.
template <typename Span>
bool ForEachSpan(const CpuTriangle &t, int top, int bottom, double margin, const Span &span) {
    for (int y = std::max(top, t.top); y <= std::min(bottom, t.bottom); ++y) {
        double from = 0, to = CpuDepthWidth - 1;
        for (const CpuEdge &e : t.edges) {
            double bound = e.start + e.slope * y + e.widen * margin;
            if (e.side > 0)
                from = std::max(from, std::floor(bound) + 1);
            else if (e.side < 0)
                to = std::min(to, std::ceil(bound) - 1);
            else if (!(e.slope * (y - e.start) > margin))
                to = -1;
        }
        if (from > to) continue;
        if (span(y, (int)from, (int)to, t.zAtOrigin + t.dzdy * y, t.dzdx)) return true;
    }
    return false;
}

// The nearer of the buffer's and the plane's depth kept on x = from .. to of
// a row; the plane is z + dz * (x - from), each pixel's depth computed
// afresh rather than accumulated. Four pixels at a time with SSE2.
void KeepNearer(float *row, int from, int to, float z, float dz) {
    int x = from;
#ifdef __SSE2__
    const __m128 base = _mm_set1_ps(z), step = _mm_set1_ps(dz), four = _mm_set1_ps(4);
    __m128 offset = _mm_setr_ps(0, 1, 2, 3);
    for (; x + 3 <= to; x += 4, offset = _mm_add_ps(offset, four)) {
        __m128 plane = _mm_add_ps(base, _mm_mul_ps(step, offset));
        _mm_storeu_ps(row + x, _mm_min_ps(_mm_loadu_ps(row + x), plane));
    }
#endif
    for (; x <= to; ++x) row[x] = std::min(row[x], z + dz * (float)(x - from));
}

// Whether any pixel of x = from .. to is at or behind the plane z + dz * (x - from).
bool AnyBehind(const float *row, int from, int to, float z, float dz) {
    int x = from;
#ifdef __SSE2__
    const __m128 base = _mm_set1_ps(z), step = _mm_set1_ps(dz), four = _mm_set1_ps(4);
    __m128 offset = _mm_setr_ps(0, 1, 2, 3);
    for (; x + 3 <= to; x += 4, offset = _mm_add_ps(offset, four)) {
        __m128 plane = _mm_add_ps(base, _mm_mul_ps(step, offset));
        if (_mm_movemask_ps(_mm_cmpge_ps(_mm_loadu_ps(row + x), plane))) return true;
    }
#endif
    for (; x <= to; ++x)
        if (row[x] >= z + dz * (float)(x - from)) return true;
    return false;
}

// The triangle's depth plus its slack: the farthest the GPU may put it.
void RasteriseTriangle(CpuOcclusion &cpu, const CpuTriangle &t, int top, int bottom) {
    ForEachSpan(t, top, bottom, cpu.coverMargin, [&](int y, int from, int to, double z0, double dzdx) {
        KeepNearer(&cpu.depth[(size_t)y * CpuDepthWidth], from, to, (float)(z0 + dzdx * from) + t.slack, (float)dzdx);
        return false;
    });
}

// The query of the program's pass on the CPU: does any pixel the GPU may
// cover with the tree's own bounding mesh (a superset: centres up to the
// margin outside) have depth at or behind the nearest the GPU may put the
// mesh there (its depth less its slack)?
bool MeshVisible(const CpuOcclusion &cpu, const std::vector<CpuTriangle> &triangles) {
    for (const CpuTriangle &t : triangles)
        if (ForEachSpan(t, 0, CpuDepthHeight - 1, -cpu.coverMargin, [&](int y, int from, int to, double z0, double dzdx) {
                return AnyBehind(&cpu.depth[(size_t)y * CpuDepthWidth], from, to,
                                 (float)(z0 + dzdx * from) - t.slack, (float)dzdx);
            }))
            return true;
    return false;
}

void RasteriseRows(CpuOcclusion &cpu, int top, int bottom) {
    std::fill(cpu.depth.begin() + (size_t)top * CpuDepthWidth, cpu.depth.begin() + (size_t)bottom * CpuDepthWidth,
              1.0f);
    for (const std::vector<CpuTriangle> &list : cpu.triangles)
        for (const CpuTriangle &t : list)
            if (t.bottom >= top && t.top < bottom) RasteriseTriangle(cpu, t, top, bottom - 1);
    for (int ty = top / CpuTileSize; ty < bottom / CpuTileSize; ++ty)
        for (int tx = 0; tx < CpuTilesX; ++tx) {
            float farthest = 0;
            for (int y = ty * CpuTileSize; y < (ty + 1) * CpuTileSize; ++y)
                for (int x = tx * CpuTileSize; x < (tx + 1) * CpuTileSize; ++x)
                    farthest = std::max(farthest, cpu.depth[(size_t)y * CpuDepthWidth + x]);
            cpu.tileMax[(size_t)ty * CpuTilesX + tx] = farthest;
        }
}

// Any pixel of the rectangle at or behind `nearest` (less the slack)?
bool AnyPixelBehind(const CpuOcclusion &cpu, int left, int top, int right, int bottom, float nearest) {
    for (int ty = top / CpuTileSize; ty <= bottom / CpuTileSize; ++ty)
        for (int tx = left / CpuTileSize; tx <= right / CpuTileSize; ++tx) {
            if (cpu.tileMax[(size_t)ty * CpuTilesX + tx] < nearest) continue;
            for (int y = std::max(top, ty * CpuTileSize); y <= std::min(bottom, ty * CpuTileSize + CpuTileSize - 1); ++y)
                for (int x = std::max(left, tx * CpuTileSize); x <= std::min(right, tx * CpuTileSize + CpuTileSize - 1); ++x)
                    if (cpu.depth[(size_t)y * CpuDepthWidth + x] >= nearest) return true;
        }
    return false;
}

enum class BoxTest { Culled, Passed, NearPlane };

BoxTest TestBox(const CpuOcclusion &cpu, const D3DXMATRIX &m) {
    D3DXVECTOR3 boxMin = BoxCorner(cpu.tested.bounds, 0), boxMax = BoxCorner(cpu.tested.bounds, 7);
    if (NearPlaneCutsBox(boxMin, boxMax, m)) return BoxTest::NearPlane;
    ClipVertex corners[8];
    int beyondFar = 0;
    for (int corner = 0; corner < 8; ++corner) {
        corners[corner] = Transform(BoxCorner(cpu.tested.bounds, corner), m);
        beyondFar += corners[corner].z > corners[corner].w;
    }
    if (beyondFar == 8) return BoxTest::Culled;
    // The part of the box beyond the near plane: its corners there, and
    // where its edges cross the plane.
    double lo[2] = {1e30, 1e30}, hi[2] = {-1e30, -1e30}, nearest = 1e30;
    auto extend = [&](const ClipVertex &v) {
        double x = v.x / v.w, y = v.y / v.w;
        lo[0] = std::min(lo[0], x), hi[0] = std::max(hi[0], x);
        lo[1] = std::min(lo[1], y), hi[1] = std::max(hi[1], y);
        nearest = std::min(nearest, v.z / v.w);
    };
    for (int corner = 0; corner < 8; ++corner) {
        const ClipVertex &a = corners[corner];
        if (a.z >= 0 && a.w > 0) extend(a);
        for (int axis = 1; axis < 8; axis <<= 1) {
            if (corner & axis) continue;
            const ClipVertex &b = corners[corner | axis];
            if ((a.z < 0) != (b.z < 0)) {
                ClipVertex crossing = Lerp(a, b, a.z / (a.z - b.z));
                if (crossing.w > 0) extend(crossing);
            }
        }
    }
    if (nearest > 1e29) return BoxTest::Culled;  // wholly before the near plane
    // Pixel centres the box may cover, and one more on each side.
    double left = std::floor(PixelX(lo[0], CpuDepthWidth)) - 1, right = std::ceil(PixelX(hi[0], CpuDepthWidth)) + 1;
    double top = std::floor(PixelY(hi[1], CpuDepthHeight)) - 1, bottom = std::ceil(PixelY(lo[1], CpuDepthHeight)) + 1;
    if (right < 0 || bottom < 0 || left > CpuDepthWidth - 1 || top > CpuDepthHeight - 1) return BoxTest::Culled;
    bool behind = AnyPixelBehind(cpu, (int)std::max(left, 0.0), (int)std::max(top, 0.0),
                                 (int)std::min(right, CpuDepthWidth - 1.0), (int)std::min(bottom, CpuDepthHeight - 1.0),
                                 (float)nearest - DepthStep);
    return behind ? BoxTest::Passed : BoxTest::Culled;
}

CpuMesh TrianglesOf(const GlMesh &mesh) { return {mesh.positions, mesh.indices, mesh.bounds}; }

}  // namespace

bool CreateCpuOcclusion(CpuOcclusion &cpu, const GlScene &scene, int threads, std::string &error,
                        const GlMesh *occluders) {
    const GlMesh &occluder = occluders ? *occluders : scene.bounding;
    for (const GlMesh *mesh : {&occluder, &scene.bounding})
        if (mesh->positions.empty() || mesh->indices.size() % 3 != 0) {
            error = "a mesh of the CPU method has no triangles to rasterise";
            return false;
        }
    DestroyCpuOcclusion(cpu);
    GLint subpixelBits = 4;  // the least OpenGL allows
    glGetIntegerv(GL_SUBPIXEL_BITS, &subpixelBits);
    cpu.coverMargin = std::ldexp(1.0, -std::clamp(subpixelBits, 4, 16));
    cpu.threads = std::clamp(threads, 1, CpuTilesY);
    cpu.occluder = TrianglesOf(occluder);
    cpu.innerOccluders = occluders != nullptr;
    cpu.tested = TrianglesOf(scene.bounding);
    cpu.triangles.assign(cpu.threads, {});
    cpu.depth.assign((size_t)CpuDepthWidth * CpuDepthHeight, 1.0f);
    cpu.tileMax.assign((size_t)CpuTilesX * CpuTilesY, 1.0f);
    cpu.pool = std::make_unique<ThreadPool>();
    StartThreadPool(*cpu.pool, cpu.threads);
    return true;
}

void DestroyCpuOcclusion(CpuOcclusion &cpu) {
    if (cpu.pool) StopThreadPool(*cpu.pool);
    cpu = CpuOcclusion();
}

std::vector<bool> CpuPass(CpuOcclusion &cpu, const GlScene &scene, const D3DXMATRIX &viewProjection,
                          const ForestGrid *grid) {
    // Trees in cells wholly outside the view are neither occluders nor visible.
    std::vector<uint32_t> trees = grid ? TreesInViewCells(*grid, viewProjection) : EveryTree(scene.worlds.size());
    int parts = cpu.threads;
    auto treeRange = [&](int part, size_t &first, size_t &end) {
        first = trees.size() * part / parts;
        end = trees.size() * (part + 1) / parts;
    };
    RunInParallel(*cpu.pool, [&](int part) {
        size_t first, end;
        treeRange(part, first, end);
        SetUpTriangles(cpu.occluder, scene.worlds, trees.data() + first, end - first, viewProjection, cpu.coverMargin,
                       cpu.innerOccluders ? &cpu.tested.bounds : nullptr, cpu.triangles[part]);
    });
    // Bands of whole tile rows, so each band's tiles are its own.
    RunInParallel(*cpu.pool, [&](int part) {
        int top = CpuTilesY * part / parts * CpuTileSize, bottom = CpuTilesY * (part + 1) / parts * CpuTileSize;
        RasteriseRows(cpu, top, bottom);
    });
    std::vector<char> visible(scene.worlds.size(), 0);
    RunInParallel(*cpu.pool, [&](int part) {
        size_t first, end;
        treeRange(part, first, end);
        thread_local std::vector<CpuTriangle> own;
        for (size_t k = first; k < end; ++k) {
            uint32_t i = trees[k];
            BoxTest box = TestBox(cpu, scene.worlds[i] * viewProjection);
            if (box == BoxTest::Culled) continue;
            if (box == BoxTest::Passed) {
                SetUpTriangles(cpu.tested, scene.worlds, &i, 1, viewProjection, cpu.coverMargin, nullptr, own);
                if (!MeshVisible(cpu, own)) continue;
            }
            visible[i] = 1;
        }
    });
    return std::vector<bool>(visible.begin(), visible.end());
}

const float *CpuDepth(const CpuOcclusion &cpu) { return cpu.depth.data(); }
