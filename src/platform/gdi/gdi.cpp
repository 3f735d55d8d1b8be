// Memory device contexts, 32-bit DIB sections, object selection and text
// output. Every write is clipped to the selected bitmap.

#include "gdi_objects.h"

#include "platform_error.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <unordered_set>
#include <utility>

namespace {

constexpr int ScreenDpi = 96;
constexpr int64_t MaxBitmapBytes = INT32_MAX;  // the largest DIB section GDI allocates

std::unordered_set<const GdiObject *> &LiveObjects() {
    static std::unordered_set<const GdiObject *> live;
    return live;
}

HDC__ *FindDC(HDC hdc, const char *caller) {
    GdiObject *object = FindGdiObject(hdc);
    if (!object || object->kind != GdiKind::DeviceContext) {
        SetPlatformError("%s: invalid device context", caller);
        return nullptr;
    }
    return reinterpret_cast<HDC__ *>(object);
}

// The 1x1 bitmap a memory DC starts with; selecting it back releases the
// caller's bitmap.
HBITMAP StockBitmap() {
    static uint32_t pixel = 0;
    static HBITMAP stock = [] {
        auto *bitmap = new HBITMAP__{{GdiKind::Bitmap, true, 0}, 1, 1, true, &pixel};
        RegisterGdiObject(&bitmap->header);
        return bitmap;
    }();
    return stock;
}

// Pixel rectangle, right and bottom exclusive; 64-bit so that any int
// coordinate plus any advance stays exact.
struct PixelRect {
    int64_t left, top, right, bottom;
};

PixelRect Intersect(const PixelRect &a, const PixelRect &b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

uint32_t *PixelRow(HBITMAP bitmap, int64_t y) {
    int64_t row = bitmap->topDown ? y : bitmap->height - 1 - y;
    return bitmap->pixels + row * bitmap->width;
}

uint32_t ColorToPixel(COLORREF color) {
    return (uint32_t{GetRValue(color)} << 16) | (uint32_t{GetGValue(color)} << 8) | GetBValue(color);
}

void FillPixels(HBITMAP bitmap, const PixelRect &rect, uint32_t pixel) {
    if (rect.left >= rect.right) return;
    for (int64_t y = rect.top; y < rect.bottom; ++y) {
        uint32_t *row = PixelRow(bitmap, y);
        std::fill(row + rect.left, row + rect.right, pixel);
    }
}

// out = dst + (src - dst) * coverage / 255 per channel, rounded.
uint32_t BlendPixel(uint32_t dst, uint32_t src, unsigned coverage) {
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        unsigned d = (dst >> shift) & 0xFF;
        unsigned s = (src >> shift) & 0xFF;
        out |= ((d * (255 - coverage) + s * coverage + 127) / 255) << shift;
    }
    return out;
}

unsigned Coverage(const GlyphImage &glyph, int x, int y) {
    const unsigned char *row = glyph.buffer + static_cast<ptrdiff_t>(y) * glyph.pitch;
    if (glyph.mono) return (row[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0;
    return row[x];
}

// Blends a glyph whose bitmap's top-left corner is at (left, top).
void BlendGlyph(HBITMAP bitmap, const PixelRect &clip, const GlyphImage &glyph, int64_t left, int64_t top,
                uint32_t textPixel) {
    PixelRect area = Intersect(clip, {left, top, left + glyph.width, top + glyph.rows});
    for (int64_t y = area.top; y < area.bottom; ++y) {
        uint32_t *row = PixelRow(bitmap, y);
        for (int64_t x = area.left; x < area.right; ++x) {
            unsigned coverage = Coverage(glyph, static_cast<int>(x - left), static_cast<int>(y - top));
            if (coverage) row[x] = BlendPixel(row[x], textPixel, coverage);
        }
    }
}

// The reference point (x, y) moved to the top-left of the text's cells.
void AlignText(const HDC__ &dc, int64_t width, int64_t *x, int64_t *y) {
    if ((dc.textAlign & TA_CENTER) == TA_CENTER) *x -= width / 2;
    else if (dc.textAlign & TA_RIGHT) *x -= width;
    if ((dc.textAlign & TA_BASELINE) == TA_BASELINE) *y -= dc.font->ascent;
    else if (dc.textAlign & TA_BOTTOM) *y -= dc.font->ascent + dc.font->descent;
}

}  // namespace

void RegisterGdiObject(GdiObject *object) { LiveObjects().insert(object); }

void UnregisterGdiObject(GdiObject *object) { LiveObjects().erase(object); }

GdiObject *FindGdiObject(const void *handle) {
    auto found = LiveObjects().find(static_cast<const GdiObject *>(handle));
    return found == LiveObjects().end() ? nullptr : const_cast<GdiObject *>(*found);
}

HDC WINAPI CreateCompatibleDC(HDC hdc) {
    if (hdc && !FindDC(hdc, "CreateCompatibleDC")) return nullptr;
    auto *dc = new HDC__{};
    dc->header.kind = GdiKind::DeviceContext;
    dc->bitmap = StockBitmap();
    dc->font = StockFont();
    dc->bitmap->header.selections++;
    dc->font->header.selections++;
    dc->textColor = RGB(0, 0, 0);
    dc->bkColor = RGB(255, 255, 255);
    dc->textAlign = TA_LEFT | TA_TOP | TA_NOUPDATECP;
    RegisterGdiObject(&dc->header);
    return dc;
}

BOOL WINAPI DeleteDC(HDC hdc) {
    HDC__ *dc = FindDC(hdc, "DeleteDC");
    if (!dc) return FALSE;
    dc->bitmap->header.selections--;
    dc->font->header.selections--;
    UnregisterGdiObject(&dc->header);
    delete dc;
    return TRUE;
}

HBITMAP WINAPI CreateDIBSection(HDC /*hdc*/, const BITMAPINFO *pbmi, UINT usage, VOID **ppvBits, HANDLE hSection,
                                DWORD /*offset*/) {
    if (ppvBits) *ppvBits = nullptr;
    if (!pbmi || usage != DIB_RGB_COLORS || hSection) {
        SetPlatformError("CreateDIBSection: needs a header, DIB_RGB_COLORS and no section handle");
        return nullptr;
    }
    const BITMAPINFOHEADER &header = pbmi->bmiHeader;
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biPlanes != 1 || header.biBitCount != 32 ||
        header.biCompression != BI_RGB) {
        SetPlatformError("CreateDIBSection: only 32-bit BI_RGB bitmaps are supported");
        return nullptr;
    }
    int64_t width = header.biWidth;
    int64_t height = std::abs(static_cast<int64_t>(header.biHeight));
    if (width <= 0 || height == 0 || width > MaxBitmapBytes / 4 / height) {
        SetPlatformError("CreateDIBSection: invalid size %ldx%ld", static_cast<long>(header.biWidth),
                         static_cast<long>(header.biHeight));
        return nullptr;
    }
    auto *pixels = static_cast<uint32_t *>(calloc(static_cast<size_t>(width * height), sizeof(uint32_t)));
    if (!pixels) {
        SetPlatformError("CreateDIBSection: out of memory for %ldx%ld", static_cast<long>(width),
                         static_cast<long>(height));
        return nullptr;
    }
    auto *bitmap = new HBITMAP__{{GdiKind::Bitmap, false, 0}, static_cast<LONG>(width), static_cast<LONG>(height),
                                 header.biHeight < 0, pixels};
    RegisterGdiObject(&bitmap->header);
    if (ppvBits) *ppvBits = pixels;
    return bitmap;
}

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h) {
    HDC__ *dc = FindDC(hdc, "SelectObject");
    GdiObject *object = FindGdiObject(h);
    if (!dc) return nullptr;
    if (!object || object->kind == GdiKind::DeviceContext) {
        SetPlatformError("SelectObject: invalid object");
        return nullptr;
    }
    if (object->kind == GdiKind::Bitmap) {
        auto *bitmap = reinterpret_cast<HBITMAP>(object);
        if (bitmap == dc->bitmap) return bitmap;
        if (!object->stock && object->selections > 0) {
            SetPlatformError("SelectObject: the bitmap is selected into another device context");
            return nullptr;
        }
        HBITMAP previous = dc->bitmap;
        previous->header.selections--;
        dc->bitmap = bitmap;
        object->selections++;
        return previous;
    }
    HFONT previous = dc->font;
    previous->header.selections--;
    dc->font = reinterpret_cast<HFONT>(object);
    object->selections++;
    return previous;
}

BOOL WINAPI DeleteObject(HGDIOBJ ho) {
    GdiObject *object = FindGdiObject(ho);
    if (!object || object->kind == GdiKind::DeviceContext) {
        SetPlatformError("DeleteObject: invalid object");
        return FALSE;
    }
    if (object->stock) return TRUE;
    if (object->selections > 0) {
        SetPlatformError("DeleteObject: the object is selected into a device context");
        return FALSE;
    }
    UnregisterGdiObject(object);
    if (object->kind == GdiKind::Font) {
        DestroyFont(reinterpret_cast<HFONT>(object));
    } else {
        auto *bitmap = reinterpret_cast<HBITMAP>(object);
        free(bitmap->pixels);
        delete bitmap;
    }
    return TRUE;
}

int WINAPI SetMapMode(HDC hdc, int iMode) {
    if (!FindDC(hdc, "SetMapMode")) return 0;
    if (iMode != MM_TEXT) {
        SetPlatformError("SetMapMode: only MM_TEXT is supported");
        return 0;
    }
    return MM_TEXT;
}

int WINAPI GetDeviceCaps(HDC hdc, int index) {
    if (!FindDC(hdc, "GetDeviceCaps")) return 0;
    return index == LOGPIXELSX || index == LOGPIXELSY ? ScreenDpi : 0;
}

COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color) {
    HDC__ *dc = FindDC(hdc, "SetTextColor");
    if (!dc) return CLR_INVALID;
    return std::exchange(dc->textColor, color);
}

COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color) {
    HDC__ *dc = FindDC(hdc, "SetBkColor");
    if (!dc) return CLR_INVALID;
    return std::exchange(dc->bkColor, color);
}

UINT WINAPI SetTextAlign(HDC hdc, UINT align) {
    HDC__ *dc = FindDC(hdc, "SetTextAlign");
    if (!dc) return GDI_ERROR;
    return std::exchange(dc->textAlign, align);
}

BOOL WINAPI GetTextExtentPoint32A(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl) {
    HDC__ *dc = FindDC(hdc, "GetTextExtentPoint32A");
    if (!dc) return FALSE;
    if (!psizl || c < 0 || (c > 0 && !lpString) || !dc->font->face) {
        SetPlatformError("GetTextExtentPoint32A: invalid string, size or font");
        return FALSE;
    }
    int64_t width = 0;
    for (int i = 0; i < c; ++i) width += GlyphAdvance(dc->font, static_cast<unsigned char>(lpString[i]));
    psizl->cx = static_cast<LONG>(std::min<int64_t>(width, INT32_MAX));
    psizl->cy = dc->font->ascent + dc->font->descent;
    return TRUE;
}

// The background of the text's cells is filled with the background colour
// (a DC's background mode is opaque), then each glyph's coverage is blended
// in the text colour over what lies beneath it.
BOOL WINAPI ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT *lprect, LPCSTR lpString, UINT c,
                        const INT *lpDx) {
    HDC__ *dc = FindDC(hdc, "ExtTextOutA");
    if (!dc) return FALSE;
    if (c > 0 && (!lpString || !dc->font->face)) {
        SetPlatformError("ExtTextOutA: invalid string or font");
        return FALSE;
    }
    HBITMAP bitmap = dc->bitmap;
    PixelRect clip = {0, 0, bitmap->width, bitmap->height};
    if (lprect) {
        PixelRect rect = {lprect->left, lprect->top, lprect->right, lprect->bottom};
        if (options & ETO_OPAQUE) FillPixels(bitmap, Intersect(clip, rect), ColorToPixel(dc->bkColor));
        if (options & ETO_CLIPPED) clip = Intersect(clip, rect);
    }
    if (c == 0) return TRUE;

    int64_t width = 0;
    for (UINT i = 0; i < c; ++i) width += lpDx ? lpDx[i] : GlyphAdvance(dc->font, static_cast<unsigned char>(lpString[i]));
    int64_t left = x;
    int64_t top = y;
    AlignText(*dc, width, &left, &top);
    int64_t baseline = top + dc->font->ascent;
    FillPixels(bitmap, Intersect(clip, {left, top, left + width, baseline + dc->font->descent}),
               ColorToPixel(dc->bkColor));

    uint32_t textPixel = ColorToPixel(dc->textColor);
    int64_t pen = left;
    for (UINT i = 0; i < c; ++i) {
        GlyphImage glyph = {};
        bool rendered = RenderGlyph(dc->font, static_cast<unsigned char>(lpString[i]), &glyph);
        if (rendered) BlendGlyph(bitmap, clip, glyph, pen + glyph.left, baseline - glyph.top, textPixel);
        pen += lpDx ? lpDx[i] : glyph.advance;
    }
    return TRUE;
}
