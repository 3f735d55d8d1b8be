// The GDI objects behind the handles, shared by the DC/bitmap code and the
// font code. Every object starts with a GdiObject so that a handle passed as
// HGDIOBJ can be told apart by kind once the registry has vouched for it.
#pragma once

#include "gdi.h"

#include <ft2build.h>
#include FT_FREETYPE_H

enum class GdiKind : uint32_t { DeviceContext = 1, Bitmap = 2, Font = 3 };

struct GdiObject {
    GdiKind kind;
    bool stock;      // shared default object: never freed, deleting it is a no-op
    int selections;  // how many device contexts have it selected
};

struct HBITMAP__ {
    GdiObject header;
    LONG width;
    LONG height;  // always positive
    bool topDown;
    uint32_t *pixels;  // width * height pixels, 0x00RRGGBB
};

struct HFONT__ {
    GdiObject header;
    FT_Face face;  // null only for a stock font when no font could be opened
    FT_Int32 loadFlags;
    FT_Render_Mode renderMode;
    bool embolden;  // fontconfig asked for synthetic bold
    int ascent;     // whole pixels above the baseline
    int descent;    // whole pixels below it
};

struct HDC__ {
    GdiObject header;
    HBITMAP bitmap;  // never null: a memory DC starts with the stock bitmap
    HFONT font;      // never null: it starts with the stock font
    COLORREF textColor;
    COLORREF bkColor;
    UINT textAlign;
};

// Registry of live objects, so that stale or garbage handles are rejected
// without being dereferenced. Objects are used from one thread.
void RegisterGdiObject(GdiObject *object);
void UnregisterGdiObject(GdiObject *object);
GdiObject *FindGdiObject(const void *handle);  // null when not a live object

// Fonts (gdi_font.cpp).
HFONT StockFont();
void DestroyFont(HFONT font);
// Advance width of one character in whole pixels.
int GlyphAdvance(HFONT font, unsigned char ch);

// A rendered glyph's coverage, valid until the font renders another glyph.
struct GlyphImage {
    const unsigned char *buffer;  // the top row
    int width;
    int rows;
    int pitch;  // bytes from one row to the one below it
    int left;   // from the pen position to the bitmap's left edge
    int top;    // from the baseline up to the bitmap's top edge
    bool mono;    // one bit per pixel instead of one byte
    int advance;  // whole pixels to the next character's origin
};
bool RenderGlyph(HFONT font, unsigned char ch, GlyphImage *image);
