// The GDI subset: font resolution and metrics, text output into 32-bit DIB
// sections, clipping, and the selection rules of DC objects. (What a glyph
// looks like is checked against FreeType on screen, by the overlay test.)

#include "windows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>

namespace {

constexpr uint32_t Untouched = 0x00123456;

HFONT MakeFont(int height, int weight = FW_NORMAL, LPCSTR face = "Verdana") {
    return CreateFontA(height, 0, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       ANTIALIASED_QUALITY, VARIABLE_PITCH, face);
}

HBITMAP MakeBitmap(LONG width, LONG height, uint32_t **bits, WORD bitCount = 32) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = bitCount;
    info.bmiHeader.biCompression = BI_RGB;
    void *pixels = reinterpret_cast<void *>(1);
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    *bits = static_cast<uint32_t *>(pixels);
    return bitmap;
}

// A memory DC with a bitmap (h as biHeight: negative is top-down) filled with
// Untouched and a font, set up as the atlas build does; puts the original
// objects back and frees everything.
struct Canvas {
    LONG width, height;
    HDC dc = CreateCompatibleDC(nullptr);
    uint32_t *bits = nullptr;
    HBITMAP bitmap;
    HFONT font;
    HGDIOBJ oldBitmap, oldFont;

    Canvas(LONG w, LONG h, HFONT f = MakeFont(-11)) : width(w), height(h < 0 ? -h : h), font(f) {
        bitmap = MakeBitmap(w, h, &bits);
        oldBitmap = SelectObject(dc, bitmap);
        oldFont = SelectObject(dc, font);
        SetTextColor(dc, RGB(255, 255, 255));
        SetBkColor(dc, RGB(0, 0, 0));
        SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
        std::fill(bits, bits + width * height, Untouched);
    }
    ~Canvas() {
        SelectObject(dc, oldBitmap);
        SelectObject(dc, oldFont);
        DeleteObject(bitmap);
        DeleteObject(font);
        DeleteDC(dc);
    }
    SIZE Extent(const std::string &text) const {
        SIZE size = {-1, -1};
        EXPECT_TRUE(GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size));
        return size;
    }
    void Draw(int x, int y, const std::string &text, UINT options = ETO_OPAQUE, const RECT *rect = nullptr) {
        EXPECT_TRUE(ExtTextOutA(dc, x, y, options, rect, text.c_str(), static_cast<UINT>(text.size()), nullptr));
    }
    uint32_t At(int x, int y) const { return bits[y * width + x]; }  // in memory order
};

std::string Printable() {
    std::string text;
    for (char c = 32; c < 127; ++c) text += c;
    return text;
}

TEST(GdiFont, ExtentsFollowAdvancesAndCellHeight) {
    Canvas canvas(8, -8);
    EXPECT_EQ(GetDeviceCaps(canvas.dc, LOGPIXELSY), 96);
    SIZE space = canvas.Extent(" ");
    EXPECT_GT(space.cx, 0);
    EXPECT_GT(canvas.Extent("W").cx, space.cx);
    LONG sum = 0;
    for (char c : Printable()) {
        SIZE size = canvas.Extent(std::string(1, c));
        EXPECT_EQ(size.cy, space.cy) << c;
        sum += size.cx;
    }
    EXPECT_EQ(canvas.Extent(Printable()).cx, sum);
    EXPECT_EQ(canvas.Extent("").cx, 0);
    EXPECT_EQ(canvas.Extent("").cy, space.cy);

    Canvas taller(8, -8, MakeFont(-22));
    EXPECT_GT(taller.Extent(" ").cy, space.cy);
    Canvas byCell(8, -8, MakeFont(20));  // a positive height is the cell height
    EXPECT_EQ(byCell.Extent("x").cy, 20);
}

TEST(GdiFont, BoldIsAtLeastAsWideAndMissingFacesFallBack) {
    Canvas normal(8, -8);
    Canvas bold(8, -8, MakeFont(-11, FW_BOLD));
    for (char c : Printable()) EXPECT_GE(bold.Extent(std::string(1, c)).cx, normal.Extent(std::string(1, c)).cx) << c;
    EXPECT_GT(bold.Extent(Printable()).cx, normal.Extent(Printable()).cx);

    Canvas fallback(8, -8, MakeFont(-11, FW_NORMAL, "No Such Face Anywhere"));
    ASSERT_NE(fallback.font, nullptr);
    EXPECT_GT(fallback.Extent("W").cx, 0);

    EXPECT_EQ(CreateFontA(-11, 5, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Verdana"), nullptr);  // width unsupported
    EXPECT_EQ(MakeFont(INT_MIN), nullptr);
}

TEST(GdiDraw, ClipsToTheBitmapWhereverTheTextIs) {
    Canvas reference(40, -20);
    reference.Draw(0, 0, "W@j");
    Canvas shifted(40, -20);
    shifted.Draw(-3, -4, "W@j");
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 37; ++x) ASSERT_EQ(shifted.At(x, y), reference.At(x + 3, y + 4)) << x << "," << y;

    // Far outside, straddling the far corner, and clipped to a rectangle:
    // nothing may be written beyond the bitmap (the sanitizer build checks).
    for (POINT at : {POINT{INT_MIN, INT_MIN}, POINT{-1000, 5}, POINT{35, 15}, POINT{INT_MAX, INT_MAX}})
        shifted.Draw(at.x, at.y, Printable());
    std::fill(shifted.bits, shifted.bits + 40 * 20, Untouched);
    RECT left = {0, 0, 10, 20};
    shifted.Draw(0, 0, "WWWW", ETO_CLIPPED, &left);
    for (int y = 0; y < 20; ++y)
        for (int x = 10; x < 40; ++x) ASSERT_EQ(shifted.At(x, y), Untouched);
}

// The text's cells take the background colour, ETO_OPAQUE's rectangle too;
// a glyph's full coverage shows the text colour. Red on blue, so that a swap
// of the colour's channels or of text and background shows.
TEST(GdiDraw, CellsAndTheOpaqueRectangleTakeTheBackgroundAndGlyphsTheTextColour) {
    constexpr uint32_t Red = 0xFF0000, Blue = 0x0000FF;
    Canvas canvas(100, -50, MakeFont(-40));
    SetTextColor(canvas.dc, RGB(255, 0, 0));
    SetBkColor(canvas.dc, RGB(0, 0, 255));
    const SIZE cell = canvas.Extent("l");
    canvas.Draw(5, 2, "l", 0);
    int red = 0, blue = 0;
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 50; ++x) {
            bool inCell = x >= 5 && x < 5 + cell.cx && y >= 2 && y < 2 + cell.cy;
            uint32_t pixel = canvas.At(x, y);
            if (!inCell) {
                ASSERT_EQ(pixel, Untouched) << x << "," << y;
            }
            red += pixel == Red;
            blue += pixel == Blue;
        }
    EXPECT_GT(red, 20);  // the stem
    EXPECT_GT(blue, red);
    RECT box = {55, 0, 100, 50};
    canvas.Draw(60, 2, "l", 0, &box);
    EXPECT_EQ(canvas.At(55, 49), Untouched);
    canvas.Draw(60, 2, "l", ETO_OPAQUE, &box);
    EXPECT_EQ(canvas.At(55, 49), Blue);
    EXPECT_EQ(canvas.At(99, 0), Blue);
}

TEST(GdiBitmap, RejectsWhatItCannotAllocateOrRepresent) {
    uint32_t *bits = nullptr;
    EXPECT_EQ(MakeBitmap(0, 10, &bits), nullptr);
    EXPECT_EQ(MakeBitmap(10, 0, &bits), nullptr);
    EXPECT_EQ(MakeBitmap(-10, 10, &bits), nullptr);
    EXPECT_EQ(MakeBitmap(1 << 20, 1 << 20, &bits), nullptr);
    EXPECT_EQ(MakeBitmap(10, INT_MIN, &bits), nullptr);
    EXPECT_EQ(MakeBitmap(10, 10, &bits, 24), nullptr);
    EXPECT_EQ(bits, nullptr);
    EXPECT_EQ(CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
}

TEST(GdiObjects, SelectionHandsBackPreviousObjectsAndGuardsDeletion) {
    HDC dc = CreateCompatibleDC(nullptr), other = CreateCompatibleDC(dc);
    uint32_t *bits = nullptr;
    HBITMAP bitmap = MakeBitmap(4, 4, &bits);
    HFONT font = MakeFont(-11);
    HGDIOBJ stockBitmap = SelectObject(dc, bitmap), stockFont = SelectObject(dc, font);
    EXPECT_TRUE(stockBitmap && stockFont);
    EXPECT_EQ(SelectObject(other, bitmap), nullptr);  // a bitmap lives in one DC at a time
    EXPECT_EQ(SelectObject(other, font), stockFont);  // fonts may be shared
    EXPECT_FALSE(DeleteObject(bitmap));  // selected
    EXPECT_EQ(SelectObject(dc, stockBitmap), bitmap);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_FALSE(DeleteObject(bitmap));  // stale handle
    EXPECT_TRUE(DeleteDC(other) && DeleteDC(dc));
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_FALSE(DeleteDC(dc));
}

}  // namespace
