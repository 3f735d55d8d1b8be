#include "xfile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "../d3d9/matrix.h"
#include "xfile_inflate.h"
#include "xfile_objects.h"
#include "xfile_tokens.h"

namespace {

constexpr size_t kHeaderSize = 16;
constexpr size_t kMaxBodySize = size_t(256) << 20;
constexpr uint32_t kMaxVertices = 1u << 22;
constexpr uint32_t kMaxTriangles = 1u << 22;
constexpr uint32_t kMaxMaterials = 1u << 16;
constexpr size_t kMaxTextureNameLength = 1024;

// ---- reading the members of one object ---------------------------------

struct Members {
    const XDocument &document;
    const XObject &object;
    std::string &error;
    size_t next = 0;
};

size_t ValuesLeft(const Members &m) { return m.object.data.size() - m.next; }

uint32_t Here(const Members &m) {
    return m.next < m.object.data.size() ? m.object.data[m.next].position : m.object.endPosition;
}

bool Fail(const Members &m, const std::string &reason) { return XFail(m.document, Here(m), reason, m.error); }

// Fails at the value just read.
bool FailBack(const Members &m, const std::string &reason) {
    return XFail(m.document, m.object.data[m.next - 1].position, reason, m.error);
}

bool HaveValue(const Members &m, const char *what) {
    if (ValuesLeft(m) > 0) return true;
    return Fail(m, std::string(m.object.type) + " ends before the " + what);
}

bool ReadInteger(Members &m, const char *what, uint32_t &value) {
    if (!HaveValue(m, what)) return false;
    const XDataItem &item = m.object.data[m.next];
    if (item.kind != XDataKind::Integer) return Fail(m, std::string("expected an integer for the ") + what);
    value = item.bits;
    m.next++;
    return true;
}

bool ReadFloats(Members &m, const char *what, float *values, int count) {
    for (int i = 0; i < count; i++) {
        if (!HaveValue(m, what)) return false;
        const XDataItem &item = m.object.data[m.next];
        if (item.kind == XDataKind::String) return Fail(m, std::string("expected a number for the ") + what);
        if (item.kind == XDataKind::Integer) {
            values[i] = float(item.bits);
        } else {
            memcpy(&values[i], &item.bits, sizeof(float));
        }
        m.next++;
    }
    return true;
}

// A count of entries of `valuesPerEntry` values each, checked against the
// values actually present before anything is sized by it.
bool ReadCount(Members &m, const char *what, size_t valuesPerEntry, uint32_t limit, uint32_t &count) {
    if (!ReadInteger(m, what, count)) return false;
    if (uint64_t(count) * valuesPerEntry > ValuesLeft(m)) {
        return FailBack(
            m, std::to_string(count) + " " + what + " but only " + std::to_string(ValuesLeft(m)) + " values follow");
    }
    if (count > limit) {
        return FailBack(m, std::to_string(count) + " " + what + " exceed the limit of " + std::to_string(limit));
    }
    return true;
}

// ---- one Mesh object ----------------------------------------------------

// A mesh as read from the file, before it is merged with the others.
struct MeshParts {
    std::vector<XFileVertex> vertices;
    std::vector<uint32_t> faceSizes;      // corners of each face
    std::vector<uint32_t> corners;        // vertex of each corner, face after face
    std::vector<uint32_t> faceMaterials;  // empty when the mesh has no materials
    std::vector<XFileMaterial> materials;
    bool hasNormals = false;
    bool hasTexcoords = false;
    bool hasColors = false;
};

bool ReadGeometry(const XDocument &document, const XObject &mesh, MeshParts &parts, std::string &error) {
    Members m{document, mesh, error};
    uint32_t vertexCount = 0;
    if (!ReadCount(m, "vertices", 3, kMaxVertices, vertexCount)) return false;
    parts.vertices.resize(vertexCount);
    for (XFileVertex &vertex : parts.vertices) {
        vertex = XFileVertex{{0, 0, 0}, {0, 0, 0}, {0, 0}, {1, 1, 1, 1}};
        if (!ReadFloats(m, "vertex position", vertex.position, 3)) return false;
    }
    uint32_t faceCount = 0;
    if (!ReadCount(m, "faces", 1, kMaxTriangles, faceCount)) return false;
    parts.faceSizes.resize(faceCount);
    for (uint32_t face = 0; face < faceCount; face++) {
        uint32_t size = 0;
        if (!ReadCount(m, "face indices", 1, UINT32_MAX, size)) return false;
        if (size < 3) {
            return FailBack(
                m, "face " + std::to_string(face) + " has " + std::to_string(size) + " indices, needs at least 3");
        }
        parts.faceSizes[face] = size;
        for (uint32_t corner = 0; corner < size; corner++) {
            uint32_t index = 0;
            if (!ReadInteger(m, "face index", index)) return false;
            if (index >= vertexCount) {
                return FailBack(m, "face " + std::to_string(face) + " index " + std::to_string(index) +
                                       " out of range (" + std::to_string(vertexCount) + " vertices)");
            }
            parts.corners.push_back(index);
        }
    }
    return true;
}

bool ReadTextureCoords(const XDocument &document, const XObject &object, MeshParts &parts, std::string &error) {
    Members m{document, object, error};
    uint32_t count = 0;
    if (!ReadCount(m, "texture coordinates", 2, kMaxVertices, count)) return false;
    if (count != parts.vertices.size()) {
        return XFail(document, object.position,
                     "MeshTextureCoords has " + std::to_string(count) + " entries for " +
                         std::to_string(parts.vertices.size()) + " vertices",
                     error);
    }
    for (XFileVertex &vertex : parts.vertices) {
        if (!ReadFloats(m, "texture coordinate", vertex.texcoord, 2)) return false;
    }
    parts.hasTexcoords = true;
    return true;
}

float Clamp01(float value) {
    if (!(value > 0)) return 0;  // NaN too
    return value > 1 ? 1 : value;
}

bool ReadVertexColors(const XDocument &document, const XObject &object, MeshParts &parts, std::string &error) {
    Members m{document, object, error};
    uint32_t count = 0;
    if (!ReadCount(m, "vertex colors", 5, UINT32_MAX, count)) return false;
    for (uint32_t i = 0; i < count; i++) {
        uint32_t index = 0;
        if (!ReadInteger(m, "vertex color index", index)) return false;
        if (index >= parts.vertices.size()) {
            return FailBack(m, "vertex color index " + std::to_string(index) + " out of range (" +
                                   std::to_string(parts.vertices.size()) + " vertices)");
        }
        float *color = parts.vertices[index].color;
        if (!ReadFloats(m, "vertex color", color, 4)) return false;
        for (int c = 0; c < 4; c++) color[c] = Clamp01(color[c]);
    }
    parts.hasColors = true;
    return true;
}

// Material { faceColor r;g;b;a;; power; specularColor r;g;b;; emissiveColor r;g;b;; [TextureFilename] }
bool ReadMaterial(const XDocument &document, const XObject &object, XFileMaterial &material, std::string &error) {
    Members m{document, object, error};
    float values[11];
    if (!ReadFloats(m, "material colors", values, 11)) return false;
    material = XFileMaterial{{values[0], values[1], values[2], values[3]},
                             {0, 0, 0, 1},
                             {values[5], values[6], values[7], 1},
                             {values[8], values[9], values[10], 1},
                             values[4],
                             false,
                             {}};
    for (const XChild &child : object.children) {
        if (child.object < 0) continue;
        const XObject &texture = document.objects[size_t(child.object)];
        if (!XTypeIs(texture, "TextureFilename")) continue;
        if (texture.data.empty() || texture.data[0].kind != XDataKind::String) {
            return XFail(document, texture.position, "TextureFilename without a file name string", error);
        }
        std::string_view name = texture.strings[texture.data[0].bits];
        if (name.size() > kMaxTextureNameLength) {
            return XFail(document, texture.position,
                         "texture file name longer than " + std::to_string(kMaxTextureNameLength) + " characters",
                         error);
        }
        material.hasTextureFilename = true;  // the last one counts
        material.textureFilename = std::string(name);
    }
    return true;
}

// Materials read so far, by object: a top-level material may be referenced
// by many lists and is read once.
using MaterialCache = std::unordered_map<const XObject *, XFileMaterial>;

bool ReadMaterialOnce(const XDocument &document, const XObject &object, MaterialCache &cache,
                      const XFileMaterial *&material, std::string &error) {
    auto found = cache.find(&object);
    if (found == cache.end()) {
        XFileMaterial read;
        if (!ReadMaterial(document, object, read, error)) return false;
        found = cache.emplace(&object, std::move(read)).first;
    }
    material = &found->second;
    return true;
}

bool ReadMaterialList(const XDocument &document, const XObject &object, MaterialCache &cache, MeshParts &parts,
                      std::string &error) {
    Members m{document, object, error};
    uint32_t materialCount = 0;
    if (!ReadInteger(m, "material count", materialCount)) return false;
    if (materialCount == 0) return true;  // a list of no materials leaves the mesh without any
    if (materialCount > kMaxMaterials) {
        return FailBack(
            m, std::to_string(materialCount) + " materials exceed the limit of " + std::to_string(kMaxMaterials));
    }
    uint32_t indexCount = 0;
    if (!ReadCount(m, "face material indexes", 1, UINT32_MAX, indexCount)) return false;
    size_t faceCount = parts.faceSizes.size();
    if (indexCount > faceCount) {
        return FailBack(
            m, std::to_string(indexCount) + " face material indexes for " + std::to_string(faceCount) + " faces");
    }
    // Exporters may list fewer indexes than faces; the last one stands for the rest.
    parts.faceMaterials.assign(faceCount, 0);
    for (uint32_t face = 0; face < indexCount; face++) {
        uint32_t index = 0;
        if (!ReadInteger(m, "face material index", index)) return false;
        if (index >= materialCount) {
            return FailBack(m, "face " + std::to_string(face) + " material " + std::to_string(index) +
                                   " out of range (" + std::to_string(materialCount) + " materials)");
        }
        parts.faceMaterials[face] = index;
    }
    for (size_t face = indexCount; face < faceCount && indexCount > 0; face++) {
        parts.faceMaterials[face] = parts.faceMaterials[indexCount - 1];
    }
    for (const XChild &child : object.children) {
        const XObject *target = ResolveXChild(document, child);
        if (!target) {
            return XFail(document, child.position,
                         "material reference to unknown object '" + std::string(child.referenceName) + "'", error);
        }
        if (!XTypeIs(*target, "Material")) {
            if (child.object >= 0) continue;  // other nested objects carry nothing here
            return XFail(document, child.position, "'" + std::string(child.referenceName) + "' is not a Material",
                         error);
        }
        if (parts.materials.size() == materialCount) {
            return XFail(document, child.position,
                         "MeshMaterialList declares " + std::to_string(materialCount) + " materials but holds more",
                         error);
        }
        const XFileMaterial *material = nullptr;
        if (!ReadMaterialOnce(document, *target, cache, material, error)) return false;
        parts.materials.push_back(*material);
    }
    if (parts.materials.size() != materialCount) {
        return XFail(document, object.position,
                     "MeshMaterialList declares " + std::to_string(materialCount) + " materials but holds " +
                         std::to_string(parts.materials.size()),
                     error);
    }
    return true;
}

// Normals are given per face corner. A vertex keeps the first normal it is
// seen with; each further distinct normal gets a copy of the vertex, shared
// by every later corner of that vertex with the same normal.
bool ReadNormals(const XDocument &document, const XObject &object, MeshParts &parts, std::string &error) {
    Members m{document, object, error};
    uint32_t normalCount = 0;
    if (!ReadCount(m, "normals", 3, 3 * kMaxTriangles, normalCount)) return false;
    std::vector<float> normals(size_t(normalCount) * 3);
    if (normalCount > 0 && !ReadFloats(m, "normal", normals.data(), int(normals.size()))) return false;
    uint32_t faceCount = 0;
    if (!ReadInteger(m, "normal face count", faceCount)) return false;
    if (faceCount != parts.faceSizes.size()) {
        return FailBack(m, "MeshNormals has " + std::to_string(faceCount) + " faces, the mesh has " +
                               std::to_string(parts.faceSizes.size()));
    }
    // Equal normals count as one, whatever their index: compared by value,
    // so -0.0 equals 0.0 (adding +0.0 turns -0.0 into +0.0 and leaves every
    // other value, NaN included, as it is).
    std::vector<uint32_t> canonical(normalCount);
    std::unordered_map<std::string, uint32_t> firstOfValue;
    for (uint32_t i = 0; i < normalCount; i++) {
        float value[3];
        for (int c = 0; c < 3; c++) value[c] = normals[size_t(i) * 3 + c] + 0.0f;
        std::string key(reinterpret_cast<const char *>(value), sizeof value);
        canonical[i] = firstOfValue.emplace(std::move(key), i).first->second;
    }
    constexpr uint32_t kNoNormal = UINT32_MAX;
    size_t originalCount = parts.vertices.size();
    std::vector<uint32_t> normalOfVertex(originalCount, kNoNormal);
    std::unordered_map<uint64_t, uint32_t> copies;  // (vertex << 32 | normal) -> copy
    size_t corner = 0;
    for (uint32_t face = 0; face < faceCount; face++) {
        uint32_t size = 0;
        if (!ReadInteger(m, "normal face size", size)) return false;
        if (size != parts.faceSizes[face]) {
            return FailBack(m, "MeshNormals face " + std::to_string(face) + " has " + std::to_string(size) +
                                   " corners, the mesh face has " + std::to_string(parts.faceSizes[face]));
        }
        for (uint32_t i = 0; i < size; i++, corner++) {
            uint32_t index = 0;
            if (!ReadInteger(m, "normal index", index)) return false;
            if (index >= normalCount) {
                return FailBack(m, "normal face " + std::to_string(face) + " index " + std::to_string(index) +
                                       " out of range (" + std::to_string(normalCount) + " normals)");
            }
            uint32_t normal = canonical[index];
            uint32_t vertex = parts.corners[corner];
            if (normalOfVertex[vertex] == kNoNormal) normalOfVertex[vertex] = normal;
            if (normalOfVertex[vertex] != normal) {
                auto [copy, added] = copies.emplace(uint64_t(vertex) << 32 | normal, uint32_t(parts.vertices.size()));
                if (added) {
                    if (parts.vertices.size() >= kMaxVertices) {
                        return XFail(document, object.position, "normals split the mesh into too many vertices", error);
                    }
                    parts.vertices.push_back(parts.vertices[vertex]);
                    memcpy(parts.vertices.back().normal, &normals[size_t(normal) * 3], 3 * sizeof(float));
                }
                vertex = copy->second;
            } else {
                memcpy(parts.vertices[vertex].normal, &normals[size_t(normal) * 3], 3 * sizeof(float));
            }
            parts.corners[corner] = vertex;
        }
    }
    parts.hasNormals = true;
    return true;
}

// The one child of a type, or null; a second one is an error.
bool FindSingleChild(const XDocument &document, const XObject &parent, std::string_view type, const XObject *&found,
                     std::string &error) {
    found = nullptr;
    for (const XChild &child : parent.children) {
        if (child.object < 0 || !XTypeIs(document.objects[size_t(child.object)], type)) continue;
        if (found) {
            return XFail(document, child.position, std::string(parent.type) + " has more than one " + std::string(type),
                         error);
        }
        found = &document.objects[size_t(child.object)];
    }
    return true;
}

bool ReadMesh(const XDocument &document, const XObject &mesh, MaterialCache &cache, MeshParts &parts,
              std::string &error) {
    const XObject *normals, *texcoords, *colors, *materials;
    if (!FindSingleChild(document, mesh, "MeshNormals", normals, error) ||
        !FindSingleChild(document, mesh, "MeshTextureCoords", texcoords, error) ||
        !FindSingleChild(document, mesh, "MeshVertexColors", colors, error) ||
        !FindSingleChild(document, mesh, "MeshMaterialList", materials, error)) {
        return false;
    }
    if (!ReadGeometry(document, mesh, parts, error)) return false;
    // Normals last: splitting copies the texture coordinates and colours.
    if (texcoords && !ReadTextureCoords(document, *texcoords, parts, error)) return false;
    if (colors && !ReadVertexColors(document, *colors, parts, error)) return false;
    if (materials && !ReadMaterialList(document, *materials, cache, parts, error)) return false;
    if (normals && !ReadNormals(document, *normals, parts, error)) return false;
    return true;
}

// ---- frames ---------------------------------------------------------------

struct MeshInstance {
    const XObject *mesh;
    D3DMATRIX world;  // points are row vectors multiplied on the left
    bool framed;  // inside a frame: transformed, normals renormalised
};

bool ReadFrameMatrix(const XDocument &document, const XObject &matrix, D3DMATRIX &local, std::string &error) {
    Members m{document, matrix, error};
    return ReadFloats(m, "matrix", &local.m[0][0], 16);
}

// Meshes of a frame and its sub-frames, depth first in document order.
// A FrameTransformMatrix applies to the meshes and frames after it in its
// frame; a later one accumulates onto it as a child frame's would.
// Only nested objects count, not references: every Mesh object is then read
// at most once, and recursion is bounded by the parser's nesting limit.
bool CollectFrame(const XDocument &document, const XObject &frame, const D3DMATRIX &parent,
                  std::vector<MeshInstance> &instances, std::string &error) {
    D3DMATRIX world = parent;
    for (const XChild &child : frame.children) {
        if (child.object < 0) continue;
        const XObject &object = document.objects[size_t(child.object)];
        if (XTypeIs(object, "FrameTransformMatrix")) {
            D3DMATRIX local;
            if (!ReadFrameMatrix(document, object, local, error)) return false;
            world = MultiplyMatrices(local, world);
        } else if (XTypeIs(object, "Mesh")) {
            instances.push_back({&object, world, true});
        } else if (XTypeIs(object, "Frame")) {
            if (!CollectFrame(document, object, world, instances, error)) return false;
        }
    }
    return true;
}

void TransformMesh(MeshParts &parts, const D3DMATRIX &world) {
    const float *m = &world.m[0][0];
    for (XFileVertex &vertex : parts.vertices) {
        float x = vertex.position[0], y = vertex.position[1], z = vertex.position[2];
        float w = x * m[3] + y * m[7] + z * m[11] + m[15];
        if (w == 0) w = 1;
        for (int i = 0; i < 3; i++) vertex.position[i] = (x * m[i] + y * m[4 + i] + z * m[8 + i] + m[12 + i]) / w;

        float nx = vertex.normal[0], ny = vertex.normal[1], nz = vertex.normal[2];
        float n[3];
        for (int i = 0; i < 3; i++) n[i] = nx * m[i] + ny * m[4 + i] + nz * m[8 + i];
        float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        for (int i = 0; i < 3; i++) vertex.normal[i] = length > 0 ? n[i] / length : 0;
    }
}

// ---- merging --------------------------------------------------------------

XFileMaterial DefaultMaterial() {
    return XFileMaterial{{0.5f, 0.5f, 0.5f, 0}, {0, 0, 0, 0}, {0.5f, 0.5f, 0.5f, 0}, {0, 0, 0, 0}, 0, false, {}};
}

// Appends a mesh: faces become fans, indices and attributes are offset past
// the meshes before it; a mesh without materials gets a default one.
bool AppendMesh(const XDocument &document, const XObject &mesh, const MeshParts &parts, XFileMesh &out,
                std::string &error) {
    size_t triangleCount = parts.corners.size() - 2 * parts.faceSizes.size();
    if (parts.vertices.size() > kMaxVertices - out.vertices.size() ||
        triangleCount > kMaxTriangles - out.attributes.size() ||
        std::max<size_t>(parts.materials.size(), 1) > kMaxMaterials - out.materials.size()) {
        return XFail(document, mesh.position, "the meshes together exceed the vertex, face or material limit", error);
    }
    uint32_t vertexBase = uint32_t(out.vertices.size());
    uint32_t materialBase = uint32_t(out.materials.size());
    if (parts.materials.empty()) {
        out.materials.push_back(DefaultMaterial());
    } else {
        out.materials.insert(out.materials.end(), parts.materials.begin(), parts.materials.end());
    }
    out.vertices.insert(out.vertices.end(), parts.vertices.begin(), parts.vertices.end());
    size_t corner = 0;
    for (size_t face = 0; face < parts.faceSizes.size(); face++) {
        const uint32_t *fan = &parts.corners[corner];
        uint32_t attribute = materialBase + (parts.faceMaterials.empty() ? 0 : parts.faceMaterials[face]);
        for (uint32_t i = 2; i < parts.faceSizes[face]; i++) {
            out.indices.insert(out.indices.end(), {vertexBase + fan[0], vertexBase + fan[i - 1], vertexBase + fan[i]});
            out.attributes.push_back(attribute);
        }
        corner += parts.faceSizes[face];
    }
    out.hasNormals = out.hasNormals || parts.hasNormals;
    out.hasTexcoords = out.hasTexcoords || parts.hasTexcoords;
    out.hasColors = out.hasColors || parts.hasColors;
    return true;
}

bool MergeMeshes(const XDocument &document, XFileMesh &out, std::string &error) {
    std::vector<MeshInstance> instances;
    for (int32_t index : document.topLevel) {
        const XObject &object = document.objects[size_t(index)];
        if (XTypeIs(object, "Mesh")) {
            instances.push_back({&object, IdentityMatrix(), false});
        } else if (XTypeIs(object, "Frame")) {
            if (!CollectFrame(document, object, IdentityMatrix(), instances, error)) return false;
        }
    }
    MaterialCache materials;
    bool anyMaterials = false;
    for (const MeshInstance &instance : instances) {
        MeshParts parts;
        if (!ReadMesh(document, *instance.mesh, materials, parts, error)) return false;
        if (instance.framed) TransformMesh(parts, instance.world);
        anyMaterials = anyMaterials || !parts.materials.empty();
        if (!AppendMesh(document, *instance.mesh, parts, out, error)) return false;
    }
    if (out.indices.empty()) return XFail(document, document.endPosition, "the file holds no mesh with faces", error);
    if (!anyMaterials) {
        // Only default slots so far: they collapse into one.
        out.materials.assign(1, DefaultMaterial());
        out.attributes.assign(out.attributes.size(), 0);
    }
    return true;
}

// ---- header ---------------------------------------------------------------

std::string FieldText(const uint8_t *field) {
    std::string text;
    for (int i = 0; i < 4; i++) text += field[i] >= 0x20 && field[i] < 0x7f ? char(field[i]) : '?';
    return "'" + text + "'";
}

bool FieldIs(const uint8_t *field, const char *value) { return memcmp(field, value, 4) == 0; }

bool FailHeader(size_t offset, XFileFault kind, const std::string &reason, std::string &error, XFileFault &fault) {
    error = "byte offset " + std::to_string(offset) + ": " + reason;
    fault = kind;
    return false;
}

struct Header {
    bool binary;
    bool compressed;
    bool doubles;
};

bool ReadHeader(const uint8_t *file, size_t size, Header &header, std::string &error, XFileFault &fault) {
    using enum XFileFault;
    if (size < kHeaderSize) {
        return FailHeader(0, BadFileType,
                          "file of " + std::to_string(size) + " bytes is too short for an X file header", error, fault);
    }
    if (!FieldIs(file, "xof ")) return FailHeader(0, BadFileType, "not an X file (no 'xof ' signature)", error, fault);
    if (!FieldIs(file + 4, "0302") && !FieldIs(file + 4, "0303")) {
        return FailHeader(4, BadFileVersion, "unsupported version " + FieldText(file + 4), error, fault);
    }
    const uint8_t *format = file + 8;
    header.binary = FieldIs(format, "bin ") || FieldIs(format, "bzip");
    header.compressed = FieldIs(format, "tzip") || FieldIs(format, "bzip");
    if (!header.binary && !header.compressed && !FieldIs(format, "txt ")) {
        return FailHeader(8, BadFileType, "unknown format " + FieldText(format), error, fault);
    }
    if (!FieldIs(file + 12, "0032") && !FieldIs(file + 12, "0064")) {
        return FailHeader(12, BadFloatSize, "unsupported float size " + FieldText(file + 12), error, fault);
    }
    header.doubles = FieldIs(file + 12, "0064");
    return true;
}

}  // namespace

bool ParseXFile(const void *data, size_t size, XFileMesh &out, std::string &error, XFileFault &fault) {
    out = XFileMesh();
    error.clear();
    fault = XFileFault::None;
    const uint8_t *file = static_cast<const uint8_t *>(data);
    Header header{};
    if (!ReadHeader(file, size, header, error, fault)) return false;

    std::vector<uint8_t> inflated;
    const uint8_t *body = file + kHeaderSize;
    size_t bodySize = size - kHeaderSize;
    if (header.compressed) {
        if (!InflateXFileBody(file, size, kMaxBodySize, inflated, error)) {
            fault = XFileFault::Syntax;
            return false;
        }
        body = inflated.data();
        bodySize = inflated.size();
    } else if (bodySize > kMaxBodySize) {
        return FailHeader(kHeaderSize, XFileFault::Syntax,
                          "body of " + std::to_string(bodySize) + " bytes exceeds the limit", error, fault);
    }

    // Binary offsets count from the start of the (decompressed) file.
    XTokenizer tokenizer = MakeXTokenizer(body, bodySize, header.binary, header.doubles, uint32_t(kHeaderSize));
    XDocument document;
    if (!ParseXDocument(tokenizer, document, error)) {
        fault = XFileFault::Syntax;
        return false;
    }
    XFileMesh mesh;
    if (!MergeMeshes(document, mesh, error)) {
        fault = XFileFault::Content;
        return false;
    }
    out = std::move(mesh);
    return true;
}

XFileGroups GroupTrianglesByMaterial(const XFileMesh &mesh) {
    uint32_t groupCount = (uint32_t)mesh.materials.size();
    for (uint32_t a : mesh.attributes) groupCount = std::max(groupCount, a + 1);
    XFileGroups groups;
    groups.triangleCount.assign(groupCount, 0);
    groups.firstTriangle.assign(groupCount, 0);
    for (uint32_t a : mesh.attributes) ++groups.triangleCount[a];
    for (uint32_t g = 1; g < groupCount; ++g)
        groups.firstTriangle[g] = groups.firstTriangle[g - 1] + groups.triangleCount[g - 1];
    std::vector<uint32_t> next = groups.firstTriangle;
    groups.indices.resize(mesh.attributes.size() * 3);
    for (size_t face = 0; face < mesh.attributes.size(); ++face) {
        uint32_t at = next[mesh.attributes[face]]++;
        for (int k = 0; k < 3; ++k) groups.indices[(size_t)at * 3 + k] = mesh.indices[face * 3 + k];
    }
    return groups;
}
