#include "methods/cpu_occlusion.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace {

// Distance, in pixels, by which a pixel centre must be inside every edge.
constexpr double CoverMargin = 1.0 / 256.0;
// Two steps of the GPU's 16-bit depth, as the depth pyramid allows.
constexpr float DepthSlack = 2.0f / 65535.0f;

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

// Projected to the buffer's pixels as the GPU maps them: a pixel's centre
// sits on integer coordinates, row 0 at the top.
void AddTriangle(const ClipVertex &a, const ClipVertex &b, const ClipVertex &c, std::vector<CpuTriangle> &out) {
    CpuTriangle t;
    const ClipVertex *v[3] = {&a, &b, &c};
    for (int k = 0; k < 3; ++k) {
        t.x[k] = (v[k]->x / v[k]->w + 1.0) * (CpuDepthWidth / 2);
        t.y[k] = (1.0 - v[k]->y / v[k]->w) * (CpuDepthHeight / 2);
        t.z[k] = (float)(v[k]->z / v[k]->w);
    }
    // Clockwise on screen is the front; the rest is culled as on the GPU.
    double area = (t.x[1] - t.x[0]) * (t.y[2] - t.y[0]) - (t.x[2] - t.x[0]) * (t.y[1] - t.y[0]);
    if (!(area > 0)) return;
    double top = std::min({t.y[0], t.y[1], t.y[2]}), bottom = std::max({t.y[0], t.y[1], t.y[2]});
    double left = std::min({t.x[0], t.x[1], t.x[2]}), right = std::max({t.x[0], t.x[1], t.x[2]});
    if (bottom < -1 || top > CpuDepthHeight || right < -1 || left > CpuDepthWidth) return;
    // Rows widened by the margin, for the superset coverage of MeshVisible.
    t.top = (int)std::max(0.0, std::ceil(top - 2 * CoverMargin));
    t.bottom = (int)std::min(CpuDepthHeight - 1.0, std::floor(bottom + 2 * CoverMargin));
    if (t.top > t.bottom) return;
    out.push_back(t);
}

// Clipped to the near plane (0 <= z), as the GPU clips; the far plane needs
// no clipping, since depth beyond 1 never wins against the cleared buffer.
void ClipAndAdd(const ClipVertex (&v)[3], std::vector<CpuTriangle> &out) {
    bool inside[3] = {v[0].z >= 0, v[1].z >= 0, v[2].z >= 0};
    int count = inside[0] + inside[1] + inside[2];
    if (count == 3) return AddTriangle(v[0], v[1], v[2], out);
    if (count == 0) return;
    ClipVertex polygon[4];
    int n = 0;
    for (int k = 0; k < 3; ++k) {
        const ClipVertex &a = v[k], &b = v[(k + 1) % 3];
        if (inside[k]) polygon[n++] = a;
        if (inside[k] != inside[(k + 1) % 3]) polygon[n++] = Lerp(a, b, a.z / (a.z - b.z));
    }
    for (int k = 1; k + 1 < n; ++k) AddTriangle(polygon[0], polygon[k], polygon[k + 1], out);
}

void SetUpTriangles(const CpuOcclusion &cpu, const std::vector<D3DXMATRIX> &worlds, size_t first, size_t end,
                    const D3DXMATRIX &viewProjection, std::vector<CpuTriangle> &out) {
    out.clear();
    std::vector<ClipVertex> clip(cpu.positions.size());
    for (size_t tree = first; tree < end; ++tree) {
        D3DXMATRIX m = worlds[tree] * viewProjection;
        for (size_t i = 0; i < clip.size(); ++i) clip[i] = Transform(cpu.positions[i], m);
        for (size_t i = 0; i + 2 < cpu.indices.size(); i += 3) {
            const ClipVertex v[3] = {clip[cpu.indices[i]], clip[cpu.indices[i + 1]], clip[cpu.indices[i + 2]]};
            ClipAndAdd(v, out);
        }
    }
}

// Calls span(y, from, to, z0, dzdx) for each row of [top, bottom] with the
// pixel centres x = from .. to inside all three edges by `margin` pixels
// (outside by -margin when negative); the triangle's depth there is
// z0 + dzdx * x. Stops early when span returns true, and says so.
template <typename Span>
bool ForEachSpan(const CpuTriangle &t, int top, int bottom, double margin, const Span &span) {
    double area = (t.x[1] - t.x[0]) * (t.y[2] - t.y[0]) - (t.x[2] - t.x[0]) * (t.y[1] - t.y[0]);
    double dzdx = ((t.z[1] - t.z[0]) * (t.y[2] - t.y[0]) - (t.z[2] - t.z[0]) * (t.y[1] - t.y[0])) / area;
    double dzdy = ((t.z[2] - t.z[0]) * (t.x[1] - t.x[0]) - (t.z[1] - t.z[0]) * (t.x[2] - t.x[0])) / area;
    // Edge k from vertex k to k + 1: e(x, y) = a * x + b * y + c, positive inside.
    double a[3], b[3], c[3];
    for (int k = 0; k < 3; ++k) {
        int n = (k + 1) % 3;
        double dx = t.x[n] - t.x[k], dy = t.y[n] - t.y[k];
        a[k] = -dy;
        b[k] = dx;
        c[k] = dy * t.x[k] - dx * t.y[k] - margin * std::sqrt(dx * dx + dy * dy);
    }
    for (int y = std::max(top, t.top); y <= std::min(bottom, t.bottom); ++y) {
        double from = 0, to = CpuDepthWidth - 1;
        for (int k = 0; k < 3; ++k) {
            double e = b[k] * y + c[k];  // a * x + e > 0
            if (a[k] > 0)
                from = std::max(from, std::floor(-e / a[k]) + 1);
            else if (a[k] < 0)
                to = std::min(to, std::ceil(-e / a[k]) - 1);
            else if (e <= 0)
                to = -1;
        }
        if (from > to) continue;
        if (span(y, (int)from, (int)to, t.z[0] - dzdx * t.x[0] + dzdy * (y - t.y[0]), dzdx)) return true;
    }
    return false;
}

void RasteriseTriangle(CpuOcclusion &cpu, const CpuTriangle &t, int top, int bottom) {
    ForEachSpan(t, top, bottom, CoverMargin, [&](int y, int from, int to, double z0, double dzdx) {
        float *row = &cpu.depth[(size_t)y * CpuDepthWidth];
        for (int x = from; x <= to; ++x) row[x] = std::min(row[x], (float)(z0 + dzdx * x));
        return false;
    });
}

// The query of the program's pass on the CPU: does any pixel the GPU may
// cover with the tree's own bounding mesh (a superset: centres up to the
// margin outside) have depth at or behind the mesh's, less the slack?
bool MeshVisible(const CpuOcclusion &cpu, const std::vector<CpuTriangle> &triangles) {
    for (const CpuTriangle &t : triangles)
        if (ForEachSpan(t, 0, CpuDepthHeight - 1, -CoverMargin, [&](int y, int from, int to, double z0, double dzdx) {
                const float *row = &cpu.depth[(size_t)y * CpuDepthWidth];
                for (int x = from; x <= to; ++x)
                    if (row[x] >= (float)(z0 + dzdx * x) - DepthSlack) return true;
                return false;
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

bool BoxVisible(const CpuOcclusion &cpu, const D3DXMATRIX &m) {
    double lo[2] = {1e30, 1e30}, hi[2] = {-1e30, -1e30}, nearest = 1e30;
    int beforeNear = 0, beyondFar = 0;
    for (int corner = 0; corner < 8; ++corner) {
        D3DXVECTOR3 p((corner & 1) ? cpu.boundsMax[0] : cpu.boundsMin[0], (corner & 2) ? cpu.boundsMax[1] : cpu.boundsMin[1],
                      (corner & 4) ? cpu.boundsMax[2] : cpu.boundsMin[2]);
        ClipVertex v = Transform(p, m);
        beforeNear += v.z < 0;
        beyondFar += v.z > v.w;
        if (v.z < 0 || v.w <= 1e-6) {
            nearest = -1;  // reaches in front of the near plane: not tested
            continue;
        }
        lo[0] = std::min(lo[0], v.x / v.w);
        hi[0] = std::max(hi[0], v.x / v.w);
        lo[1] = std::min(lo[1], v.y / v.w);
        hi[1] = std::max(hi[1], v.y / v.w);
        nearest = std::min(nearest, v.z / v.w);
    }
    if (beforeNear == 8 || beyondFar == 8) return false;
    if (nearest < 0) return true;
    // Pixel centres the box may cover, and one more on each side.
    double left = std::floor((lo[0] + 1) * (CpuDepthWidth / 2)) - 1, right = std::ceil((hi[0] + 1) * (CpuDepthWidth / 2)) + 1;
    double top = std::floor((1 - hi[1]) * (CpuDepthHeight / 2)) - 1, bottom = std::ceil((1 - lo[1]) * (CpuDepthHeight / 2)) + 1;
    if (right < 0 || bottom < 0 || left > CpuDepthWidth - 1 || top > CpuDepthHeight - 1) return false;
    return AnyPixelBehind(cpu, (int)std::max(left, 0.0), (int)std::max(top, 0.0),
                          (int)std::min(right, CpuDepthWidth - 1.0), (int)std::min(bottom, CpuDepthHeight - 1.0),
                          (float)nearest - DepthSlack);
}

// Runs work(part) for part 0..parts-1, the first on the calling thread.
template <typename Work>
void InParallel(int parts, const Work &work) {
    std::vector<std::thread> others;
    for (int part = 1; part < parts; ++part) others.emplace_back(work, part);
    work(0);
    for (std::thread &thread : others) thread.join();
}

}  // namespace

bool CreateCpuOcclusion(CpuOcclusion &cpu, const GlScene &scene, int threads, std::string &error) {
    if (scene.bounding.positions.empty() || scene.bounding.indices32.size() % 3 != 0) {
        error = "the bounding mesh has no triangles to rasterise";
        return false;
    }
    cpu.threads = std::clamp(threads, 1, CpuDepthHeight / CpuTileSize);
    cpu.positions = scene.bounding.positions;
    cpu.indices = scene.bounding.indices32;
    std::copy(scene.bounding.boundsMin, scene.bounding.boundsMin + 3, cpu.boundsMin);
    std::copy(scene.bounding.boundsMax, scene.bounding.boundsMax + 3, cpu.boundsMax);
    cpu.triangles.assign(cpu.threads, {});
    cpu.depth.assign((size_t)CpuDepthWidth * CpuDepthHeight, 1.0f);
    cpu.tileMax.assign((size_t)CpuTilesX * CpuTilesY, 1.0f);
    return true;
}

std::vector<bool> CpuPass(CpuOcclusion &cpu, const GlScene &scene, const D3DXMATRIX &viewProjection) {
    size_t trees = scene.worlds.size();
    int parts = cpu.threads;
    auto treeRange = [&](int part, size_t &first, size_t &end) {
        first = trees * part / parts;
        end = trees * (part + 1) / parts;
    };
    InParallel(parts, [&](int part) {
        size_t first, end;
        treeRange(part, first, end);
        SetUpTriangles(cpu, scene.worlds, first, end, viewProjection, cpu.triangles[part]);
    });
    // Bands of whole tile rows, so each band's tiles are its own.
    InParallel(parts, [&](int part) {
        int top = CpuTilesY * part / parts * CpuTileSize, bottom = CpuTilesY * (part + 1) / parts * CpuTileSize;
        RasteriseRows(cpu, top, bottom);
    });
    std::vector<char> visible(trees, 0);
    InParallel(parts, [&](int part) {
        size_t first, end;
        treeRange(part, first, end);
        std::vector<CpuTriangle> own;
        for (size_t i = first; i < end; ++i) {
            if (!BoxVisible(cpu, scene.worlds[i] * viewProjection)) continue;
            SetUpTriangles(cpu, scene.worlds, i, i + 1, viewProjection, own);
            visible[i] = MeshVisible(cpu, own);
        }
    });
    return std::vector<bool>(visible.begin(), visible.end());
}

const float *CpuDepth(const CpuOcclusion &cpu) { return cpu.depth.data(); }
