// .x reader: the same meshes written as text, binary (32- and 64-bit floats)
// and compressed must give the same result; malformed files must fail with
// a message that says where and why.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "d3dx9/xfile.h"

namespace {

// ---- building test files ---------------------------------------------------

struct Parsed {
    bool ok;
    XFileMesh mesh;
    std::string error;
};

Parsed Parse(const std::string &file) {
    Parsed result;
    result.ok = ParseXFile(file.data(), file.size(), result.mesh, result.error);
    return result;
}

std::string ParseError(const std::string &file) {
    Parsed result = Parse(file);
    EXPECT_FALSE(result.ok) << "parsed although malformed:\n" << file;
    return result.error;
}

void AppendU16(std::string &out, uint32_t value) {
    out += char(value & 0xff);
    out += char(value >> 8 & 0xff);
}

void AppendU32(std::string &out, uint32_t value) {
    AppendU16(out, value & 0xffff);
    AppendU16(out, value >> 16);
}

// Writes binary tokens one by one.
struct BinaryWriter {
    std::string bytes;
    bool doubles;

    explicit BinaryWriter(bool doubles) : bytes(doubles ? "xof 0303bin 0064" : "xof 0302bin 0032"), doubles(doubles) {}
    BinaryWriter &Token(uint16_t code) { return AppendU16(bytes, code), *this; }
    BinaryWriter &Name(const std::string &name) {
        Token(1);
        AppendU32(bytes, uint32_t(name.size()));
        bytes += name;
        return *this;
    }
    BinaryWriter &String(const std::string &text, uint16_t terminator = 20) {
        Token(2);
        AppendU32(bytes, uint32_t(text.size()));
        bytes += text;
        return Token(terminator);
    }
    BinaryWriter &Integer(uint32_t value) { return Token(3), AppendU32(bytes, value), *this; }
    BinaryWriter &Integers(const std::vector<uint32_t> &values) {
        Token(6);
        AppendU32(bytes, uint32_t(values.size()));
        for (uint32_t value : values) AppendU32(bytes, value);
        return *this;
    }
    BinaryWriter &Floats(const std::vector<double> &values) {
        Token(7);
        AppendU32(bytes, uint32_t(values.size()));
        for (double value : values) {
            if (doubles) {
                uint64_t bits;
                memcpy(&bits, &value, 8);
                AppendU32(bytes, uint32_t(bits));
                AppendU32(bytes, uint32_t(bits >> 32));
            } else {
                float single = float(value);
                uint32_t bits;
                memcpy(&bits, &single, 4);
                AppendU32(bytes, bits);
            }
        }
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
    std::string out = plain.substr(0, 16);
    out.replace(8, 4, plain.compare(8, 4, "txt ") == 0 ? "tzip" : "bzip");
    AppendU32(out, uint32_t(plain.size()));
    std::string previous;
    for (size_t at = 16; at < plain.size(); at += blockSize) {
        std::string block = plain.substr(at, blockSize);
        z_stream s{};
        deflateInit2(&s, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
        if (!previous.empty()) {
            deflateSetDictionary(&s, reinterpret_cast<const Bytef *>(previous.data()), uInt(previous.size()));
        }
        std::string packed(deflateBound(&s, uLong(block.size())), '\0');
        s.next_in = reinterpret_cast<Bytef *>(block.data());
        s.avail_in = uInt(block.size());
        s.next_out = reinterpret_cast<Bytef *>(packed.data());
        s.avail_out = uInt(packed.size());
        EXPECT_EQ(deflate(&s, Z_FINISH), Z_STREAM_END);
        packed.resize(s.total_out);
        deflateEnd(&s);
        AppendU16(out, uint32_t(block.size()));
        AppendU16(out, uint32_t(packed.size() + 2));
        out += "CK" + packed;
        previous = block;
    }
    return out;
}

// ---- the box: 8 corners, 6 quads, a normal per face, two materials ----------

const float kBoxPositions[8][3] = {{-1, -1, -1}, {1, -1, -1}, {-1, 1, -1}, {1, 1, -1},
                                   {-1, -1, 1},  {1, -1, 1},  {-1, 1, 1},  {1, 1, 1}};
const uint32_t kBoxFaces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 4, 6, 2}, {1, 3, 7, 5}, {0, 1, 5, 4}, {2, 6, 7, 3}};
const float kBoxNormals[6][3] = {{0, 0, -1}, {0, 0, 1}, {-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}};

// The red material is a top-level object the list refers to; the blue one is inline.
std::string BoxText() {
    std::string text =
        "xof 0302txt 0032\n"
        "template Vector {\n <3D82AB5E-62DA-11cf-AB39-0020AF71E433>\n FLOAT x;\n FLOAT y;\n FLOAT z;\n}\n"
        "Material Red { 1.0;0.0;0.0;1.0;; 10.0; 0.5;0.5;0.5;; 0.0;0.0;0.0;; }\n"
        "Mesh Box {\n 8;\n";
    for (int v = 0; v < 8; v++) {
        char line[64];
        snprintf(line, sizeof line, " %g;%g;%g;%s\n", kBoxPositions[v][0], kBoxPositions[v][1], kBoxPositions[v][2],
                 v < 7 ? "," : ";");
        text += line;
    }
    text += " 6;\n";
    for (int f = 0; f < 6; f++) {
        text += " 4;" + std::to_string(kBoxFaces[f][0]) + "," + std::to_string(kBoxFaces[f][1]) + "," +
                std::to_string(kBoxFaces[f][2]) + "," + std::to_string(kBoxFaces[f][3]) + (f < 5 ? ";,\n" : ";;\n");
    }
    text += " MeshNormals {\n  6;\n";
    for (int n = 0; n < 6; n++) {
        char line[64];
        snprintf(line, sizeof line, "  %g;%g;%g;%s\n", kBoxNormals[n][0], kBoxNormals[n][1], kBoxNormals[n][2],
                 n < 5 ? "," : ";");
        text += line;
    }
    text += "  6;\n";
    for (int f = 0; f < 6; f++) {
        std::string n = std::to_string(f);
        text += "  4;" + n + "," + n + "," + n + "," + n + (f < 5 ? ";,\n" : ";;\n");
    }
    text +=
        " }\n"
        " MeshMaterialList {\n  2;\n  6;\n  0,0,0,1,1,1;;\n  { Red }\n"
        "  Material { 0.0;0.0;1.0;0.5;; 5.0; 1.0;1.0;1.0;; 0.25;0.25;0.25;; TextureFilename { \"blue.png\"; } }\n"
        " }\n"
        "}\n";
    return text;
}

std::string BoxBinary(bool doubles) {
    BinaryWriter b(doubles);
    b.Token(31).Name("Vector").Token(10).Token(5);
    b.bytes += std::string("\x5e\xab\x82\x3d\xda\x62\xcf\x11\xab\x39\x00\x20\xaf\x71\xe4\x33", 16);
    b.Token(42).Name("x").Token(20).Token(42).Name("y").Token(20).Token(42).Name("z").Token(20).Close();
    b.Open("Material", "Red").Floats({1, 0, 0, 1, 10, 0.5, 0.5, 0.5, 0, 0, 0}).Close();
    b.Open("Mesh", "Box").Integer(8);
    std::vector<double> positions;
    for (const auto &p : kBoxPositions) positions.insert(positions.end(), p, p + 3);
    b.Floats(positions);
    // The face count and all faces in one list, as exporters write them.
    std::vector<uint32_t> faces = {6};
    for (const auto &f : kBoxFaces) faces.insert(faces.end(), {4, f[0], f[1], f[2], f[3]});
    b.Integers(faces);
    b.Open("MeshNormals").Integer(6);
    std::vector<double> normals;
    for (const auto &n : kBoxNormals) normals.insert(normals.end(), n, n + 3);
    b.Floats(normals);
    std::vector<uint32_t> normalFaces = {6};
    for (uint32_t f = 0; f < 6; f++) normalFaces.insert(normalFaces.end(), {4, f, f, f, f});
    b.Integers(normalFaces).Close();
    b.Open("MeshMaterialList").Integers({2, 6, 0, 0, 0, 1, 1, 1});
    b.Token(10).Name("Red").Token(11);
    b.Open("Material").Floats({0, 0, 1, 0.5, 5, 1, 1, 1, 0.25, 0.25, 0.25});
    b.Open("TextureFilename").String("blue.png").Close();
    b.Close().Close().Close();
    return b.bytes;
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
    ASSERT_EQ(mesh.indices.size(), 36u);
    EXPECT_TRUE(mesh.hasNormals);
    EXPECT_FALSE(mesh.hasTexcoords);
    EXPECT_FALSE(mesh.hasColors);
    EXPECT_EQ(mesh.attributes, (std::vector<uint32_t>{0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1}));
    // First face keeps its vertices; fans are (0,1,2), (0,2,3).
    EXPECT_EQ(std::vector<uint32_t>(mesh.indices.begin(), mesh.indices.begin() + 6),
              (std::vector<uint32_t>{0, 2, 3, 0, 3, 1}));
    ExpectVector(mesh.vertices[0].normal, {0, 0, -1});
    // The third face (-x) meets vertices 0, 4, 6, 2 again with a new normal: copies 8..11.
    EXPECT_EQ(std::vector<uint32_t>(mesh.indices.begin() + 12, mesh.indices.begin() + 18),
              (std::vector<uint32_t>{8, 9, 10, 8, 10, 11}));
    ExpectVector(mesh.vertices[8].position, {-1, -1, -1});
    ExpectVector(mesh.vertices[8].normal, {-1, 0, 0});
    ExpectVector(mesh.vertices[8].color, {1, 1, 1, 1});
    ExpectVector(mesh.vertices[9].position, {-1, -1, 1});

    ASSERT_EQ(mesh.materials.size(), 2u);
    const XFileMaterial &red = mesh.materials[0];
    ExpectVector(red.diffuse, {1, 0, 0, 1});
    ExpectVector(red.ambient, {0, 0, 0, 1});
    ExpectVector(red.specular, {0.5f, 0.5f, 0.5f, 1});
    ExpectVector(red.emissive, {0, 0, 0, 1});
    EXPECT_FLOAT_EQ(red.power, 10);
    EXPECT_FALSE(red.hasTextureFilename);
    const XFileMaterial &blue = mesh.materials[1];
    ExpectVector(blue.diffuse, {0, 0, 1, 0.5f});
    ExpectVector(blue.specular, {1, 1, 1, 1});
    ExpectVector(blue.emissive, {0.25f, 0.25f, 0.25f, 1});
    EXPECT_TRUE(blue.hasTextureFilename);
    EXPECT_EQ(blue.textureFilename, "blue.png");
}

// A flat n-by-n grid of quads, big enough to need several compressed blocks.
std::string GridText(int n) {
    std::string text = "xof 0302txt 0032\nMesh Grid {\n" + std::to_string(n * n) + ";\n";
    for (int i = 0; i < n * n; i++) {
        text += std::to_string(i % n) + ".000000;" + std::to_string(i / n) + ".000000;0.000000;" +
                (i + 1 < n * n ? ",\n" : ";\n");
    }
    text += std::to_string((n - 1) * (n - 1)) + ";\n";
    for (int y = 0; y + 1 < n; y++) {
        for (int x = 0; x + 1 < n; x++) {
            int v = y * n + x;
            text += "4;" + std::to_string(v) + "," + std::to_string(v + 1) + "," + std::to_string(v + n + 1) + "," +
                    std::to_string(v + n) + ";,\n";
        }
    }
    return text + "}\n";
}

// A mesh of one triangle, for files that are about something else.
const char kTriangle[] = "3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;";

std::string Text(const std::string &body) { return "xof 0302txt 0032\n" + body; }

// ---- the same box in every form -------------------------------------------

TEST(XFileFormats, BoxGivesTheSameMeshInEveryForm) {
    {
        SCOPED_TRACE("text");
        ExpectBox(BoxText());
    }
    {
        SCOPED_TRACE("binary, 32-bit floats");
        ExpectBox(BoxBinary(false));
    }
    {
        SCOPED_TRACE("binary, 64-bit floats");
        ExpectBox(BoxBinary(true));
    }
    {
        SCOPED_TRACE("compressed text, many small blocks");
        ExpectBox(Compress(BoxText(), 100));
    }
    {
        SCOPED_TRACE("compressed binary, 64-bit floats");
        ExpectBox(Compress(BoxBinary(true), 256));
    }
}

TEST(XFileFormats, LargeCompressedFileSpansFullBlocks) {
    std::string text = GridText(60);
    ASSERT_GT(text.size(), 3u * 32768);
    Parsed grid = Parse(Compress(text, 32768));
    ASSERT_TRUE(grid.ok) << grid.error;
    EXPECT_EQ(grid.mesh.vertices.size(), 3600u);
    EXPECT_EQ(grid.mesh.attributes.size(), 2u * 59 * 59);
    ExpectVector(grid.mesh.vertices[3599].position, {59, 59, 0});
}

TEST(XFileFormats, TextSyntaxVariants) {
    // Body right after the header, NUL as whitespace, comments, exponents,
    // upper-case keywords, GUIDs with spaces, names that begin with digits,
    // and separators written sparingly or not at all.
    std::string file = std::string("xof 0303txt 0064// comment after the header\n") +
                       "TEMPLATE Unused { < 3D82AB44-62DA-11CF-AB39-0020AF71E433 > DWORD n; [...] }\n" +
                       "# hash comment with a } brace\n" + std::string("\0\0", 2) +
                       "Material 2tone { 1.00E+00 0 0 1 0 0 0 0 0 0 0 }\n"
                       "Material 7 { <01234567-89ab-cdef-0123-456789ABCDEF> 0;1;0;1;;0;0;0;0;;0;0;0;; }\n"
                       "mesh -Odd_name { 4 0 0 0 1.5e1 0 0 0 -1e-1 0 .5 .5 0\n"
                       "  2 3 0 1 2, 3;1;2;3;;\n"
                       "  MESHMATERIALLIST { 3 2 0 1 {2tone} { 7 } {<01234567-89AB-CDEF-0123-456789abcdef>} } }\n";
    Parsed parsed = Parse(file);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    ASSERT_EQ(parsed.mesh.vertices.size(), 4u);
    ExpectVector(parsed.mesh.vertices[1].position, {15, 0, 0});
    ExpectVector(parsed.mesh.vertices[2].position, {0, -0.1f, 0});
    ExpectVector(parsed.mesh.vertices[3].position, {0.5f, 0.5f, 0});
    EXPECT_EQ(parsed.mesh.attributes, (std::vector<uint32_t>{0, 1}));
    ASSERT_EQ(parsed.mesh.materials.size(), 3u);
    ExpectVector(parsed.mesh.materials[0].diffuse, {1, 0, 0, 1});
    ExpectVector(parsed.mesh.materials[1].diffuse, {0, 1, 0, 1});
    ExpectVector(parsed.mesh.materials[2].diffuse, {0, 1, 0, 1});
}

TEST(XFileFormats, UnknownObjectsAndTemplatesAreSkipped) {
    std::string file = Text(std::string("Header { 1; 0; 1; }\n") +
                            "Custom Thing { \"}{ in a string\"; Nested { 1; } {Ref} }\n"
                            "Mesh Tri { " +
                            kTriangle +
                            " VertexDuplicationIndices { 3; 3; 0, 1, 2; }\n"
                            "  template Inner { <3D82AB44-62DA-11CF-AB39-0020AF71E433> array DWORD x[3]; } }\n"
                            "AnimationSet { Animation { {Tri} AnimationKey { 0; 1; 0; 3; 1,2,3;;; } } }\n");
    Parsed parsed = Parse(file);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.mesh.vertices.size(), 3u);
    EXPECT_EQ(parsed.mesh.indices, (std::vector<uint32_t>{0, 1, 2}));
}

TEST(XFileFormats, BinaryStringTerminatorsAndErrorsGiveOffsets) {
    BinaryWriter ok(false);
    ok.Open("Mesh").Integers({3}).Floats({0, 0, 0, 1, 0, 0, 0, 1, 0}).Integer(1).Integers({3, 0, 1, 2});
    ok.Open("MeshMaterialList").Integers({1, 1, 0}).Open("Material").Floats({1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0});
    ok.Open("TextureFilename").String("a.bmp", 19).Close().Open("TextureFilename").String("b.bmp").Close();
    ok.Close().Close().Close();
    Parsed parsed = Parse(ok.bytes);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.mesh.materials[0].textureFilename, "b.bmp");  // the last one counts

    BinaryWriter badTerminator(false);
    badTerminator.Open("Custom").String("x", 11);
    EXPECT_EQ(ParseError(badTerminator.bytes), "byte offset 37: string terminator is token 11, not ';' or ','");

    BinaryWriter unknownToken(false);
    unknownToken.Token(99);
    EXPECT_EQ(ParseError(unknownToken.bytes), "byte offset 16: unknown token 99");

    BinaryWriter hugeList(false);
    hugeList.Open("Mesh").Token(7);
    AppendU32(hugeList.bytes, 0x7fffffff);
    EXPECT_EQ(ParseError(hugeList.bytes),
              "byte offset 28: float list of 2147483647 needs 8589934588 bytes, only 0 left");

    BinaryWriter truncated = BinaryWriter(false);
    truncated.Open("Mesh").Integers({3, 0});
    truncated.bytes.resize(truncated.bytes.size() - 2);
    EXPECT_EQ(ParseError(truncated.bytes), "byte offset 28: integer list of 2 needs 8 bytes, only 6 left");
}

// ---- mesh assembly ----------------------------------------------------------

TEST(XFileAssembly, FrameTransformsApplyChildTimesParent) {
    // Root moves by +10 x; Child turns 90 degrees about z: (x, y, z) -> (-y, x, z).
    std::string file = Text(
        "Frame Root {\n"
        " FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 10,0,0,1;; }\n"
        " Frame Child {\n"
        "  FrameTransformMatrix { 0,1,0,0, -1,0,0,0, 0,0,1,0, 0,0,0,1;; }\n"
        "  Mesh { 3; 1;0;0;, 0;1;0;, 0;0;0;; 1; 3;0,1,2;;\n"
        "   MeshNormals { 2; 2;0;0;, 0;0;3;; 1; 3;0,1,0;; } }\n"
        " }\n"
        "}\n");
    Parsed parsed = Parse(file);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    ASSERT_EQ(parsed.mesh.vertices.size(), 3u);
    ExpectVector(parsed.mesh.vertices[0].position, {10, 1, 0});
    ExpectVector(parsed.mesh.vertices[1].position, {9, 0, 0});
    ExpectVector(parsed.mesh.vertices[0].normal, {0, 1, 0});
    ExpectVector(parsed.mesh.vertices[1].normal, {0, 0, 1});
    ExpectVector(parsed.mesh.vertices[2].normal, {0, 1, 0});
}

TEST(XFileAssembly, MeshesMergeDepthFirstWithOffsets) {
    // Order: A (top level), B (in F), C (in F's child), D (top level); a
    // nested Mesh inside a Mesh does not count.
    auto mesh = [](const char *name, float x) {
        std::string xs = std::to_string(x);
        return std::string("Mesh ") + name + " { 3; " + xs + ";0;0;, " + xs + ";1;0;, " + xs +
               ";0;1;; 1; 3;0,1,2;; }\n";
    };
    std::string file = Text(mesh("A", 1) + "Frame F {\n" + mesh("B", 2) + "Frame G { " + mesh("C", 3) + "}\n}\n" +
                            "Mesh D { 4; 4;0;0;, 4;1;0;, 4;1;1;, 4;0;1;; 1; 4;0,1,2,3;;\n"
                            "  MeshMaterialList { 2; 1; 1;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }\n"
                            "    Material { 0;0;0;1;; 0; 0;0;0;; 0;0;0;; } }\n" +
                            mesh("Inner", 9) + "}\n");
    Parsed parsed = Parse(file);
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
    std::string file = Text(std::string("Mesh { ") + kTriangle + " MeshMaterialList { 0; 1; 0;; } }\n" + "Mesh { " +
                            kTriangle + " }\n");
    Parsed parsed = Parse(file);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    ASSERT_EQ(parsed.mesh.materials.size(), 1u);
    const XFileMaterial &m = parsed.mesh.materials[0];
    ExpectVector(m.diffuse, {0.5f, 0.5f, 0.5f, 0});
    ExpectVector(m.specular, {0.5f, 0.5f, 0.5f, 0});
    ExpectVector(m.ambient, {0, 0, 0, 0});
    ExpectVector(m.emissive, {0, 0, 0, 0});
    EXPECT_EQ(m.power, 0);
    EXPECT_FALSE(m.hasTextureFilename);
    EXPECT_EQ(parsed.mesh.attributes, (std::vector<uint32_t>{0, 0}));
}

TEST(XFileAssembly, ShortMaterialListsRepeatTheLastIndex) {
    std::string quads = "4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;; 3; 3;0,1,2;, 3;0,2,3;, 4;0,1,2,3;;\n";
    std::string materials = "Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }";
    Parsed parsed = Parse(Text("Mesh { " + quads + "MeshMaterialList { 2; 2; 0, 1;; " + materials + " } }"));
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.mesh.attributes, (std::vector<uint32_t>{0, 1, 1, 1}));

    Parsed exporter =
        Parse(Text("Mesh { " + quads + "MeshMaterialList { 1;1;0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }"));
    ASSERT_TRUE(exporter.ok) << exporter.error;
    EXPECT_EQ(exporter.mesh.attributes, (std::vector<uint32_t>{0, 0, 0, 0}));
}

TEST(XFileAssembly, TexcoordsColorsAndSharedNormals) {
    // Normals 0 and 2 are equal: vertex 0 seen with both stays one vertex.
    // Vertex 2 meets a second distinct normal and is copied with its
    // texture coordinate and colour.
    std::string file = Text(
        "Mesh { 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;; 2; 3;0,1,2;, 3;0,2,3;;\n"
        " MeshTextureCoords { 4; 0;0;, 1;0;, 1;1;, 0;1;; }\n"
        " MeshVertexColors { 2; 2; 2.0; -1.0; 0.5; 1.0;, 0; 0.25;0.25;0.25;0.25;; }\n"
        " MeshNormals { 3; 0;0;1;, 0;1;0;, 0;0;1;; 2; 3;0,0,0;, 3;2,1,0;; }\n"
        "}\n");
    Parsed parsed = Parse(file);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    const XFileMesh &mesh = parsed.mesh;
    EXPECT_TRUE(mesh.hasNormals && mesh.hasTexcoords && mesh.hasColors);
    ASSERT_EQ(mesh.vertices.size(), 5u);
    EXPECT_EQ(mesh.indices, (std::vector<uint32_t>{0, 1, 2, 0, 4, 3}));
    ExpectVector(mesh.vertices[4].position, {1, 1, 0});
    ExpectVector(mesh.vertices[4].normal, {0, 1, 0});
    ExpectVector(mesh.vertices[4].texcoord, {1, 1});
    ExpectVector(mesh.vertices[4].color, {1, 0, 0.5f, 1});
    ExpectVector(mesh.vertices[0].color, {0.25f, 0.25f, 0.25f, 0.25f});
    ExpectVector(mesh.vertices[1].color, {1, 1, 1, 1});
}

// ---- malformed files ----------------------------------------------------------

TEST(XFileErrors, BadHeaders) {
    EXPECT_EQ(ParseError("xof 0302txt"), "byte offset 0: file of 11 bytes is too short for an X file header");
    EXPECT_EQ(ParseError("xaf 0302txt 0032 Mesh {}"), "byte offset 0: not an X file (no 'xof ' signature)");
    EXPECT_EQ(ParseError("xof 0301txt 0032"), "byte offset 4: unsupported version '0301'");
    EXPECT_EQ(ParseError("xof 0302zip 0032"), "byte offset 8: unknown format 'zip '");
    EXPECT_EQ(ParseError(std::string("xof 0302txt 00\x01\x02", 16)),
              "byte offset 12: unsupported float size '00?"
              "?'");
}

TEST(XFileErrors, TextSyntax) {
    EXPECT_EQ(ParseError(Text("Mesh {\n 3;\n")), "line 4: end of file inside 'Mesh' opened at line 2");
    EXPECT_EQ(ParseError(Text("Mesh { 3; // } closes nothing\n")),
              "line 3: end of file inside 'Mesh' opened at line 2");
    EXPECT_EQ(ParseError(Text("Material {\n 1;1;1;1;; 0;0;0;0;;0;0;0;;\n TextureFilename { \"a.bmp; }\n}\n")),
              "line 4: unterminated string");
    EXPECT_EQ(ParseError(Text("Mesh { <1234> }")), "line 2: malformed GUID <1234>");
    EXPECT_EQ(ParseError(Text("Mesh { 1.2.3; }")), "line 2: malformed number or name '1.2.3'");
    EXPECT_EQ(ParseError(Text("Mesh { 1e99; }")), "line 2: number 1e99 out of range");
    EXPECT_EQ(ParseError(Text("Mesh { @ }")), "line 2: unexpected '@'");
    EXPECT_EQ(ParseError(Text("1;")), "line 2: data outside any object");
    EXPECT_EQ(ParseError(Text("}")), "line 2: '}' without a matching '{'");
    EXPECT_EQ(ParseError(Text("Mesh Box 3;")), "line 2: expected '{' after 'Mesh'");
    EXPECT_EQ(ParseError(Text("Mesh { { } }")), "line 2: empty reference '{ }'");
    std::string deep;
    for (int i = 0; i < 70; i++) deep += "Frame {\n";
    EXPECT_EQ(ParseError(Text(deep)), "line 66: objects nested deeper than 64 levels");
}

TEST(XFileErrors, MeshContents) {
    // index out of range, with the line of the bad index
    EXPECT_EQ(ParseError(Text("Mesh {\n 3; 0;0;0;, 1;0;0;, 0;1;0;;\n 2;\n 3;0,1,2;,\n 3;0,9,2;;\n}\n")),
              "line 6: face 1 index 9 out of range (3 vertices)");
    EXPECT_EQ(ParseError(Text("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 2;0,1;; }")),
              "line 2: face 0 has 2 indices, needs at least 3");
    EXPECT_EQ(ParseError(Text("Mesh {\n 2147483647;\n 0;0;0;;\n 0;\n}")),
              "line 3: 2147483647 vertices but only 4 values follow");
    EXPECT_EQ(ParseError(Text("Mesh { 3.5; }")), "line 2: expected an integer for the vertices");
    EXPECT_EQ(ParseError(Text("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; }")), "line 2: Mesh ends before the faces");
    EXPECT_EQ(ParseError(Text("Mesh { 0; 0; }")), "line 2: the file holds no mesh with faces");
    EXPECT_EQ(ParseError(Text("template Mesh { DWORD n; }\n")), "line 3: the file holds no mesh with faces");
    EXPECT_EQ(
        ParseError(Text(std::string("Mesh { ") + kTriangle + " MeshNormals { 1; 0;0;1;; 2; 3;0,0,0;, 3;0,0,0;; } }")),
        "line 2: MeshNormals has 2 faces, the mesh has 1");
    EXPECT_EQ(ParseError(Text(std::string("Mesh { ") + kTriangle + " MeshNormals { 1; 0;0;1;; 1; 4;0,0,0,0;; } }")),
              "line 2: MeshNormals face 0 has 4 corners, the mesh face has 3");
    EXPECT_EQ(ParseError(Text(std::string("Mesh { ") + kTriangle + " MeshNormals { 1; 0;0;1;; 1; 3;0,1,0;; } }")),
              "line 2: normal face 0 index 1 out of range (1 normals)");
    EXPECT_EQ(ParseError(Text(std::string("Mesh { ") + kTriangle + " MeshTextureCoords { 2; 0;0;, 1;1;; } }")),
              "line 2: MeshTextureCoords has 2 entries for 3 vertices");
    EXPECT_EQ(ParseError(Text(std::string("Mesh { ") + kTriangle + " MeshVertexColors { 1; 3; 1;1;1;1;; } }")),
              "line 2: vertex color index 3 out of range (3 vertices)");
    EXPECT_EQ(ParseError(Text(std::string("Mesh { ") + kTriangle + " MeshNormals { 0; 0; } MeshNormals { 0; 0; } }")),
              "line 2: Mesh has more than one MeshNormals");
}

TEST(XFileErrors, MaterialLists) {
    std::string material = "Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }";
    auto withList = [](const std::string &list) {
        return Text(std::string("Mesh { ") + kTriangle + "\n MeshMaterialList { " + list + " } }");
    };
    EXPECT_EQ(ParseError(withList("1; 1; 1;; " + material)), "line 3: face 0 material 1 out of range (1 materials)");
    EXPECT_EQ(ParseError(withList("2; 1; 0;; " + material)),
              "line 3: MeshMaterialList declares 2 materials but holds 1");
    EXPECT_EQ(ParseError(withList("1; 2; 0, 0;; " + material)), "line 3: 2 face material indexes for 1 faces");
    EXPECT_EQ(ParseError(withList("1; 1; 0;; " + material + material)),
              "line 3: MeshMaterialList declares 1 materials but holds more");
    EXPECT_EQ(ParseError(withList("2147483647; 1; 0;; " + material)),
              "line 3: 2147483647 materials exceed the limit of 65536");
    EXPECT_EQ(ParseError(withList("1; 1; 0;; { Missing }")), "line 3: material reference to unknown object 'Missing'");
    EXPECT_EQ(ParseError("xof 0302txt 0032 Frame NotMaterial { }" + withList("1; 1; 0;; { NotMaterial }").substr(16)),
              "line 3: 'NotMaterial' is not a Material");
    EXPECT_EQ(ParseError(withList("1; 1; 0;; Material { 1;1;1;1;; 0; }")),
              "line 3: Material ends before the material colors");
}

TEST(XFileErrors, CompressedStreams) {
    std::string good = Compress(BoxText(), 100);
    ASSERT_TRUE(Parse(good).ok);

    std::string truncated = good.substr(0, good.size() - 3);
    EXPECT_NE(ParseError(truncated).find("byte offset "), std::string::npos);

    std::string missingBlock = good.substr(0, 20);  // size promised, no data
    EXPECT_EQ(ParseError(missingBlock), "byte offset 20: compressed data ends after 0 of the declared " +
                                            std::to_string(BoxText().size() - 16) + " bytes");

    std::string corrupt = good;
    for (size_t i = 26; i < 40; i++) corrupt[i] = char(0xff);
    EXPECT_NE(ParseError(corrupt).find("byte offset 20: "), std::string::npos);

    std::string noSignature = good;
    noSignature[24] = 'X';
    EXPECT_EQ(ParseError(noSignature), "byte offset 24: block without its 'CK' signature");

    std::string huge = good;
    huge.replace(16, 4, std::string("\xff\xff\xff\xff", 4));
    EXPECT_EQ(ParseError(huge), "byte offset 16: decompressed size 4294967279 exceeds the limit of 268435456 bytes");

    std::string shortDeclared = good;
    shortDeclared.replace(16, 4, std::string("\x20\x00\x00\x00", 4));
    EXPECT_EQ(ParseError(shortDeclared), "byte offset 20: blocks give more than the declared 16 bytes");
}

}  // namespace
