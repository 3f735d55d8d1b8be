// The bitmap font on the real device: what DrawString leaves on screen,
// against FreeType's own rendering of the same face, and how it batches.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdlib>

#include "headless_device.h"
#include "overlay/bitmap_font.h"
#include "recording_device.h"

namespace {

// The face fontconfig gives for a regular-weight, upright request of the
// family, as the GDI layer asks for it (with a configuration of its own too).
FT_Face OpenFace(FT_Library library, const char *family) {
    FcConfig *config = FcInitLoadConfigAndFonts();
    FcPattern *pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(family));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(400));
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern *match = FcFontMatch(config, pattern, &result);
    FcChar8 *file = nullptr;
    int index = 0;
    FT_Face face = nullptr;
    if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        FT_New_Face(library, reinterpret_cast<const char *>(file), index, &face);
    }
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    FcConfigDestroy(config);
    return face;
}

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
        font.ReleaseAtlas();
        delete recorder;
    }
    std::vector<RecordingDevice::Draw> DrawText(const char *text, float x = 10, float y = 20) {
        recorder->draws.clear();
        d.device->BeginScene();
        EXPECT_EQ(font.DrawString(x, y, 0xFFFFFFFF, text), S_OK);
        d.device->EndScene();
        return recorder->draws;
    }
};

// Each glyph, drawn white on black a quarter pixel off the pixel grid, shows
// FreeType's coverage within the atlas's 4-bit alpha: point sampling picks
// whole texels, where linear filtering would blur them. The glyph's place is
// searched within 2 pixels of FreeType's pen and baseline.
TEST_F(FontTest, GlyphsShowFreeTypesCoveragePointSampledAndTheCallersStatesAreKept) {
    IDirect3DDevice9 *dev = d.device;
    // The caller's states: the program's own, and a texture of its own.
    dev->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
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
    const char glyphs[] = "W@g&Q";
    for (int i = 0; i < 5; ++i) DrawText(std::string(1, glyphs[i]).c_str(), 20.25f + 45 * i, 30.25f);
    std::vector<DWORD> pixels = d.Read();
    EXPECT_EQ(snapshot(), before);
    dev->SetTexture(0, NULL);
    own->Release();

    FT_Library library;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    FT_Face face = OpenFace(library, "Verdana");
    ASSERT_NE(face, nullptr);
    ASSERT_EQ(FT_Set_Pixel_Sizes(face, 0, 11), 0);  // 8 points at 96 pixels per inch
    int ascent = (int)(face->size->metrics.ascender >> 6);
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(FT_Load_Char(face, glyphs[i], FT_LOAD_RENDER), 0);
        const FT_Bitmap &glyph = face->glyph->bitmap;
        int left = 20 + 45 * i + face->glyph->bitmap_left, top = 30 + ascent - face->glyph->bitmap_top;
        int best = 256;  // the largest difference at the best placement
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx) {
                int worst = 0;  // over the glyph's box and a 2-pixel margin around it
                for (int r = -2; r < (int)glyph.rows + 2; ++r)
                    for (int c = -2; c < (int)glyph.width + 2; ++c) {
                        bool inside = r >= 0 && c >= 0 && r < (int)glyph.rows && c < (int)glyph.width;
                        int expected = inside ? glyph.buffer[r * glyph.pitch + c] : 0;
                        DWORD shown = pixels[(top + dy + r) * 256 + left + dx + c];
                        for (int channel = 0; channel < 24; channel += 8)  // grey: white text on black
                            worst = std::max(worst, std::abs((int)(shown >> channel & 0xFF) - expected));
                    }
                best = std::min(best, worst);
            }
        EXPECT_LE(best, 17) << glyphs[i];  // 4-bit alpha: within 16 levels, and one for blending
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}

// A string of more glyphs than the vertex buffer holds is drawn in batches:
// it shows exactly as its lines do drawn one call each, none lost or doubled
// where a batch ends (and nothing is written past the buffer: the sanitizer
// build runs this too).
TEST_F(FontTest, AStringLongerThanTheVertexBufferShowsAsItsLinesDrawnOneByOne) {
    std::string text, lines[5];
    for (int i = 0; i < 130; ++i) lines[i / 26] += (char)('!' + i % 94);
    for (const std::string &line : lines) text += line + "\n";
    d.device->Clear(0, NULL, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    EXPECT_GT(DrawText(text.c_str(), 4, 4).size(), 2u);
    std::vector<DWORD> whole = d.Read();
    d.device->Clear(0, NULL, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    for (int i = 0; i < 5; ++i) DrawText((std::string(i, '\n') + lines[i]).c_str(), 4, 4);
    std::vector<DWORD> separate = d.Read();
    EXPECT_GT(256 * 128 - CountPixels(separate, 0xFF000000), 1000);
    int differing = 0;
    for (size_t i = 0; i < whole.size(); ++i) differing += whole[i] != separate[i];
    EXPECT_EQ(differing, 0);
}

TEST_F(FontTest, SpacesAndControlBytesDrawNothingAndALineFeedStartsANewLine) {
    EXPECT_TRUE(DrawText("   ").empty());

    // Tab, carriage return and bytes from 128 draw nothing and do not move the pen.
    float plain = DrawText("AB")[0].vertices[6].x;
    auto draws = DrawText("A\t\r\x80\xff" "B");
    ASSERT_EQ(draws[0].count, 4u);
    EXPECT_EQ(draws[0].vertices[6].x, plain);
    // A line feed goes back to the line start, one line lower.
    draws = DrawText("A\nB");
    EXPECT_EQ(draws[0].vertices[7].x, draws[0].vertices[1].x);
    EXPECT_GT(draws[0].vertices[7].y, draws[0].vertices[1].y + 10);
}

}  // namespace
