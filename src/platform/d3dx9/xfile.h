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

// Parses a whole file held in memory. On failure returns false and sets
// `error` to "line N: reason" (text) or "byte offset N: reason" (binary or
// compressed); the caller prefixes the file name.
bool ParseXFile(const void *data, size_t size, XFileMesh &out, std::string &error);
