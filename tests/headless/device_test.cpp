// The device layer against Direct3D 9's documented and measured behaviour:
// fixed-function colour, sampling, depth, queries, state blocks, reset and
// object lifetimes.
#include <cstdio>
#include <fstream>
#include <iterator>

#include "d3d9/live_objects.h"
#include "headless_device.h"

namespace {

class DeviceTest : public ::testing::Test {
protected:
    HeadlessDevice d;
    IDirect3DDevice9 *dev = nullptr;
    void SetUp() override {
        ASSERT_TRUE(d.Create(64, 64));
        dev = d.device;
        dev->Clear(0, NULL, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    }
    void Quad(float x1, float y1, float x2, float y2, DWORD colour, float z = 0.5f, float u2 = 1, float v2 = 1) {
        ScreenVertex quad[4] = {{x1, y1, z, 1, colour, 0, 0}, {x2, y1, z, 1, colour, u2, 0},
                                {x1, y2, z, 1, colour, 0, v2}, {x2, y2, z, 1, colour, u2, v2}};
        dev->SetFVF(ScreenVertexFormat);
        dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex));
    }
    // An 8 x 5 texture whose texel (i, j) is 0xFF000000 | i << 16 | j << 8 | 0x40.
    IDirect3DTexture9 *Checker() {
        IDirect3DTexture9 *texture = nullptr;
        EXPECT_EQ(dev->CreateTexture(8, 5, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, NULL), D3D_OK);
        D3DLOCKED_RECT locked;
        texture->LockRect(0, &locked, NULL, 0);
        for (int j = 0; j < 5; ++j)
            for (int i = 0; i < 8; ++i)
                ((DWORD *)((BYTE *)locked.pBits + j * locked.Pitch))[i] = 0xFF000040 | i << 16 | j << 8;
        texture->UnlockRect(0);
        return texture;
    }
};

TEST_F(DeviceTest, PretransformedQuadAtHalfPixelsIsTexelExact) {
    IDirect3DTexture9 *texture = Checker();
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->SetTexture(0, texture);
    for (DWORD filter : {D3DTEXF_POINT, D3DTEXF_LINEAR}) {
        dev->SetSamplerState(0, D3DSAMP_MINFILTER, filter);
        dev->SetSamplerState(0, D3DSAMP_MAGFILTER, filter);
        dev->Clear(0, NULL, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        Quad(9.5f, 19.5f, 17.5f, 24.5f, 0xFFFFFFFF);
        auto pixels = d.Read();
        int covered = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                if (pixels[y * 64 + x] == 0xFF000000) continue;
                ++covered;
                ASSERT_TRUE(x >= 10 && x <= 17 && y >= 20 && y <= 24) << x << "," << y;
                EXPECT_EQ(pixels[y * 64 + x], 0xFF000040u | (x - 10) << 16 | (y - 20) << 8) << x << "," << y;
            }
        EXPECT_EQ(covered, 40);
    }
    texture->Release();
}

TEST_F(DeviceTest, StageWithoutTexturePassesDiffuseAndModulatesWithOne) {
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    for (DWORD op : {D3DTOP_MODULATE, D3DTOP_SELECTARG1, D3DTOP_ADD}) {
        dev->SetTextureStageState(0, D3DTSS_COLOROP, op);
        dev->Clear(0, NULL, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        Quad(-0.5f, -0.5f, 7.5f, 7.5f, 0x80402010);
        // The back buffer is X8R8G8B8: its X byte reads back as 0xFF.
        EXPECT_EQ(d.Read()[0], 0xFF402010u) << op;
    }
    // With a texture bound, MODULATE(TEXTURE, DIFFUSE) multiplies.
    IDirect3DTexture9 *texture = Checker();
    dev->SetTexture(0, texture);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    Quad(-0.5f, -0.5f, 7.5f, 4.5f, 0xFF808080);
    DWORD pixel = d.Read()[64 * 2 + 4];  // texel (4, 2) = 0x04 0x02 0x40 halved
    EXPECT_NEAR((int)(pixel & 0xFF), 0x20, 1);
    EXPECT_NEAR((int)((pixel >> 16) & 0xFF), 2, 1);
    texture->Release();
}

TEST_F(DeviceTest, LightingWithDefaultMaterialIsBlack) {
    ColourVertex triangle[3] = {{-1, 1, 0.5f, 0xFFFFFFFF}, {1, 1, 0.5f, 0xFFFFFFFF}, {-1, -1, 0.5f, 0xFFFFFFFF}};
    dev->Clear(0, NULL, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    dev->SetFVF(ColourVertexFormat);
    dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, sizeof(ColourVertex));
    EXPECT_EQ(d.Read()[0] & 0x00FFFFFF, 0x000000u);
}

TEST_F(DeviceTest, AlphaTestAndBlend) {
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->Clear(0, NULL, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    Quad(-0.5f, -0.5f, 7.5f, 7.5f, 0x80FF0000);
    DWORD blended = d.Read()[0];
    EXPECT_NEAR((int)((blended >> 16) & 0xFF), 0x80, 1);
    EXPECT_NEAR((int)(blended & 0xFF), 0x7F, 1);
    dev->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    dev->SetRenderState(D3DRS_ALPHAREF, 0x81);
    dev->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    Quad(9.5f, -0.5f, 17.5f, 7.5f, 0x80FF0000);  // alpha 0x80 < 0x81: rejected
    EXPECT_EQ(d.Read()[10] & 0x00FFFFFF, 0x0000FFu);
    dev->SetRenderState(D3DRS_ALPHAREF, 0x80);
    Quad(9.5f, -0.5f, 17.5f, 7.5f, 0x80FF0000);
    EXPECT_NE(d.Read()[10] & 0x00FFFFFF, 0x0000FFu);
}

TEST_F(DeviceTest, WrapRepeatsAndClampStretchesTheEdge) {
    IDirect3DTexture9 *texture = Checker();
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->SetTexture(0, texture);
    Quad(-0.5f, -0.5f, 15.5f, 4.5f, 0xFFFFFFFF, 0.5f, 2.0f, 1.0f);  // u 0..2 over 16 pixels
    auto wrapped = d.Read();
    EXPECT_EQ(wrapped[8], wrapped[0]);
    EXPECT_EQ(wrapped[15], wrapped[7]);
    dev->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    Quad(-0.5f, -0.5f, 15.5f, 4.5f, 0xFFFFFFFF, 0.5f, 2.0f, 1.0f);
    auto clamped = d.Read();
    EXPECT_EQ(clamped[8], clamped[7]);
    EXPECT_EQ(clamped[15], clamped[7]);
    texture->Release();
}

TEST_F(DeviceTest, DepthDefaultsPassEqualDepthAndRangeIsZeroToOne) {
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    Quad(-0.5f, -0.5f, 7.5f, 7.5f, 0xFFFF0000, 0.25f);
    Quad(-0.5f, -0.5f, 7.5f, 7.5f, 0xFF00FF00, 0.25f);  // equal depth: passes LESSEQUAL
    EXPECT_EQ(d.Read()[0], 0xFF00FF00u);
    Quad(-0.5f, -0.5f, 7.5f, 7.5f, 0xFF0000FF, 0.3f);  // behind: fails
    EXPECT_EQ(d.Read()[0], 0xFF00FF00u);
    Quad(-0.5f, -0.5f, 7.5f, 7.5f, 0xFFFFFFFF, 0.0f);  // z 0 is the near plane, not clipped
    EXPECT_EQ(d.Read()[0], 0xFFFFFFFFu);
    Quad(-0.5f, -0.5f, 7.5f, 7.5f, 0xFF123456, -0.01f);  // in front of the near plane: clipped
    EXPECT_EQ(d.Read()[0], 0xFFFFFFFFu);
}

TEST_F(DeviceTest, OcclusionQueriesCountPassingPixels) {
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    IDirect3DQuery9 *query = nullptr;
    ASSERT_EQ(dev->CreateQuery(D3DQUERYTYPE_OCCLUSION, &query), D3D_OK);
    auto measure = [&](auto draw) {
        query->Issue(D3DISSUE_BEGIN);
        draw();
        query->Issue(D3DISSUE_END);
        DWORD count = 12345;
        while (query->GetData(&count, sizeof count, D3DGETDATA_FLUSH) == S_FALSE) {
        }
        return count;
    };
    auto rectangle = [&] { Quad(9.5f, 9.5f, 29.5f, 19.5f, 0xFFFFFFFF); };
    EXPECT_EQ(measure(rectangle), 200u);
    EXPECT_EQ(measure(rectangle), 200u);  // same depth passes LESSEQUAL
    dev->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    EXPECT_EQ(measure(rectangle), 0u);
    dev->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    EXPECT_EQ(measure([] {}), 0u);
    EXPECT_EQ(measure([&] { Quad(100.5f, 100.5f, 120.5f, 120.5f, 0xFFFFFFFF); }), 0u);  // off the target
    for (int i = 0; i < 20; ++i) EXPECT_EQ(measure([&] { Quad(-0.5f, -0.5f, i + 0.5f, 0.5f, 0xFFFFFFFF, 0.0f); }), 0u + i + 1);
    query->Release();
}

TEST_F(DeviceTest, StateBlocksRecordCaptureAndApplyOnlyTheirStates) {
    IDirect3DTexture9 *texture = Checker();
    dev->BeginStateBlock();
    dev->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    dev->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    dev->SetTexture(0, texture);
    DWORD value = 0;
    dev->GetRenderState(D3DRS_ZENABLE, &value);
    EXPECT_EQ(value, (DWORD)D3DZB_TRUE);  // recorded, not applied
    IDirect3DStateBlock9 *block = nullptr;
    ASSERT_EQ(dev->EndStateBlock(&block), D3D_OK);
    EXPECT_EQ(texture->AddRef(), 2u);  // binding and recording take no reference
    texture->Release();

    dev->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    dev->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    block->Capture();  // takes the current ZENABLE, MINFILTER, texture (none)
    dev->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    dev->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    dev->SetTexture(0, texture);
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    block->Apply();
    dev->GetRenderState(D3DRS_ZENABLE, &value);
    EXPECT_EQ(value, (DWORD)D3DZB_TRUE);
    dev->GetSamplerState(0, D3DSAMP_MINFILTER, &value);
    EXPECT_EQ(value, (DWORD)D3DTEXF_LINEAR);
    IDirect3DBaseTexture9 *bound = nullptr;
    dev->GetTexture(0, &bound);
    EXPECT_EQ(bound, nullptr);
    dev->GetRenderState(D3DRS_CULLMODE, &value);
    EXPECT_EQ(value, (DWORD)D3DCULL_CW);  // not recorded: keeps its latest value
    block->Release();
    texture->Release();
}

TEST_F(DeviceTest, ResetIsRefusedWhileDefaultPoolResourcesOrStateBlocksLive) {
    IDirect3DTexture9 *target = nullptr, *managed = nullptr;
    ASSERT_EQ(dev->CreateTexture(32, 32, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &target, NULL), D3D_OK);
    ASSERT_EQ(dev->CreateTexture(32, 32, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &managed, NULL), D3D_OK);
    D3DPRESENT_PARAMETERS parameters = d.parameters;
    EXPECT_EQ(dev->Reset(&parameters), D3DERR_INVALIDCALL);
    target->Release();
    IDirect3DVertexBuffer9 *buffer = nullptr;
    dev->CreateVertexBuffer(96, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT, &buffer, NULL);
    EXPECT_EQ(dev->Reset(&parameters), D3DERR_INVALIDCALL);
    buffer->Release();
    IDirect3DSurface9 *backBuffer = nullptr;
    dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
    EXPECT_EQ(dev->Reset(&parameters), D3DERR_INVALIDCALL);
    backBuffer->Release();
    IDirect3DStateBlock9 *block = nullptr;
    dev->CreateStateBlock(D3DSBT_ALL, &block);
    EXPECT_EQ(dev->Reset(&parameters), D3DERR_INVALIDCALL);  // state blocks are lost too
    block->Release();
    // A reset abandons a recording; queries survive it.
    IDirect3DQuery9 *query = nullptr;
    dev->CreateQuery(D3DQUERYTYPE_OCCLUSION, &query);
    dev->BeginStateBlock();
    EXPECT_EQ(dev->Reset(&parameters), D3D_OK);
    EXPECT_EQ(dev->EndStateBlock(&block), D3DERR_INVALIDCALL);
    EXPECT_EQ(LiveObjectCount(LiveStateBlock), 0);
    query->Release();

    dev->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
    dev->SetTexture(0, managed);
    parameters.BackBufferWidth = 100;
    parameters.BackBufferHeight = 50;
    EXPECT_EQ(dev->Reset(&parameters), D3D_OK);  // managed textures survive
    DWORD value = 0;
    dev->GetRenderState(D3DRS_ZFUNC, &value);
    EXPECT_EQ(value, (DWORD)D3DCMP_LESSEQUAL);
    IDirect3DBaseTexture9 *bound = managed;
    dev->GetTexture(0, &bound);
    EXPECT_EQ(bound, nullptr);
    D3DVIEWPORT9 viewport;
    dev->GetViewport(&viewport);
    EXPECT_EQ(viewport.Width, 100u);
    EXPECT_EQ(d.Read().size(), 100u * 50u);
    managed->Release();
}

TEST_F(DeviceTest, DefaultStatesMatchDirect3D) {
    struct { D3DRENDERSTATETYPE state; DWORD value; } render[] = {
        {D3DRS_ZENABLE, 1}, {D3DRS_ZFUNC, 4}, {D3DRS_ZWRITEENABLE, 1}, {D3DRS_CULLMODE, 3}, {D3DRS_SRCBLEND, 2},
        {D3DRS_DESTBLEND, 1}, {D3DRS_BLENDOP, 1}, {D3DRS_ALPHABLENDENABLE, 0}, {D3DRS_ALPHATESTENABLE, 0},
        {D3DRS_ALPHAREF, 0}, {D3DRS_ALPHAFUNC, 8}, {D3DRS_LIGHTING, 1}, {D3DRS_AMBIENT, 0}, {D3DRS_FILLMODE, 3},
        {D3DRS_SHADEMODE, 2}, {D3DRS_FOGENABLE, 0}, {D3DRS_SPECULARENABLE, 0}, {D3DRS_COLORVERTEX, 1},
        {D3DRS_DIFFUSEMATERIALSOURCE, 1}, {D3DRS_STENCILENABLE, 0}, {D3DRS_COLORWRITEENABLE, 0xF},
        {D3DRS_TEXTUREFACTOR, 0xFFFFFFFF}, {D3DRS_DITHERENABLE, 0}, {D3DRS_CLIPPING, 1}};
    for (auto &r : render) {
        DWORD value = 0xDEAD;
        dev->GetRenderState(r.state, &value);
        EXPECT_EQ(value, r.value) << "render state " << r.state;
    }
    DWORD stage0[] = {4, 2, 1, 2, 2, 1}, stage1[] = {1, 2, 1, 1, 2, 1};
    for (int i = 0; i < 6; ++i) {
        DWORD value;
        dev->GetTextureStageState(0, (D3DTEXTURESTAGESTATETYPE)(i + 1), &value);
        EXPECT_EQ(value, stage0[i]);
        dev->GetTextureStageState(1, (D3DTEXTURESTAGESTATETYPE)(i + 1), &value);
        EXPECT_EQ(value, stage1[i]);
    }
    DWORD value;
    dev->GetTextureStageState(1, D3DTSS_TEXCOORDINDEX, &value);
    EXPECT_EQ(value, 1u);
    dev->GetSamplerState(0, D3DSAMP_MINFILTER, &value);
    EXPECT_EQ(value, 1u);
    dev->GetSamplerState(0, D3DSAMP_MIPFILTER, &value);
    EXPECT_EQ(value, 0u);
    dev->GetSamplerState(0, D3DSAMP_ADDRESSU, &value);
    EXPECT_EQ(value, 1u);
}

TEST_F(DeviceTest, SavedBitmapIsBottomUpWithOpaqueX) {
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    IDirect3DTexture9 *texture = nullptr;
    ASSERT_EQ(D3DXCreateTexture(dev, 320, 240, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &texture), D3D_OK);
    IDirect3DSurface9 *surface = nullptr;
    texture->GetSurfaceLevel(0, &surface);
    ID3DXRenderToSurface *render = nullptr;
    ASSERT_EQ(D3DXCreateRenderToSurface(dev, 320, 240, D3DFMT_X8R8G8B8, TRUE, D3DFMT_D16, &render), D3D_OK);
    ASSERT_EQ(render->BeginScene(surface, NULL), D3D_OK);
    dev->Clear(0, NULL, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00C8C8C8, 1.0f, 0);
    Quad(-0.5f, -0.5f, 319.5f, 0.5f, 0x00FF0000);  // the top row red
    render->EndScene(0);
    D3DVIEWPORT9 viewport;
    dev->GetViewport(&viewport);
    EXPECT_EQ(viewport.Width, 64u);  // the back buffer's viewport is back

    std::string path = ::testing::TempDir() + "saved.bmp";
    ASSERT_EQ(D3DXSaveSurfaceToFileA(path.c_str(), D3DXIFF_BMP, surface, NULL, NULL), D3D_OK);
    std::ifstream file(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), {});
    ASSERT_EQ(bytes.size(), 307254u);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[10], 54);
    EXPECT_EQ(bytes[28], 32);
    EXPECT_EQ(bytes[22] | bytes[23] << 8, 240);  // positive height: bottom-up
    auto pixel = [&](int x, int row) { return bytes.data() + 54 + (row * 320 + x) * 4; };
    EXPECT_EQ(pixel(0, 239)[2], 0xFF);  // the top row is stored last
    EXPECT_EQ(pixel(0, 239)[3], 0xFF);
    EXPECT_EQ(pixel(0, 0)[0], 0xC8);
    EXPECT_EQ(pixel(0, 0)[3], 0xFF);
    EXPECT_EQ(D3DXSaveSurfaceToFileA("/nonexistent-dir/buffer.bmp", D3DXIFF_BMP, surface, NULL, NULL),
              D3DERR_INVALIDCALL);
    render->Release();
    surface->Release();
    texture->Release();
}

TEST(DeviceLifetime, EveryObjectIsReleasedWithItsLastReference) {
    int before = LiveObjectTotal();
    {
        HeadlessDevice d;
        ASSERT_TRUE(d.Create(32, 32));
        IDirect3DTexture9 *texture = nullptr;
        d.device->CreateTexture(16, 16, 0, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &texture, NULL);
        IDirect3DSurface9 *level = nullptr;
        texture->GetSurfaceLevel(1, &level);
        texture->Release();  // the surface keeps its texture alive
        EXPECT_EQ(LiveObjectCount(LiveTexture), 1);
        level->Release();
        EXPECT_EQ(LiveObjectCount(LiveTexture), 0);
        IDirect3DQuery9 *query = nullptr;
        d.device->CreateQuery(D3DQUERYTYPE_OCCLUSION, &query);
        d.device->Release();  // the query still holds the device
        d.device = nullptr;
        EXPECT_EQ(LiveObjectCount(LiveDevice), 1);
        query->Release();
        EXPECT_EQ(LiveObjectCount(LiveDevice), 0);
    }
    EXPECT_EQ(LiveObjectTotal(), before);
}

}  // namespace
