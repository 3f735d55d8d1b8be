// Writes a Mesh as a text .x file: positions, faces, one normal per vertex,
// texture coordinates when a material is textured, vertex colours when the
// mesh has them, and the material list with inline materials.
#include "materials.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Fixed six decimals; a value that rounds to zero is written without a sign
// so the text does not depend on how a tiny residue came about.
std::string Number(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", v);
    std::string s = text;
    if (s == "-0.000000") s = "0.000000";
    return s;
}

// The separator after element i of n in a .x array: ',' between elements,
// ';' after the last.
const char *Separator(size_t i, size_t n) { return i + 1 < n ? "," : ";"; }

void AppendFaces(std::string &out, const Mesh &mesh) {
    size_t faces = mesh.faceMaterials.size();
    out += "  " + std::to_string(faces) + ";\n";
    for (size_t f = 0; f < faces; ++f) {
        out += "  3;" + std::to_string(mesh.indices[f * 3]) + "," + std::to_string(mesh.indices[f * 3 + 1]) +
               "," + std::to_string(mesh.indices[f * 3 + 2]) + ";" + Separator(f, faces) + "\n";
    }
}

std::string Triple(double a, double b, double c) { return Number(a) + ";" + Number(b) + ";" + Number(c) + ";"; }

}  // namespace

double RoundAsWritten(double v) { return std::strtod(Number(v).c_str(), nullptr); }

std::string FormatXFile(const Mesh &mesh, const std::string &meshName) {
    size_t count = mesh.vertices.size();
    std::string out = "xof 0303txt 0032\n\nMesh " + meshName + " {\n";
    out += "  " + std::to_string(count) + ";\n";
    for (size_t i = 0; i < count; ++i) {
        Vec3 p = mesh.vertices[i].position;
        out += "  " + Triple(p.x, p.y, p.z) + Separator(i, count) + "\n";
    }
    AppendFaces(out, mesh);

    out += "  MeshNormals {\n  " + std::to_string(count) + ";\n";
    for (size_t i = 0; i < count; ++i) {
        Vec3 n = mesh.vertices[i].normal;
        out += "  " + Triple(n.x, n.y, n.z) + Separator(i, count) + "\n";
    }
    AppendFaces(out, mesh);
    out += "  }\n";

    bool textured = false;
    for (const Material &m : mesh.materials) textured = textured || !m.textureFile.empty();
    if (textured) {
        out += "  MeshTextureCoords {\n  " + std::to_string(count) + ";\n";
        for (size_t i = 0; i < count; ++i) {
            out += "  " + Number(mesh.vertices[i].u) + ";" + Number(mesh.vertices[i].v) + ";" +
                   Separator(i, count) + "\n";
        }
        out += "  }\n";
    }

    if (mesh.hasColors) {
        out += "  MeshVertexColors {\n  " + std::to_string(count) + ";\n";
        for (size_t i = 0; i < count; ++i) {
            Color c = mesh.vertices[i].color;
            out += "  " + std::to_string(i) + ";" + Triple(c.r, c.g, c.b) + "1.000000;;" + Separator(i, count) + "\n";
        }
        out += "  }\n";
    }

    size_t faces = mesh.faceMaterials.size();
    out += "  MeshMaterialList {\n  " + std::to_string(mesh.materials.size()) + ";\n  " + std::to_string(faces) + ";\n";
    for (size_t f = 0; f < faces; ++f)
        out += "  " + std::to_string(mesh.faceMaterials[f]) + Separator(f, faces) + "\n";
    for (const Material &m : mesh.materials) {
        Color c = m.faceColor;
        out += "  Material " + m.name + " {\n";
        out += "   " + Triple(c.r, c.g, c.b) + "1.000000;;\n";
        out += "   8.000000;\n";
        out += "   0.000000;0.000000;0.000000;;\n";
        out += "   0.000000;0.000000;0.000000;;\n";
        if (!m.textureFile.empty()) out += "   TextureFilename {\n    \"" + m.textureFile + "\";\n   }\n";
        out += "  }\n";
    }
    out += "  }\n}\n";
    return out;
}
