// make-materials <output-dir> [<icon-dir>]: writes the demo's meshes
// (terrain.x, skybox.x, tree.x, tree_bounding.x), the tree's inner occluder
// for the culling methods (tree_occluder.x) and the textures they name,
// and with a second directory the program's icon at the usual sizes
// (occlusion-culling-16.png ... -256.png). The output is fully determined by
// this source: no clock, no system random numbers.
//
// Before writing anything the meshes are checked against what the renderer
// and the scene rely on (winding, trees standing on the ground, the skybox
// inside the far plane, the bounding shape holding the whole tree, the inner
// occluder closed and within it); a failed check is reported and nothing is
// written.
#include "materials.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <numeric>
#include <utility>

namespace {

struct Checker {
    std::vector<std::string> problems;
    // Records `problem` unless `ok`.
    void Expect(bool ok, const std::string &problem) {
        if (!ok) problems.push_back(problem);
    }
};

Vec3 FaceNormal(const Mesh &mesh, size_t f) {
    Vec3 a = mesh.vertices[mesh.indices[f * 3]].position;
    Vec3 b = mesh.vertices[mesh.indices[f * 3 + 1]].position;
    Vec3 c = mesh.vertices[mesh.indices[f * 3 + 2]].position;
    return Cross(b - a, c - a);
}

// Shape of the arrays, and every face clockwise (front) from the side its
// vertex normals point to.
void CheckWinding(Checker &check, const std::string &name, const Mesh &mesh) {
    size_t faces = mesh.faceMaterials.size();
    check.Expect(mesh.indices.size() == faces * 3, name + ": face and material counts differ");
    bool inRange = std::all_of(mesh.indices.begin(), mesh.indices.end(),
                               [&](uint32_t i) { return i < mesh.vertices.size(); });
    check.Expect(inRange, name + ": vertex index out of range");
    if (!inRange) return;
    for (uint32_t m : mesh.faceMaterials) check.Expect(m < mesh.materials.size(), name + ": material index out of range");
    size_t wrong = 0;
    for (size_t f = 0; f < faces; ++f) {
        Vec3 normals{0, 0, 0};
        for (int k = 0; k < 3; ++k) normals = normals + mesh.vertices[mesh.indices[f * 3 + k]].normal;
        if (Dot(FaceNormal(mesh, f), normals) <= 0.0) ++wrong;
    }
    check.Expect(wrong == 0, name + ": " + std::to_string(wrong) + " faces wound against their normals");
}

void CheckTerrain(Checker &check, const Mesh &terrain) {
    double reach = 0.0, highest = -1e9;
    for (const MeshVertex &v : terrain.vertices) {
        Vec3 p = v.position;
        double ring = std::max(std::fabs(p.x), std::fabs(p.z));
        reach = std::max(reach, ring);
        highest = std::max(highest, p.y);
        // Cells under the forest (trees within +-150) stay within a unit of y = 0.
        if (ring < ForestHalfSize + 15.0)
            check.Expect(std::fabs(p.y) <= 1.0, "terrain: ground under the forest more than 1 unit from y = 0");
        check.Expect(v.normal.y > 0.0, "terrain: a normal points down");
    }
    check.Expect(reach >= SkyboxHalfSize, "terrain: stops short of the skybox walls");
    check.Expect(highest < SkyboxHalfSize * 0.5, "terrain: hills reach too close to the skybox top");
}

void CheckSkybox(Checker &check, const Mesh &skybox) {
    const Vec3 cameraStart{0, 10, 0};
    const double farPlane = 1250.0;  // world units: 1000 view units times the camera scale 1.25
    for (size_t f = 0; f < skybox.faceMaterials.size(); ++f) {
        Vec3 centre = skybox.vertices[skybox.indices[f * 3]].position;
        check.Expect(Dot(FaceNormal(skybox, f), centre) < 0.0, "skybox: a face is not seen from the inside");
    }
    for (const MeshVertex &v : skybox.vertices)
        check.Expect(Length(v.position - cameraStart) < farPlane - 100.0, "skybox: a corner is too close to the far plane");
}

void CheckTree(Checker &check, const Mesh &tree) {
    double low = 1e9, high = -1e9, radius = 0.0;
    for (const MeshVertex &v : tree.vertices) {
        low = std::min(low, v.position.y);
        high = std::max(high, v.position.y);
        radius = std::max(radius, std::sqrt(v.position.x * v.position.x + v.position.z * v.position.z));
    }
    size_t count = tree.vertices.size();
    check.Expect(count >= 2000 && count <= 5000, "tree: not 2000 to 5000 vertices: " + std::to_string(count));
    check.Expect(std::fabs(low - TreeBaseY) < 1e-9, "tree: base not at y = -12");
    check.Expect(high - low >= 20.0 && high - low <= 28.0, "tree: not 20 to 28 units tall");
    check.Expect(radius >= 5.0 && radius <= 7.5, "tree: crown radius not 5 to 7.5 units");
}

// Every edge of the mesh shared by exactly two faces in opposite directions.
void CheckClosed(Checker &check, const std::string &name, const Mesh &mesh) {
    std::map<std::pair<uint32_t, uint32_t>, int> edges;
    for (size_t i = 0; i < mesh.indices.size(); i += 3)
        for (int k = 0; k < 3; ++k) ++edges[{mesh.indices[i + k], mesh.indices[i + (k + 1) % 3]}];
    for (auto [edge, uses] : edges) {
        auto reverse = edges.find({edge.second, edge.first});
        check.Expect(uses == 1 && reverse != edges.end() && reverse->second == 1, name + ": not closed");
    }
}

Vec3 Stored(Vec3 p) { return {RoundAsWritten(p.x), RoundAsWritten(p.y), RoundAsWritten(p.z)}; }

// A convex part of the bounding mesh as its face planes: a point and the outward normal.
struct FacePlane {
    Vec3 point, normal;
};
using ConvexPart = std::vector<FacePlane>;

// The bounding mesh's connected parts, each checked to face outward.
std::vector<ConvexPart> BoundingParts(Checker &check, const Mesh &bounding) {
    std::vector<uint32_t> part(bounding.vertices.size());
    std::iota(part.begin(), part.end(), 0u);
    auto root = [&](uint32_t v) {
        while (part[v] != v) v = part[v] = part[part[v]];
        return v;
    };
    for (size_t i = 0; i < bounding.indices.size(); i += 3)
        for (int k = 1; k < 3; ++k) part[root(bounding.indices[i + k])] = root(bounding.indices[i]);
    std::map<uint32_t, std::vector<size_t>> facesOfPart;
    for (size_t f = 0; f < bounding.faceMaterials.size(); ++f) facesOfPart[root(bounding.indices[f * 3])].push_back(f);
    std::vector<ConvexPart> parts;
    for (auto &[partRoot, faces] : facesOfPart) {
        Vec3 centre{0, 0, 0};
        for (size_t f : faces) centre = centre + bounding.vertices[bounding.indices[f * 3]].position;
        centre = centre * (1.0 / double(faces.size()));
        ConvexPart planes;
        for (size_t f : faces) {
            Vec3 a = Stored(bounding.vertices[bounding.indices[f * 3]].position);
            Vec3 b = Stored(bounding.vertices[bounding.indices[f * 3 + 1]].position);
            Vec3 c = Stored(bounding.vertices[bounding.indices[f * 3 + 2]].position);
            Vec3 normal = Normalize(Cross(b - a, c - a));
            check.Expect(Dot(normal, a - centre) > 0.0, "tree_bounding: a face points inward");
            planes.push_back({a, normal});
        }
        parts.push_back(planes);
    }
    return parts;
}

// The vertices of `mesh`, as the file stores them, in none of the parts.
size_t CountOutside(const std::vector<ConvexPart> &parts, const Mesh &mesh) {
    size_t outside = 0;
    for (const MeshVertex &v : mesh.vertices) {
        Vec3 p = Stored(v.position);
        bool inside = std::any_of(parts.begin(), parts.end(), [&](const ConvexPart &planes) {
            return std::all_of(planes.begin(), planes.end(),
                               [&](const FacePlane &face) { return Dot(face.normal, p - face.point) <= 1e-4; });
        });
        if (!inside) ++outside;
    }
    return outside;
}

// The bounding mesh is a union of closed convex parts that face outward and
// together hold every tree vertex as the files store them; the inner
// occluder is closed and lies within them too (and, by its making, within
// the tree's own parts).
void CheckBoundingAndOccluder(Checker &check, const Mesh &bounding, const Mesh &tree, const Mesh &occluder) {
    size_t count = bounding.vertices.size();
    check.Expect(count >= 20 && count <= 60, "tree_bounding: not 20 to 60 vertices: " + std::to_string(count));
    CheckClosed(check, "tree_bounding", bounding);
    CheckClosed(check, "tree_occluder", occluder);
    std::vector<ConvexPart> parts = BoundingParts(check, bounding);
    size_t outside = CountOutside(parts, tree);
    check.Expect(outside == 0, "tree_bounding: " + std::to_string(outside) + " tree vertices outside");
    outside = CountOutside(parts, occluder);
    check.Expect(outside == 0, "tree_occluder: " + std::to_string(outside) + " vertices outside the bounding mesh");
}

bool WriteText(const std::string &path, const std::string &text) {
    std::ofstream file(path, std::ios::binary);
    file << text;
    return bool(file.flush());
}

// Each distinct problem reported once; true when there are none.
bool Passed(Checker &check) {
    std::sort(check.problems.begin(), check.problems.end());
    check.problems.erase(std::unique(check.problems.begin(), check.problems.end()), check.problems.end());
    for (const std::string &problem : check.problems) std::fprintf(stderr, "make-materials: %s\n", problem.c_str());
    return check.problems.empty();
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: make-materials <output-dir> [<icon-dir>]\n");
        return 2;
    }
    std::string dir = argv[1];
    std::string iconDir = argc == 3 ? argv[2] : "";

    Mesh terrain = MakeTerrain();
    Mesh skybox = MakeSkybox();
    Mesh tree = MakeTree();
    Mesh bounding = MakeTreeBounding(tree);
    Checker check;
    Mesh occluder = MakeTreeOccluder(check.problems);

    CheckWinding(check, "terrain", terrain);
    CheckWinding(check, "skybox", skybox);
    CheckWinding(check, "tree", tree);
    CheckWinding(check, "tree_bounding", bounding);
    CheckWinding(check, "tree_occluder", occluder);
    CheckTerrain(check, terrain);
    CheckSkybox(check, skybox);
    CheckTree(check, tree);
    CheckBoundingAndOccluder(check, bounding, tree, occluder);
    if (!Passed(check)) return 1;

    for (const std::string &target : {dir, iconDir}) {
        std::error_code error;
        if (!target.empty()) std::filesystem::create_directories(target, error);
        if (error) {
            std::fprintf(stderr, "make-materials: cannot create %s: %s\n", target.c_str(), error.message().c_str());
            return 1;
        }
    }
    std::vector<std::pair<std::string, Image>> images = {
        {"grass.png", MakeGrassTexture()},
        {"bark.png", MakeBarkTexture()},
        {"leaves.png", MakeLeavesTexture()},
    };
    for (const SkyFace &face : SkyFaces) images.push_back({face.textureFile, MakeSkyTexture(face, 512)});
    const std::pair<std::string, std::string> meshes[] = {
        {"terrain.x", FormatXFile(terrain, "Terrain")},
        {"skybox.x", FormatXFile(skybox, "Skybox")},
        {"tree.x", FormatXFile(tree, "Tree")},
        {"tree_bounding.x", FormatXFile(bounding, "TreeBounding")},
        {"tree_occluder.x", FormatXFile(occluder, "TreeOccluder")},
    };
    bool ok = true;
    for (const auto &[name, image] : images) {
        if (!WritePng(dir + "/" + name, image)) {
            std::fprintf(stderr, "make-materials: cannot write %s/%s\n", dir.c_str(), name.c_str());
            ok = false;
        }
    }
    if (!iconDir.empty()) {
        for (int size : IconSizes) {
            std::string name = "occlusion-culling-" + std::to_string(size) + ".png";
            if (!WritePng(iconDir + "/" + name, MakeIcon(size))) {
                std::fprintf(stderr, "make-materials: cannot write %s/%s\n", iconDir.c_str(), name.c_str());
                ok = false;
            }
        }
    }
    for (const auto &[name, text] : meshes) {
        if (!WriteText(dir + "/" + name, text)) {
            std::fprintf(stderr, "make-materials: cannot write %s/%s\n", dir.c_str(), name.c_str());
            ok = false;
        }
    }
    std::printf("terrain %zu vertices %zu faces, skybox %zu/%zu, tree %zu/%zu, tree_bounding %zu/%zu, "
                "tree_occluder %zu/%zu\n",
                terrain.vertices.size(), terrain.faceMaterials.size(), skybox.vertices.size(),
                skybox.faceMaterials.size(), tree.vertices.size(), tree.faceMaterials.size(),
                bounding.vertices.size(), bounding.faceMaterials.size(), occluder.vertices.size(),
                occluder.faceMaterials.size());
    return ok ? 0 : 1;
}
