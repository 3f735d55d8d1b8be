// The device's rasterisation rules, checked against Direct3D 9's.
#include "headless_device.h"

namespace {

class Rasterisation : public ::testing::Test {
protected:
    HeadlessDevice d;
    void SetUp() override {
        ASSERT_TRUE(d.Create(64, 64));
        d.device->SetRenderState(D3DRS_LIGHTING, FALSE);
        d.device->Clear(0, NULL, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    }
    void DrawScreenQuad(float x1, float y1, float x2, float y2, DWORD colour) {
        ScreenVertex quad[4] = {{x1, y1, 0.5f, 1.0f, colour, 0, 0}, {x2, y1, 0.5f, 1.0f, colour, 1, 0},
                                {x1, y2, 0.5f, 1.0f, colour, 0, 1}, {x2, y2, 0.5f, 1.0f, colour, 1, 1}};
        d.device->SetFVF(ScreenVertexFormat);
        d.device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex));
    }
    // Columns (or rows) covered, as first..last, of a quad in screen pixels
    // drawn through identity matrices.
    std::pair<int, int> CoveredColumns(float x1, float x2) {
        float n1 = x1 / 32.0f - 1.0f, n2 = x2 / 32.0f - 1.0f;
        ColourVertex quad[4] = {{n1, 1, 0.5f, 0xFFFFFFFF}, {n2, 1, 0.5f, 0xFFFFFFFF},
                                {n1, -1, 0.5f, 0xFFFFFFFF}, {n2, -1, 0.5f, 0xFFFFFFFF}};
        d.device->SetFVF(ColourVertexFormat);
        d.device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ColourVertex));
        auto pixels = d.Read();
        int first = -1, last = -1;
        for (int x = 0; x < 64; ++x)
            if (pixels[10 * 64 + x] == 0xFFFFFFFF) {
                if (first < 0) first = x;
                last = x;
            }
        return {first, last};
    }
    std::pair<int, int> CoveredRows(float y1, float y2) {
        float n1 = 1.0f - y1 / 32.0f, n2 = 1.0f - y2 / 32.0f;
        ColourVertex quad[4] = {{-1, n1, 0.5f, 0xFFFFFFFF}, {1, n1, 0.5f, 0xFFFFFFFF},
                                {-1, n2, 0.5f, 0xFFFFFFFF}, {1, n2, 0.5f, 0xFFFFFFFF}};
        d.device->SetFVF(ColourVertexFormat);
        d.device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ColourVertex));
        auto pixels = d.Read();
        int first = -1, last = -1;
        for (int y = 0; y < 64; ++y)
            if (pixels[y * 64 + 10] == 0xFFFFFFFF) {
                if (first < 0) first = y;
                last = y;
            }
        return {first, last};
    }
};

TEST_F(Rasterisation, TransformedEdgesFollowIntegerPixelCentresAndTopLeftRule) {
    EXPECT_EQ(CoveredColumns(0.0f, 32.0f), std::make_pair(0, 31));
}
TEST_F(Rasterisation, ColumnsFractional) { EXPECT_EQ(CoveredColumns(0.0f, 10.25f), std::make_pair(0, 10)); }
TEST_F(Rasterisation, ColumnsFromFive) { EXPECT_EQ(CoveredColumns(5.25f, 10.25f), std::make_pair(6, 10)); }
TEST_F(Rasterisation, ColumnsOnCentres) { EXPECT_EQ(CoveredColumns(5.0f, 10.0f), std::make_pair(5, 9)); }
TEST_F(Rasterisation, ColumnsOnHalves) { EXPECT_EQ(CoveredColumns(4.5f, 9.5f), std::make_pair(5, 9)); }
TEST_F(Rasterisation, RowsFromTop) { EXPECT_EQ(CoveredRows(0.0f, 3.25f), std::make_pair(0, 3)); }
TEST_F(Rasterisation, RowsOnHalves) { EXPECT_EQ(CoveredRows(4.5f, 9.5f), std::make_pair(5, 9)); }

TEST_F(Rasterisation, DefaultCullingKeepsClockwiseAndDropsCounterClockwise) {
    DrawScreenQuad(10, 10, 30, 20, 0xFF00FF00);  // strip TL, TR, BL, BR: first triangle clockwise
    EXPECT_EQ(CountPixels(d.Read(), 0xFF00FF00), 200);
    d.device->Clear(0, NULL, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    ScreenVertex reversed[4] = {{10, 20, 0.5f, 1, 0xFF00FF00, 0, 0}, {30, 20, 0.5f, 1, 0xFF00FF00, 0, 0},
                                {10, 10, 0.5f, 1, 0xFF00FF00, 0, 0}, {30, 10, 0.5f, 1, 0xFF00FF00, 0, 0}};
    d.device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, reversed, sizeof(ScreenVertex));
    EXPECT_EQ(CountPixels(d.Read(), 0xFF00FF00), 0);
}

TEST_F(Rasterisation, ImageIsTopRowFirst) {
    DrawScreenQuad(-0.5f, -0.5f, 63.5f, 3.5f, 0xFFFF0000);  // the top four rows
    auto pixels = d.Read();
    EXPECT_EQ(pixels[0], 0xFFFF0000u);
    EXPECT_EQ(pixels[3 * 64 + 63], 0xFFFF0000u);
    EXPECT_EQ(pixels[4 * 64], 0xFF000000u);
    EXPECT_EQ(pixels[63 * 64], 0xFF000000u);
}

}  // namespace
