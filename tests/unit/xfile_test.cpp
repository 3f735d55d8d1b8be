// .x reader: the same meshes written as text, binary (32- and 64-bit floats)
// and compressed must give the same result; malformed files must fail with
// a message that says where and why.
#include <gtest/gtest.h>
#include <zlib.h>

#include <bit>
#include <string>
#include <utility>
#include <vector>

#include "d3dx9/xfile.h"

namespace {

// ---- building test files ---------------------------------------------------

struct Parsed {
    bool ok;
    XFileMesh mesh;
    std::string error;
    XFileFault fault;
};

Parsed Parse(const std::string &file) {
    Parsed result;
    result.ok = ParseXFile(file.data(), file.size(), result.mesh, result.error, result.fault);
    return result;
}

// Appends the low `size` bytes of `value`, little-endian as the files store them.
void Put(std::string &out, uint64_t value, int size) {
    for (int i = 0; i < size; i++) out += char(value >> 8 * i);
}

// Writes binary tokens one by one.
struct BinaryWriter {
    std::string bytes;
    bool doubles;

    explicit BinaryWriter(bool doubles = false)
        : bytes(doubles ? "xof 0303bin 0064" : "xof 0302bin 0032"), doubles(doubles) {}
    BinaryWriter &Raw(const std::string &raw) { return bytes += raw, *this; }
    BinaryWriter &Token(uint16_t code) { return Put(bytes, code, 2), *this; }
    BinaryWriter &U32(uint64_t value) { return Put(bytes, value, 4), *this; }
    BinaryWriter &Name(const std::string &name) { return Token(1).U32(name.size()).Raw(name); }
    BinaryWriter &String(const std::string &text, uint16_t terminator = 20) {
        return Token(2).U32(text.size()).Raw(text).Token(terminator);
    }
    BinaryWriter &Integer(uint32_t value) { return Token(3).U32(value); }
    BinaryWriter &Integers(const std::vector<uint32_t> &values) {
        Token(6).U32(values.size());
        for (uint32_t value : values) U32(value);
        return *this;
    }
    BinaryWriter &Floats(const std::vector<double> &values) {
        Token(7).U32(values.size());
        for (double value : values)
            doubles ? Put(bytes, std::bit_cast<uint64_t>(value), 8)
                    : Put(bytes, std::bit_cast<uint32_t>(float(value)), 4);
        return *this;
    }
    BinaryWriter &Open(const std::string &type, const std::string &name = "") {
        Name(type);
        if (!name.empty()) Name(name);
        return Token(10);
    }
    BinaryWriter &Close() { return Token(11); }
};

// MSZIP: raw deflate blocks, each primed with the previous block's text.
std::string Compress(const std::string &plain, size_t blockSize) {
    std::string out = plain.substr(0, 16).replace(8, 4, plain.compare(8, 4, "txt ") == 0 ? "tzip" : "bzip");
    Put(out, plain.size(), 4);
    for (size_t at = 16; at < plain.size(); at += blockSize) {
        std::string block = plain.substr(at, blockSize);
        z_stream s{};
        deflateInit2(&s, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
        if (at > 16) deflateSetDictionary(&s, reinterpret_cast<const Bytef *>(&plain[at - blockSize]), uInt(blockSize));
        std::string packed(deflateBound(&s, uLong(block.size())), '\0');
        s.next_in = reinterpret_cast<Bytef *>(block.data());
        s.avail_in = uInt(block.size());
        s.next_out = reinterpret_cast<Bytef *>(packed.data());
        s.avail_out = uInt(packed.size());
        EXPECT_EQ(deflate(&s, Z_FINISH), Z_STREAM_END);
        packed.resize(s.total_out);
        deflateEnd(&s);
        Put(out, block.size(), 2);
        Put(out, packed.size() + 2, 2);
        out += "CK" + packed;
    }
    return out;
}

// ---- the box: 8 corners, 6 quads, a normal per face, two materials ----------

// The red material is a top-level object the list refers to; the blue one is
// inline, with two texture names of which the last counts.
const std::string BoxText = R"(xof 0302txt 0032
template Vector { <3D82AB5E-62DA-11cf-AB39-0020AF71E433> FLOAT x; FLOAT y; FLOAT z; }
Material Red { 1.0;0.0;0.0;1.0;; 10.0; 0.5;0.5;0.5;; 0.0;0.0;0.0;; }
Mesh Box {
 8; -1;-1;-1;, 1;-1;-1;, -1;1;-1;, 1;1;-1;, -1;-1;1;, 1;-1;1;, -1;1;1;, 1;1;1;;
 6; 4;0,2,3,1;, 4;4,5,7,6;, 4;0,4,6,2;, 4;1,3,7,5;, 4;0,1,5,4;, 4;2,6,7,3;;
 MeshNormals { 6; 0;0;-1;, 0;0;1;, -1;0;0;, 1;0;0;, 0;-1;0;, 0;1;0;;
  6; 4;0,0,0,0;, 4;1,1,1,1;, 4;2,2,2,2;, 4;3,3,3,3;, 4;4,4,4,4;, 4;5,5,5,5;; }
 MeshMaterialList { 2; 6; 0,0,0,1,1,1;; { Red }
  Material { 0.0;0.0;1.0;0.5;; 5.0; 1.0;1.0;1.0;; 0.25;0.25;0.25;;
   TextureFilename { "a.bmp", } TextureFilename { "blue.png"; } } }
}
)";

std::string BoxBinary(bool doubles) {
    BinaryWriter b(doubles);
    b.Token(31).Name("Vector").Token(10).Token(5);
    b.Raw(std::string("\x5e\xab\x82\x3d\xda\x62\xcf\x11\xab\x39\x00\x20\xaf\x71\xe4\x33", 16));
    b.Token(42).Name("x").Token(20).Token(42).Name("y").Token(20).Token(42).Name("z").Token(20).Close();
    b.Open("Material", "Red").Floats({1, 0, 0, 1, 10, 0.5, 0.5, 0.5, 0, 0, 0}).Close();
    // Counts both alone and at the head of a list, as exporters write them.
    b.Open("Mesh", "Box").Integers({8});
    b.Floats({-1, -1, -1, 1, -1, -1, -1, 1, -1, 1, 1, -1, -1, -1, 1, 1, -1, 1, -1, 1, 1, 1, 1, 1});
    b.Integers({6, 4, 0, 2, 3, 1, 4, 4, 5, 7, 6, 4, 0, 4, 6, 2, 4, 1, 3, 7, 5, 4, 0, 1, 5, 4, 4, 2, 6, 7, 3});
    b.Open("MeshNormals").Integer(6).Floats({0, 0, -1, 0, 0, 1, -1, 0, 0, 1, 0, 0, 0, -1, 0, 0, 1, 0});
    b.Integers({6, 4, 0, 0, 0, 0, 4, 1, 1, 1, 1, 4, 2, 2, 2, 2, 4, 3, 3, 3, 3, 4, 4, 4, 4, 4, 4, 5, 5, 5, 5}).Close();
    b.Open("MeshMaterialList").Integers({2, 6, 0, 0, 0, 1, 1, 1}).Token(10).Name("Red").Token(11);
    b.Open("Material").Floats({0, 0, 1, 0.5, 5, 1, 1, 1, 0.25, 0.25, 0.25});
    b.Open("TextureFilename").String("a.bmp", 19).Close().Open("TextureFilename").String("blue.png").Close();
    return b.Close().Close().Close().bytes;
}

void ExpectVector(const float *actual, std::initializer_list<float> expected) {
    int i = 0;
    for (float value : expected) EXPECT_FLOAT_EQ(actual[i++], value) << "component " << i - 1;
}

void ExpectBox(const std::string &file) {
    Parsed box = Parse(file);
    ASSERT_TRUE(box.ok) << box.error;
    const XFileMesh &mesh = box.mesh;
    ASSERT_EQ(mesh.vertices.size(), 24u);
    EXPECT_TRUE(mesh.hasNormals && !mesh.hasTexcoords && !mesh.hasColors);
    EXPECT_EQ(mesh.attributes, (std::vector<uint32_t>{0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1}));
    // The first two faces keep their corners' vertices, as fans (0,1,2),
    // (0,2,3); the others meet used corners with new normals: copies 8..23.
    EXPECT_EQ(mesh.indices,
              (std::vector<uint32_t>{0,  2,  3,  0,  3,  1,  4,  5,  7,  4,  7,  6,  8,  9,  10, 8,  10, 11,
                                     12, 13, 14, 12, 14, 15, 16, 17, 18, 16, 18, 19, 20, 21, 22, 20, 22, 23}));
    ExpectVector(mesh.vertices[8].position, {-1, -1, -1});
    ExpectVector(mesh.vertices[8].normal, {-1, 0, 0});
    ExpectVector(mesh.vertices[8].color, {1, 1, 1, 1});

    ASSERT_EQ(mesh.materials.size(), 2u);
    const XFileMaterial &red = mesh.materials[0], &blue = mesh.materials[1];
    ExpectVector(red.diffuse, {1, 0, 0, 1});
    ExpectVector(red.ambient, {0, 0, 0, 1});
    ExpectVector(red.specular, {0.5f, 0.5f, 0.5f, 1});
    EXPECT_FLOAT_EQ(red.power, 10);
    EXPECT_FALSE(red.hasTextureFilename);
    ExpectVector(blue.diffuse, {0, 0, 1, 0.5f});
    ExpectVector(blue.emissive, {0.25f, 0.25f, 0.25f, 1});
    EXPECT_TRUE(blue.hasTextureFilename);
    EXPECT_EQ(blue.textureFilename, "blue.png");
}

// A mesh of one triangle, for files that are about something else.
const char kTriangle[] = "3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;";

std::string Text(const std::string &body) { return "xof 0302txt 0032\n" + body; }

// ---- the forms of the format ---------------------------------------------------

TEST(XFileFormats, BoxGivesTheSameMeshInEveryForm) {
    // Over 3 full blocks of 32 KiB: comment lines ahead of the box.
    std::string padded = BoxText.substr(0, 17);
    for (int i = 0; i < 5000; i++) padded += "// padding line " + std::to_string(i) + "\n";
    const std::pair<const char *, std::string> forms[] = {
        {"text", BoxText},
        {"binary, 32-bit floats", BoxBinary(false)},
        {"binary, 64-bit floats", BoxBinary(true)},
        {"compressed text, many small blocks", Compress(BoxText, 100)},
        {"compressed binary, 64-bit floats", Compress(BoxBinary(true), 256)},
        {"compressed text, full blocks", Compress(padded + BoxText.substr(17), 32768)},
    };
    for (const auto &[form, file] : forms) {
        SCOPED_TRACE(form);
        ExpectBox(file);
    }
}

TEST(XFileFormats, TextSyntaxVariantsAndUnknownObjects) {
    // Body right after the header, NUL as whitespace, comments, exponents,
    // upper-case keywords, GUIDs with spaces, names that begin with digits,
    // separators written sparingly or not at all; objects, nested templates
    // and references the reader does not know are skipped.
    Parsed parsed = Parse(std::string("xof 0303txt 0064// comment after the header\n") +
                          "TEMPLATE Unused { < 3D82AB44-62DA-11CF-AB39-0020AF71E433 > DWORD n; [...] }\n" +
                          "# hash comment with a } brace\n" + std::string("\0\0", 2) +
                          "Header { 1; 0; 1; }\nCustom Thing { \"}{ in a string\"; Nested { 1; } {Ref} }\n"
                          "Material 2tone { 1.00E+00 0 0 1 0 0 0 0 0 0 0 }\n"
                          "Material 7 { <01234567-89ab-cdef-0123-456789ABCDEF> 0;1;0;1;;0;0;0;0;;0;0;0;; }\n"
                          "mesh -Odd_name { 4 0 0 0 1.5e1 0 0 0 -1e-1 0 .5 .5 0\n"
                          "  2 3 0 1 2, 3;1;2;3;;\n"
                          "  VertexDuplicationIndices { 3; 3; 0, 1, 2; }\n"
                          "  template Inner { <3D82AB44-62DA-11CF-AB39-0020AF71E433> array DWORD x[3]; }\n"
                          "  MESHMATERIALLIST { 3 2 0 1 {2tone} { 7 } {<01234567-89AB-CDEF-0123-456789abcdef>} } }\n"
                          "AnimationSet { Animation { {-Odd_name} AnimationKey { 0; 1; 0; 3; 1,2,3;;; } } }\n");
    ASSERT_TRUE(parsed.ok) << parsed.error;
    ASSERT_EQ(parsed.mesh.vertices.size(), 4u);
    EXPECT_EQ(parsed.mesh.indices, (std::vector<uint32_t>{0, 1, 2, 1, 2, 3}));
    ExpectVector(parsed.mesh.vertices[1].position, {15, 0, 0});
    ExpectVector(parsed.mesh.vertices[2].position, {0, -0.1f, 0});
    ExpectVector(parsed.mesh.vertices[3].position, {0.5f, 0.5f, 0});
    EXPECT_EQ(parsed.mesh.attributes, (std::vector<uint32_t>{0, 1}));
    ASSERT_EQ(parsed.mesh.materials.size(), 3u);
    ExpectVector(parsed.mesh.materials[0].diffuse, {1, 0, 0, 1});
    ExpectVector(parsed.mesh.materials[1].diffuse, {0, 1, 0, 1});
    ExpectVector(parsed.mesh.materials[2].diffuse, {0, 1, 0, 1});
}

// ---- mesh assembly ----------------------------------------------------------

TEST(XFileAssembly, FrameTransformsApplyChildTimesParent) {
    // Root moves by +10 x; Child turns 90 degrees about z: (x, y, z) -> (-y, x, z).
    Parsed parsed = Parse(Text(
        "Frame Root {\n"
        " FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 10,0,0,1;; }\n"
        " Frame Child {\n"
        "  FrameTransformMatrix { 0,1,0,0, -1,0,0,0, 0,0,1,0, 0,0,0,1;; }\n"
        "  Mesh { 3; 1;0;0;, 0;1;0;, 0;0;0;; 1; 3;0,1,2;;\n"
        "   MeshNormals { 2; 2;0;0;, 0;0;3;; 1; 3;0,1,0;; } }\n"
        " }\n"
        "}\n"));
    ASSERT_TRUE(parsed.ok) << parsed.error;
    ASSERT_EQ(parsed.mesh.vertices.size(), 3u);
    ExpectVector(parsed.mesh.vertices[0].position, {10, 1, 0});
    ExpectVector(parsed.mesh.vertices[1].position, {9, 0, 0});
    ExpectVector(parsed.mesh.vertices[0].normal, {0, 1, 0});
    ExpectVector(parsed.mesh.vertices[1].normal, {0, 0, 1});
    ExpectVector(parsed.mesh.vertices[2].normal, {0, 1, 0});
}

TEST(XFileAssembly, EachFrameMatrixAppliesToWhatFollowsItAccumulating) {
    // D3DX merges these at z = 0, 2 and 2 + 3; a sub-frame after the second
    // matrix inherits both.
    auto triangle = [](int x) {
        std::string xs = std::to_string(x);
        return "Mesh { 3; 0;0;0;, 0;1;0;, " + xs + ";1;0;; 1; 3;0,1,2;; }\n";
    };
    auto moveZ = [](int z) {
        return "FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0," + std::to_string(z) + ",1;; }\n";
    };
    Parsed parsed = Parse(Text("Frame {\n" + triangle(1) + moveZ(2) + triangle(2) + moveZ(3) + triangle(3) +
                               "Frame { " + moveZ(10) + triangle(4) + "}\n}\n"));
    ASSERT_TRUE(parsed.ok) << parsed.error;
    ASSERT_EQ(parsed.mesh.vertices.size(), 12u);
    const float expectedZ[] = {0, 2, 5, 15};
    for (int m = 0; m < 4; m++) {
        ExpectVector(parsed.mesh.vertices[size_t(m) * 3].position, {0, 0, expectedZ[m]});
        ExpectVector(parsed.mesh.vertices[size_t(m) * 3 + 2].position, {float(m + 1), 1, expectedZ[m]});
    }
}

TEST(XFileAssembly, MeshesMergeDepthFirstWithOffsets) {
    // Order: A (top level), B (in F), C (in F's child), D (top level); a
    // nested Mesh inside a Mesh does not count.
    auto mesh = [](const char *name, int x) {
        std::string xs = std::to_string(x);
        return std::string("Mesh ") + name + " { 3; " + xs + ";0;0;, " + xs + ";1;0;, " + xs +
               ";0;1;; 1; 3;0,1,2;; }\n";
    };
    Parsed parsed = Parse(Text(mesh("A", 1) + "Frame F {\n" + mesh("B", 2) + "Frame G { " + mesh("C", 3) + "}\n}\n" +
                               "Mesh D { 4; 4;0;0;, 4;1;0;, 4;1;1;, 4;0;1;; 1; 4;0,1,2,3;;\n"
                               "  MeshMaterialList { 2; 1; 1;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }\n"
                               "    Material { 0;0;0;1;; 0; 0;0;0;; 0;0;0;; } }\n" +
                               mesh("Inner", 9) + "}\n"));
    ASSERT_TRUE(parsed.ok) << parsed.error;
    ASSERT_EQ(parsed.mesh.vertices.size(), 13u);
    for (int m = 0; m < 4; m++) EXPECT_FLOAT_EQ(parsed.mesh.vertices[size_t(m) * 3].position[0], float(m + 1));
    EXPECT_EQ(parsed.mesh.indices, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 9, 11, 12}));
    // Three material-less meshes get a default slot each once another has materials.
    EXPECT_EQ(parsed.mesh.attributes, (std::vector<uint32_t>{0, 1, 2, 4, 4}));
    ASSERT_EQ(parsed.mesh.materials.size(), 5u);
    ExpectVector(parsed.mesh.materials[2].diffuse, {0.5f, 0.5f, 0.5f, 0});
    ExpectVector(parsed.mesh.materials[4].diffuse, {0, 0, 0, 1});
}

TEST(XFileAssembly, DefaultMaterialWhenNoMeshHasAny) {
    // nMaterials 0 counts as no list at all.
    std::string triangle = std::string("Mesh { ") + kTriangle;
    Parsed parsed = Parse(Text(triangle + " MeshMaterialList { 0; 1; 0;; } }\n" + triangle + " }\n"));
    ASSERT_TRUE(parsed.ok) << parsed.error;
    ASSERT_EQ(parsed.mesh.materials.size(), 1u);
    const XFileMaterial &m = parsed.mesh.materials[0];
    ExpectVector(m.diffuse, {0.5f, 0.5f, 0.5f, 0});
    ExpectVector(m.specular, {0.5f, 0.5f, 0.5f, 0});
    ExpectVector(m.ambient, {0, 0, 0, 0});
    EXPECT_TRUE(m.power == 0 && !m.hasTextureFilename);
    EXPECT_EQ(parsed.mesh.attributes, (std::vector<uint32_t>{0, 0}));
}

TEST(XFileAssembly, ShortMaterialListsRepeatTheLastIndex) {
    std::string quads = "Mesh { 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;; 3; 3;0,1,2;, 3;0,2,3;, 4;0,1,2,3;;\n";
    std::string material = "Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }";
    Parsed parsed = Parse(Text(quads + "MeshMaterialList { 2; 2; 0, 1;; " + material + material + " } }"));
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.mesh.attributes, (std::vector<uint32_t>{0, 1, 1, 1}));
    Parsed exporter = Parse(Text(quads + "MeshMaterialList { 1;1;0;; " + material + " } }"));
    ASSERT_TRUE(exporter.ok) << exporter.error;
    EXPECT_EQ(exporter.mesh.attributes, (std::vector<uint32_t>{0, 0, 0, 0}));
}

TEST(XFileAssembly, TexcoordsColorsAndSharedNormals) {
    // Normals 0 and 2 are equal: vertex 0 seen with both stays one vertex.
    // Vertex 2 meets a second distinct normal and is copied with its
    // texture coordinate and colour.
    Parsed parsed = Parse(Text(
        "Mesh { 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;; 2; 3;0,1,2;, 3;0,2,3;;\n"
        " MeshTextureCoords { 4; 0;0;, 1;0;, 1;1;, 0;1;; }\n"
        " MeshVertexColors { 2; 2; 2.0; -1.0; 0.5; 1.0;, 0; 0.25;0.25;0.25;0.25;; }\n"
        " MeshNormals { 3; 0;0;1;, 0;1;0;, 0;0;1;; 2; 3;0,0,0;, 3;2,1,0;; }\n"
        "}\n"));
    ASSERT_TRUE(parsed.ok) << parsed.error;
    const XFileMesh &mesh = parsed.mesh;
    EXPECT_TRUE(mesh.hasNormals && mesh.hasTexcoords && mesh.hasColors);
    ASSERT_EQ(mesh.vertices.size(), 5u);
    EXPECT_EQ(mesh.indices, (std::vector<uint32_t>{0, 1, 2, 0, 4, 3}));
    ExpectVector(mesh.vertices[4].position, {1, 1, 0});
    ExpectVector(mesh.vertices[4].normal, {0, 1, 0});
    ExpectVector(mesh.vertices[4].texcoord, {1, 1});
    ExpectVector(mesh.vertices[4].color, {1, 0, 0.5f, 1});  // clamped to 0..1
    ExpectVector(mesh.vertices[0].color, {0.25f, 0.25f, 0.25f, 0.25f});
    ExpectVector(mesh.vertices[1].color, {1, 1, 1, 1});  // no colour given: white
}

TEST(XFileAssembly, NormalsEqualInValueShareAVertex) {
    // Exporters write "-0.000000": it is the same normal as 0.0, so the two
    // triangles share their edge's vertices. A distinct normal still splits.
    const std::pair<const char *, size_t> cases[] = {
        {"2; 0;0;1;, -0.000000;-0.0;1.000000;; 2; 3;0,0,0;, 3;1,1,1;;", 4},
        {"2; 0;0;1;, 0;0.000001;1;; 2; 3;0,0,0;, 3;1,1,1;;", 6},
    };
    for (const auto &[normals, vertices] : cases) {
        Parsed parsed = Parse(Text("Mesh { 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;; 2; 3;0,1,2;, 3;0,2,3;;\n"
                                   " MeshNormals { " + std::string(normals) + " } }\n"));
        ASSERT_TRUE(parsed.ok) << parsed.error;
        EXPECT_EQ(parsed.mesh.vertices.size(), vertices) << normals;
    }
}

// ---- malformed files ----------------------------------------------------------

TEST(XFileErrors, MalformedFilesFailWithWhereAndWhy) {
    const std::string triangle = std::string("Mesh { ") + kTriangle;
    const std::string material = "Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }";
    auto withChild = [&](const std::string &child) { return Text(triangle + " " + child + " }"); };
    auto withNormals = [&](const std::string &faces) { return withChild("MeshNormals { 1; 0;0;1;; " + faces + " }"); };
    auto withList = [&](const std::string &list) { return Text(triangle + "\n MeshMaterialList { " + list + " } }"); };
    const std::string zip = Compress(BoxText, 100);
    auto patched = [&](size_t at, const std::string &b) { return std::string(zip).replace(at, b.size(), b); };
    std::string deep;
    for (int i = 0; i < 70; i++) deep += "Frame {\n";
    // One case for each kind of check, the limits that keep a hostile file
    // from taking memory among them. Each error must begin with the expected
    // text; compressed blocks' sizes and zlib's own words vary with the zlib
    // version.
    const std::pair<std::string, std::string> cases[] = {
        {"xof 0302txt", "byte offset 0: file of 11 bytes is too short for an X file header"},
        {"xaf 0302txt 0032 Mesh {}", "byte offset 0: not an X file (no 'xof ' signature)"},
        {"xof 0301txt 0032", "byte offset 4: unsupported version '0301'"},
        {std::string("xof 0302txt 00\x01\x02", 16), "byte offset 12: unsupported float size '00?\?'"},
        // text syntax
        {Text("Mesh {\n 3;\n"), "line 4: end of file inside 'Mesh' opened at line 2"},
        {Text("Mesh { 1.2.3; }"), "line 2: malformed number or name '1.2.3'"},
        {Text(deep), "line 66: objects nested deeper than 64 levels"},
        // mesh contents
        {Text("Mesh {\n 3; 0;0;0;, 1;0;0;, 0;1;0;;\n 2; 3;0,1,2;,\n 3;0,9,2;;\n}"),
         "line 5: face 1 index 9 out of range (3 vertices)"},
        {Text("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 2;0,1;; }"), "line 2: face 0 has 2 indices, needs at least 3"},
        {Text("Mesh {\n 2147483647;\n 0;0;0;;\n 0;\n}"), "line 3: 2147483647 vertices but only 4 values follow"},
        {Text("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; }"), "line 2: Mesh ends before the faces"},
        {Text("Mesh { 0; 0; }"), "line 2: the file holds no mesh with faces"},
        {withNormals("1; 3;0,1,0;;"), "line 2: normal face 0 index 1 out of range (1 normals)"},
        {withChild("MeshTextureCoords { 2; 0;0;, 1;1;; }"), "line 2: MeshTextureCoords has 2 entries for 3 vertices"},
        {withChild("MeshVertexColors { 1; 3; 1;1;1;1;; }"), "line 2: vertex color index 3 out of range (3 vertices)"},
        // material lists
        {withList("1; 1; 1;; " + material), "line 3: face 0 material 1 out of range (1 materials)"},
        {withList("1; 2; 0, 0;; " + material), "line 3: 2 face material indexes for 1 faces"},
        {withList("2147483647; 1; 0;; " + material), "line 3: 2147483647 materials exceed the limit of 65536"},
        {withList("1; 1; 0;; { Missing }"), "line 3: material reference to unknown object 'Missing'"},
        // binary
        {BinaryWriter().Token(99).bytes, "byte offset 16: unknown token 99"},
        {BinaryWriter().Open("Mesh").Token(7).U32(0x7fffffff).bytes,
         "byte offset 28: float list of 2147483647 needs 8589934588 bytes, only 0 left"},
        // compressed
        {zip.substr(0, 30), "byte offset 20: compressed block of "},
        {zip.substr(0, 20), "byte offset 20: compressed data ends after 0 of the declared " +
                                std::to_string(BoxText.size() - 16) + " bytes"},
        {patched(26, std::string(14, '\xff')), "byte offset 20: corrupt compressed block"},
        {patched(16, "\xff\xff\xff\xff"),
         "byte offset 16: decompressed size 4294967279 exceeds the limit of 268435456 bytes"},
    };
    for (const auto &[file, expected] : cases) EXPECT_EQ(Parse(file).error.substr(0, expected.size()), expected);
}

}  // namespace
