// Files through the D3DX calls as D3DX answers them: the result codes of the
// mesh loader, and the default size and mip chain of a texture.

#include <cstdio>
#include <cstring>
#include <string>

#include "platform_error.h"
#include "program.h"

namespace {

void Write(const char *name, const std::string &bytes) {
    FILE *file = fopen(name, "wb");
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
}

// A 24-bit bitmap of one colour (0xRRGGBB), rows padded to 4 bytes.
std::string Bitmap(uint32_t width, uint32_t height, uint32_t rgb) {
    auto put = [](std::string &out, size_t at, uint32_t value) {
        for (int i = 0; i < 4; i++) out[at + i] = char(value >> 8 * i);
    };
    std::string bmp(54, '\0');
    bmp[0] = 'B', bmp[1] = 'M';
    put(bmp, 10, 54), put(bmp, 14, 40), put(bmp, 18, width), put(bmp, 22, height);
    bmp[26] = 1, bmp[28] = 24;
    for (uint32_t y = 0; y < height; y++) {
        for (uint32_t x = 0; x < width; x++) bmp += {char(rgb), char(rgb >> 8), char(rgb >> 16)};
        bmp.append((4 - width * 3 % 4) % 4, '\0');
    }
    return bmp;
}

const std::string Triangle = "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }\n";

// The header and syntax codes are those the .x layer gives on Windows for the
// same text; the rest are D3DX's answers for the whole call.
TEST_F(ProgramTest, MeshLoadingFailsWithTheCodesD3DXGives) {
    ASSERT_TRUE(StartProgram());
    const std::pair<std::string, HRESULT> cases[] = {
        {"xof 0303txt 0032", E_FAIL},  // well formed, no mesh
        {"xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,7;; }\n", E_FAIL},
        {"xOf 0302txt 0064\n" + Triangle, D3DXFERR_BADFILETYPE},
        {"xof 0302foo 0064\n" + Triangle, D3DXFERR_BADFILETYPE},
        {"xof 0102txt 0064\n" + Triangle, D3DXFERR_BADFILEVERSION},
        {"xof 0302txt 0050\n" + Triangle, D3DXFERR_BADFILEFLOATSIZE},
        {"xof 0302txt 0064foobar;\n", D3DXFERR_PARSEERROR},
        {"xof 0303txt 0032\nMesh {\n", D3DXFERR_PARSEERROR},
    };
    for (const auto &[file, expected] : cases) {
        Write("case.x", file);
        ID3DXMesh *mesh = reinterpret_cast<ID3DXMesh *>(1);
        EXPECT_EQ(D3DXLoadMeshFromXA("case.x", D3DXMESH_SYSTEMMEM, Device, nullptr, nullptr, nullptr, nullptr, &mesh),
                  expected)
            << file;
        EXPECT_EQ(mesh, nullptr);
        EXPECT_EQ(std::string(GetPlatformError()).rfind("case.x: ", 0), 0u) << GetPlatformError();
    }
    ID3DXMesh *mesh = nullptr;
    EXPECT_EQ(D3DXLoadMeshFromXA("absent.x", 0, Device, nullptr, nullptr, nullptr, nullptr, &mesh),
              D3DXERR_INVALIDDATA);
    IDirect3DTexture9 *texture = reinterpret_cast<IDirect3DTexture9 *>(1);
    EXPECT_EQ(D3DXCreateTextureFromFileA(Device, "absent.bmp", &texture), D3DXERR_INVALIDDATA);
    EXPECT_EQ(texture, nullptr);
    EXPECT_NE(strstr(GetPlatformError(), "absent.bmp"), nullptr) << GetPlatformError();
}

TEST_F(ProgramTest, TexturesTakePowerOfTwoSidesAndTheFullMipChain) {
    ASSERT_TRUE(StartProgram());
    D3DCAPS9 caps{};
    Device->GetDeviceCaps(&caps);
    const uint32_t limit = caps.MaxTextureWidth, limitLevels = 32 - __builtin_clz(limit);
    const struct {
        uint32_t width, height, textureWidth, textureHeight, levels;
    } cases[] = {{300, 200, 512, 256, 10}, {1, 3, 1, 4, 3}, {limit / 2 + 1, 1, limit, 1, limitLevels}};
    for (const auto &c : cases) {
        Write("image.bmp", Bitmap(c.width, c.height, 0x336699));
        IDirect3DTexture9 *texture = nullptr;
        ASSERT_EQ(D3DXCreateTextureFromFileA(Device, "image.bmp", &texture), D3D_OK) << GetPlatformError();
        D3DSURFACE_DESC desc{};
        texture->GetLevelDesc(0, &desc);
        EXPECT_EQ(desc.Width, c.textureWidth) << c.width << " x " << c.height;
        EXPECT_EQ(desc.Height, c.textureHeight) << c.width << " x " << c.height;
        EXPECT_EQ(texture->GetLevelCount(), c.levels) << c.width << " x " << c.height;
        // The image fills the whole texture, down to the last level.
        for (DWORD level : {DWORD(0), texture->GetLevelCount() - 1}) {
            texture->GetLevelDesc(level, &desc);
            D3DLOCKED_RECT locked{};
            ASSERT_EQ(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
            const auto *row = static_cast<const DWORD *>(locked.pBits);
            EXPECT_EQ(row[desc.Width - 1] & 0xffffff, 0x336699u) << "level " << level;
            texture->UnlockRect(level);
        }
        texture->Release();
    }
}

// Two quads side by side, each its own material and vertex colour: each
// subset draws its own faces, and the colours are rounded to bytes.
TEST_F(ProgramTest, EachSubsetDrawsItsOwnFacesInTheirVertexColours) {
    Write("halves.x",
          "xof 0303txt 0032\n"
          "Mesh { 8; -1;1;0.5;, 0;1;0.5;, 0;-1;0.5;, -1;-1;0.5;, 0;1;0.5;, 1;1;0.5;, 1;-1;0.5;, 0;-1;0.5;;\n"
          " 2; 4;0,1,2,3;, 4;4,5,6,7;;\n"
          " MeshVertexColors { 8; 0;0.5;0.25;0.75;1;, 1;0.5;0.25;0.75;1;, 2;0.5;0.25;0.75;1;, 3;0.5;0.25;0.75;1;,\n"
          "  4;0.2;0.4;0.6;1;, 5;0.2;0.4;0.6;1;, 6;0.2;0.4;0.6;1;, 7;0.2;0.4;0.6;1;; }\n"
          " MeshMaterialList { 2; 2; 0, 1;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }\n"
          "  Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } }\n"
          "}\n");
    HeadlessDevice d;
    ASSERT_TRUE(d.Create(8, 8));
    ID3DXMesh *mesh = nullptr;
    ASSERT_EQ(D3DXLoadMeshFromXA("halves.x", D3DXMESH_MANAGED, d.device, nullptr, nullptr, nullptr, nullptr, &mesh),
              D3D_OK)
        << GetPlatformError();
    d.device->SetRenderState(D3DRS_LIGHTING, FALSE);
    d.device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    const DWORD left = 0xFF8040BF, right = 0xFF336699;  // 0.5, 0.25 and 0.75 round to 0x80, 0x40, 0xBF
    for (DWORD subset = 0; subset < 2; ++subset) {
        d.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        mesh->DrawSubset(subset);
        std::vector<DWORD> pixels = d.Read();
        EXPECT_EQ(CountPixels(pixels, subset ? right : left), 32) << "subset " << subset;
        EXPECT_EQ(CountPixels(pixels, 0xFF000000), 32) << "subset " << subset;
    }
    mesh->Release();
}

}  // namespace
