// Reader for meshes in the DirectX .x file format (text, binary and
// MSZIP-compressed; 32- and 64-bit floats). It produces one mesh with every
// Mesh object of the file merged, frame transforms applied, polygons
// triangulated and vertices split where a position carries several normals.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct XFileVertex {
    float position[3];
    float normal[3];
    float texcoord[2];
    float color[4];  // r, g, b, a in 0..1 (from MeshVertexColors)
};

// The values a D3DXMATERIAL receives, already in their final form.
struct XFileMaterial {
    float diffuse[4];   // r, g, b, a
    float ambient[4];
    float specular[4];
    float emissive[4];
    float power;
    bool hasTextureFilename;      // a TextureFilename object was present
    std::string textureFilename;  // the last TextureFilename's string
};

struct XFileMesh {
    std::vector<XFileVertex> vertices;
    std::vector<uint32_t> indices;     // three per triangle
    std::vector<uint32_t> attributes;  // one material index per triangle
    std::vector<XFileMaterial> materials;
    bool hasNormals = false;
    bool hasTexcoords = false;
    bool hasColors = false;
};

// What failed, so the loader can return the code D3DX gives for it.
enum class XFileFault {
    None,
    BadFileType,     // no "xof " signature, unknown format, or too short for a header
    BadFileVersion,  // a version other than 0302 / 0303
    BadFloatSize,    // a float size other than 0032 / 0064
    Syntax,          // the body cannot be read as objects (or decompressed)
    Content,         // the objects are readable but do not make a mesh (none at all included)
};

// Parses a whole file held in memory. On failure returns false, sets `fault`
// and sets `error` to "line N: reason" (text) or "byte offset N: reason"
// (binary or compressed); the caller prefixes the file name.
bool ParseXFile(const void *data, size_t size, XFileMesh &out, std::string &error, XFileFault &fault);

// The triangles grouped by material (attribute), file order kept within a
// group: as a mesh's subsets are laid out, one draw each. There is a group
// for every material and every attribute used, empty ones included.
struct XFileGroups {
    std::vector<uint32_t> indices;        // three per triangle, group after group
    std::vector<uint32_t> firstTriangle;  // per group
    std::vector<uint32_t> triangleCount;  // per group
};
XFileGroups GroupTrianglesByMaterial(const XFileMesh &mesh);
