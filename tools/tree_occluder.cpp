// The tree's inner occluder: shapes that lie wholly inside the tree's
// closed parts, so that from any point outside the tree each of their
// pixels is one the tree covers, at or behind the tree's own depth there.
// A software rasteriser that draws them as occluders then never hides what
// the tree itself would not.
//
// - Crown: each lump is a closed surface whose points lie along their own
//   directions from its centre (checked: every face seen from the centre's
//   side). Inside it goes an icosahedron around the same centre whose
//   corners are pulled in until each face lies under the lump: a face of the
//   icosahedron spans a cone of directions from the centre, and along every
//   direction of that cone the lump's surface lies no nearer than the
//   nearest of the lump's faces whose cones can meet it; a flat face lies no
//   farther out than its farthest corner. (A finer sphere than the
//   icosahedron grows the pieces by about 5 % for four times the triangles.)
// - Trunk: a six-sided tube along the trunk's axis. Between two of the
//   trunk's rings its cross-section is a polygon whose edges move linearly
//   with height, so the largest disc around the interpolated centre that
//   fits is found from the two rings alone; the inner tube's rings keep
//   within those discs, less how far its straight segments stray from the
//   trunk's bent axis.
// Every size is then shrunk a little more, a margin for rounding.
#include <algorithm>

#include "materials.h"

namespace {

const Color OccluderColor{0.36, 0.26, 0.18};
const double Shrink = 0.97;
const int CrownLevels = 0;     // icosahedra: 20 faces a lump
const int TrunkSidesInner = 6;
// The trunk's rings the inner tube passes through, by index: from just
// above the foot to the top, where the trunk ends inside the crown.
const size_t TrunkInnerRings[] = {1, 7, 11, 15};

double AngleCosine(Vec3 a, Vec3 b) { return Dot(Normalize(a), Normalize(b)); }
double Sine(double cosine) { return std::sqrt(std::max(0.0, 1.0 - cosine * cosine)); }

// A cone of directions as a cap: its axis and the cosine of its half-angle.
struct Cap {
    Vec3 axis;
    double cosine;
};

Cap CapOf(Vec3 centre, Vec3 a, Vec3 b, Vec3 c) {
    Vec3 axis = Normalize(Normalize(a - centre) + Normalize(b - centre) + Normalize(c - centre));
    double cosine = std::min({AngleCosine(a - centre, axis), AngleCosine(b - centre, axis), AngleCosine(c - centre, axis)});
    return {axis, cosine};
}

// Whether the caps may share a direction: their axes no farther apart than
// the sum of their half-angles.
bool CapsMeet(const Cap &a, const Cap &b) {
    double sumCosine = a.cosine * b.cosine - Sine(a.cosine) * Sine(b.cosine);
    return Dot(a.axis, b.axis) >= sumCosine;
}

double SegmentDistance(Vec3 p, Vec3 a, Vec3 b) {
    Vec3 ab = b - a;
    return Length(a + ab * Clamp01(Dot(p - a, ab) / Dot(ab, ab)) - p);
}

// The distance from p to the nearest point of triangle (a, b, c).
double TriangleDistance(Vec3 p, Vec3 a, Vec3 b, Vec3 c) {
    Vec3 n = Normalize(Cross(b - a, c - a));
    double height = Dot(n, p - a);
    Vec3 q = p - n * height;  // p's foot on the plane
    if (Dot(Cross(b - a, q - a), n) >= 0.0 && Dot(Cross(c - b, q - b), n) >= 0.0 && Dot(Cross(a - c, q - c), n) >= 0.0)
        return std::fabs(height);
    return std::min({SegmentDistance(p, a, b), SegmentDistance(p, b, c), SegmentDistance(p, c, a)});
}

// Each face of the lump: how near the centre it comes, and its cap. False
// when a face turns its back on the centre (the lump is then not seen whole
// from it, and a ray from the centre might leave it before its face).
bool FaceReaches(const TreeBlob &blob, std::vector<double> &distances, std::vector<Cap> &caps) {
    bool seenWhole = true;
    for (auto [a, b, c] : blob.faces) {
        Vec3 pa = blob.points[a], pb = blob.points[b], pc = blob.points[c];
        seenWhole = seenWhole && Dot(Cross(pb - pa, pc - pa), pa - blob.centre) > 0.0;
        distances.push_back(TriangleDistance(blob.centre, pa, pb, pc));
        caps.push_back(CapOf(blob.centre, pa, pb, pc));
    }
    return seenWhole;
}

void AddCrownPiece(Mesh &mesh, const TreeBlob &blob, std::vector<std::string> &problems) {
    std::vector<double> distances;
    std::vector<Cap> caps;
    if (!FaceReaches(blob, distances, caps)) problems.push_back("tree: a lump of the crown is not seen whole from its centre");
    std::vector<Vec3> unit;
    std::vector<std::array<uint32_t, 3>> faces;
    MakeIcosphere(unit, faces, CrownLevels);
    std::vector<double> reach(unit.size(), 1e30);
    for (auto [a, b, c] : faces) {
        Cap cone = CapOf({0, 0, 0}, unit[a], unit[b], unit[c]);
        double nearest = 1e30;
        for (size_t f = 0; f < caps.size(); ++f)
            if (CapsMeet(cone, caps[f])) nearest = std::min(nearest, distances[f]);
        for (uint32_t k : {a, b, c}) reach[k] = std::min(reach[k], nearest);
    }
    uint32_t first = uint32_t(mesh.vertices.size());
    for (size_t k = 0; k < unit.size(); ++k) {
        if (!(reach[k] > 0.0)) problems.push_back("tree_occluder: a piece inside a lump has no size");
        AddVertex(mesh, {blob.centre + unit[k] * (reach[k] * Shrink), unit[k], 0, 0, OccluderColor});
    }
    for (auto [a, b, c] : faces) AddTriangle(mesh, first + a, first + b, first + c, 0);
}

// The signed distance across the ground plane from `centre` to the line
// through `point` along `direction`, positive on the side `orientation`
// (+1 or -1) names as inside.
double InsideDistance(Vec3 centre, Vec3 point, Vec3 direction, double orientation) {
    Vec3 d = Normalize({direction.x, 0, direction.z}), r = centre - point;
    return orientation * (d.x * r.z - d.z * r.x);
}

// For each of the trunk's rings, the radius of the disc around its centre
// that the trunk's cross-section holds at that height and, linearly, on to
// the next and previous rings (either diagonal of each quad).
std::vector<double> TrunkDiscs(const std::vector<TreeRing> &rings) {
    std::vector<double> discs(rings.size(), 1e30);
    double area = 0.0;
    const std::vector<Vec3> &first = rings[0].points;
    for (size_t k = 0; k < first.size(); ++k)
        area += InsideDistance(rings[0].centre, first[k], first[(k + 1) % first.size()] - first[k], 1.0);
    double orientation = area > 0.0 ? 1.0 : -1.0;
    for (size_t j = 0; j + 1 < rings.size(); ++j) {
        const TreeRing &low = rings[j], &high = rings[j + 1];
        size_t n = low.points.size();
        for (size_t k = 0; k < n; ++k) {
            Vec3 a0 = low.points[k], a1 = low.points[(k + 1) % n], c0 = high.points[k], c1 = high.points[(k + 1) % n];
            Vec3 lowEdge = a1 - a0, highEdge = c1 - c0;
            discs[j] = std::min({discs[j], InsideDistance(low.centre, a0, lowEdge, orientation),
                                 InsideDistance(low.centre, a0, highEdge, orientation),
                                 InsideDistance(low.centre, a1, highEdge, orientation)});
            discs[j + 1] = std::min({discs[j + 1], InsideDistance(high.centre, c0, highEdge, orientation),
                                     InsideDistance(high.centre, c0, lowEdge, orientation),
                                     InsideDistance(high.centre, c1, lowEdge, orientation)});
        }
    }
    return discs;
}

// The inner tube's radius at each of its rings: within every disc the
// segments on either side pass, less the segments' offset from the axis.
std::vector<double> InnerTrunkRadii(const std::vector<TreeRing> &rings, const std::vector<double> &discs) {
    size_t count = std::size(TrunkInnerRings);
    std::vector<double> room(count - 1, 1e30);
    for (size_t s = 0; s + 1 < count; ++s) {
        const TreeRing &from = rings[TrunkInnerRings[s]], &to = rings[TrunkInnerRings[s + 1]];
        for (size_t j = TrunkInnerRings[s]; j <= TrunkInnerRings[s + 1]; ++j) {
            double t = (rings[j].centre.y - from.centre.y) / (to.centre.y - from.centre.y);
            Vec3 straight = from.centre + (to.centre - from.centre) * t;
            room[s] = std::min(room[s], discs[j] - Length(straight - rings[j].centre));
        }
    }
    std::vector<double> radii;
    for (size_t r = 0; r < count; ++r)
        radii.push_back(std::min(r > 0 ? room[r - 1] : 1e30, r + 1 < count ? room[r] : 1e30) * Shrink);
    return radii;
}

void AddTrunkPiece(Mesh &mesh, std::vector<std::string> &problems) {
    std::vector<TreeRing> rings = TrunkRings();
    std::vector<double> radii = InnerTrunkRadii(rings, TrunkDiscs(rings));
    const double twoPi = 6.283185307179586;
    uint32_t first = uint32_t(mesh.vertices.size()), n = TrunkSidesInner, last = uint32_t(radii.size() - 1);
    for (uint32_t r = 0; r <= last; ++r) {
        if (!(radii[r] > 0.0)) problems.push_back("tree_occluder: the piece inside the trunk has no size");
        // The end rings' normals lean along the axis, towards their caps.
        Vec3 lean{0, r == 0 ? -1.0 : r == last ? 1.0 : 0.0, 0};
        for (uint32_t k = 0; k < n; ++k) {
            Vec3 out{std::cos(twoPi * k / n), 0, std::sin(twoPi * k / n)};
            AddVertex(mesh, {rings[TrunkInnerRings[r]].centre + out * radii[r], Normalize(out + lean), 0, 0,
                             OccluderColor});
        }
    }
    for (uint32_t r = 0; r < last; ++r)
        for (uint32_t k = 0; k < n; ++k) {
            uint32_t a = first + r * n + k, b = first + r * n + (k + 1) % n, c = a + n, d = b + n;
            AddTriangle(mesh, a, c, b, 0);
            AddTriangle(mesh, b, c, d, 0);
        }
    for (uint32_t end : {0u, last}) {
        uint32_t ring = first + end * n;
        for (uint32_t k = 1; k + 1 < n; ++k) AddTriangle(mesh, ring, ring + k, ring + k + 1, 0);
    }
}

}  // namespace

Mesh MakeTreeOccluder(std::vector<std::string> &problems) {
    Mesh mesh;
    mesh.materials.push_back({"Occluder", OccluderColor, ""});
    AddTrunkPiece(mesh, problems);
    for (const TreeBlob &blob : TreeBlobs()) AddCrownPiece(mesh, blob, problems);
    return mesh;
}
