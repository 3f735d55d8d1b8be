// The bitmap font on the real device: the atlas, the quads DrawString
// produces, and what it leaves on screen and in the device's state.
#include "d3d9/live_objects.h"
#include "headless_device.h"
#include "overlay/bitmap_font.h"
#include "recording_device.h"

namespace {

class FontTest : public ::testing::Test {
protected:
    HeadlessDevice d;
    RecordingDevice *recorder = nullptr;
    BitmapFont font{"Verdana", 8, 0};
    void SetUp() override {
        ASSERT_TRUE(d.Create(256, 128));
        recorder = new RecordingDevice(d.device);
        ASSERT_EQ(font.BuildAtlas(recorder), S_OK);
    }
    void TearDown() override {
        font.ReleaseDrawing();
        font.ReleaseAtlas();
        delete recorder;
    }
    float Width(char c) { return (font.glyphCoords[c - 32][2] - font.glyphCoords[c - 32][0]) * font.textureWidth; }
    float Height(char c) { return (font.glyphCoords[c - 32][3] - font.glyphCoords[c - 32][1]) * font.textureHeight; }
    std::vector<RecordingDevice::Draw> DrawText(const char *text, float x = 10, float y = 20) {
        recorder->draws.clear();
        d.device->BeginScene();
        EXPECT_EQ(font.DrawString(x, y, 0xFFFFFFFF, text), S_OK);
        d.device->EndScene();
        return recorder->draws;
    }
};

TEST_F(FontTest, AtlasLayoutStartsWithTheSpaceAndWrapsRowsByTheRule) {
    EXPECT_EQ(font.textureWidth, 256u);
    EXPECT_EQ(font.textScale, 1.0f);
    EXPECT_EQ(font.glyphCoords[0][0], 0.0f);
    EXPECT_EQ(font.glyphCoords[0][1], 0.0f);
    float cell = Height(' ');
    EXPECT_EQ(font.spacing, SpacingForCellHeight((LONG)cell));
    for (int c = 33; c < 127; ++c) {
        const float *previous = font.glyphCoords[c - 33], *entry = font.glyphCoords[c - 32];
        DWORD left = (DWORD)(entry[0] * 256 + 0.5f), previousRight = (DWORD)(previous[2] * 256 + 0.5f);
        DWORD width = (DWORD)(Width((char)c) + 0.5f) - 2 * font.spacing;
        if (entry[1] == previous[1]) {
            EXPECT_EQ(left, previousRight) << (char)c;  // cells touch
            EXPECT_LE(previousRight + font.spacing + width + font.spacing, 256u) << (char)c;
        } else {
            EXPECT_EQ(left, 0u) << (char)c;  // a new row at x = spacing
            EXPECT_EQ(entry[1] * 256, previous[1] * 256 + cell + 1) << (char)c;
            EXPECT_GT(previousRight + font.spacing + width + font.spacing, 256u) << (char)c;
        }
    }
}

TEST_F(FontTest, ASecondBuildGivesTheSameAtlasAndStillOneTexture) {
    float first[96][4];
    memcpy(first, font.glyphCoords, sizeof first);
    int textures = LiveObjectCount(LiveTexture);
    font.ReleaseDrawing();
    ASSERT_EQ(font.BuildAtlas(recorder), S_OK);
    EXPECT_EQ(memcmp(first, font.glyphCoords, sizeof first), 0);
    EXPECT_EQ(LiveObjectCount(LiveTexture), textures);
    EXPECT_EQ(LiveObjectCount(LiveStateBlock), 2);
}

TEST_F(FontTest, ASmallMaximumTextureWidthShrinksTheAtlasAndTheGlyphs) {
    float fullHeight = Height('H');
    BitmapFont big("Verdana", 61, 0);
    recorder->maxTextureWidth = 1024;
    ASSERT_EQ(big.BuildAtlas(recorder), S_OK);
    EXPECT_EQ(big.textureWidth, 1024u);
    EXPECT_EQ(big.textureHeight, 1024u);
    EXPECT_EQ(big.textScale, 0.5f);
    // Rendered at 48 pixels per inch: 61 points make a 41-pixel character.
    EXPECT_GT((big.glyphCoords['H' - 32][3] - big.glyphCoords['H' - 32][1]) * 1024, 3 * fullHeight);
    big.ReleaseDrawing();
    big.ReleaseAtlas();
}

TEST_F(FontTest, EachCharacterIsTwoClockwiseTrianglesShiftedHalfAPixel) {
    auto draws = DrawText("AB");
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].type, D3DPT_TRIANGLELIST);
    EXPECT_EQ(draws[0].count, 4u);
    const FontVertex *v = draws[0].vertices.data();
    float x = 10.0f - font.spacing, w = Width('A'), h = Height('A');
    const float *a = font.glyphCoords['A' - 32];
    EXPECT_EQ(v[0].x, x - 0.5f);
    EXPECT_EQ(v[0].y, 20 + h - 0.5f);
    EXPECT_EQ(v[0].u, a[0]);
    EXPECT_EQ(v[0].v, a[3]);
    EXPECT_EQ(v[1].y, 20 - 0.5f);
    EXPECT_EQ(v[2].x, x + w - 0.5f);
    EXPECT_EQ(v[3].v, a[1]);
    EXPECT_EQ(v[5].x, x - 0.5f);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(v[i].z, 0.0f);
        EXPECT_EQ(v[i].rhw, 1.0f);
        EXPECT_EQ(v[i].colour, 0xFFFFFFFFu);
    }
    EXPECT_EQ(v[6].x, x + (w - 2 * font.spacing) - 0.5f);  // B follows A's advance
}

TEST_F(FontTest, BatchesOfFiftyCharactersAndSkippedBytes) {
    EXPECT_TRUE(DrawText("").empty());
    EXPECT_TRUE(DrawText("   ").empty());
    std::string fifty(50, 'x'), fiftyOne(51, 'x');
    auto draws = DrawText(fifty.c_str());
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].count, 100u);
    draws = DrawText(fiftyOne.c_str());
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0].count, 100u);
    EXPECT_EQ(draws[1].count, 2u);

    // Tab, carriage return and bytes from 128 draw nothing and do not move the pen.
    float plain = DrawText("AB")[0].vertices[6].x;
    draws = DrawText("A\t\r\x80\xff" "B");
    ASSERT_EQ(draws[0].count, 4u);
    EXPECT_EQ(draws[0].vertices[6].x, plain);
    // A line feed goes back to the line start, one space-cell lower.
    draws = DrawText("A\nB");
    EXPECT_EQ(draws[0].vertices[7].x, draws[0].vertices[1].x);
    EXPECT_EQ(draws[0].vertices[7].y, draws[0].vertices[1].y + Height(' '));
}

TEST_F(FontTest, WithoutADeviceOrItsDrawingResourcesNothingIsCalled) {
    font.ReleaseDrawing();
    recorder->calls.clear();
    EXPECT_EQ(font.DrawString(0, 0, 0xFFFFFFFF, "A"), E_FAIL);
    EXPECT_TRUE(recorder->calls.empty());
    ASSERT_EQ(font.PrepareDrawing(), S_OK);
    recorder->calls.clear();
    IDirect3DDevice9 *device = font.fontDevice;
    font.fontDevice = nullptr;
    EXPECT_EQ(font.DrawString(0, 0, 0xFFFFFFFF, "A"), E_FAIL);
    EXPECT_TRUE(recorder->calls.empty());
    font.fontDevice = device;
}

TEST_F(FontTest, GlyphsArePointSampledTexelForTexelAndStatesAreRestored) {
    IDirect3DDevice9 *dev = d.device;
    // The caller's states: the program's own, and a texture of its own.
    dev->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    IDirect3DTexture9 *own = nullptr;
    dev->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &own, NULL);
    dev->SetTexture(0, own);
    // Every render, stage and sampler state, and the bound texture.
    auto snapshot = [dev, own] {
        std::vector<DWORD> values;
        DWORD value = 0;
        for (int i = 0; i < 256; ++i) values.push_back((dev->GetRenderState((D3DRENDERSTATETYPE)i, &value), value));
        for (int s = 0; s < 2; ++s)
            for (int i = 0; i < 33; ++i)
                values.push_back((dev->GetTextureStageState(s, (D3DTEXTURESTAGESTATETYPE)i, &value), value));
        for (int i = 0; i < 14; ++i) values.push_back((dev->GetSamplerState(0, (D3DSAMPLERSTATETYPE)i, &value), value));
        IDirect3DBaseTexture9 *bound = nullptr;
        dev->GetTexture(0, &bound);
        values.push_back(bound == own);
        if (bound) bound->Release();
        return values;
    };
    std::vector<DWORD> before = snapshot();
    dev->Clear(0, NULL, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    DrawText("W", 20, 30);
    std::vector<DWORD> pixels = d.Read();

    // Read the atlas back from its CPU copy and compare each covered pixel.
    auto *atlas = static_cast<Texture *>(font.atlasTexture);
    const float *w = font.glyphCoords['W' - 32];
    int u0 = (int)(w[0] * 256 + 0.5f), v0 = (int)(w[1] * 256 + 0.5f);
    int x0 = 20 - (int)font.spacing, lit = 0;
    for (int j = 0; j < (int)Height('W'); ++j)
        for (int i = 0; i < (int)Width('W'); ++i) {
            WORD texel;
            memcpy(&texel, &atlas->memory[0][((v0 + j) * 256 + u0 + i) * 2], 2);
            int alpha = (texel >> 12) * 17;  // white, with 4-bit alpha
            int shown = pixels[(30 + j) * 256 + x0 + i] & 0xFF;
            EXPECT_NEAR(shown, alpha >= 8 ? alpha : 0, 1) << i << "," << j;
            lit += shown > 128;
        }
    EXPECT_GT(lit, 10);

    std::vector<DWORD> after = snapshot();
    for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(after[i], before[i]) << "state " << i << " of the snapshot";
    dev->SetTexture(0, NULL);
    own->Release();
}

}  // namespace
