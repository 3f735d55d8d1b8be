// Fonts: CreateFontA resolved through fontconfig, glyphs loaded, measured and
// rendered with FreeType (grayscale antialiasing, hinted whole-pixel advances).

#include "gdi_objects.h"

#include "platform_error.h"

#include <fontconfig/fontconfig.h>

#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int DefaultCellHeight = 16;  // height 0: the cell of the system font
constexpr int MaxFontPixels = 4096;    // keeps one glyph's bitmap within 16 MB

// One FreeType instance for the process, created on first use.
FT_Library FreeType() {
    static FT_Library library = nullptr;
    if (!library && FT_Init_FreeType(&library) != 0) library = nullptr;
    return library;
}

// A fontconfig configuration of the layer's own, loaded on first use and
// destroyed at exit. The process-wide default configuration and FcFini are
// left alone: others in this process use them too (the window decorations
// draw their titles through cairo and pango), and FcFini at exit would free
// caches they still hold, which fontconfig answers with an abort.
struct FontconfigConfig {
    FcConfig *config = FcInitLoadConfigAndFonts();
    ~FontconfigConfig() {
        if (config) FcConfigDestroy(config);
    }
};

FcConfig *Fontconfig() {
    static FontconfigConfig own;
    return own.config;
}

// Strings are in the Windows ANSI code page (1252); it differs from Latin-1
// only in 0x80..0x9F. Unassigned codes map to themselves (and to no glyph).
FT_ULong AnsiToUnicode(unsigned char ch) {
    static const uint16_t Cp1252High[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    return ch >= 0x80 && ch < 0xA0 ? Cp1252High[ch - 0x80] : ch;
}

// The generic fontconfig family standing for a GDI font family, tried after
// the face name as GDI's mapper would.
const char *GenericFamily(DWORD pitchAndFamily) {
    if ((pitchAndFamily & 0x3) == FIXED_PITCH) return "monospace";
    switch (pitchAndFamily & 0xF0) {
    case FF_ROMAN: return "serif";
    case FF_SWISS: return "sans-serif";
    case FF_MODERN: return "monospace";
    case FF_SCRIPT: return "cursive";
    case FF_DECORATIVE: return "fantasy";
    default: return nullptr;
    }
}

// The cell's ascent and descent in font units: the Windows metrics of the
// OS/2 table when the font has them, as GDI uses, otherwise the typographic
// ones, otherwise the bounding box.
void CellInFontUnits(FT_Face face, FT_Long *ascent, FT_Long *descent) {
    const auto *os2 = static_cast<const TT_OS2 *>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
        *ascent = os2->usWinAscent;
        *descent = os2->usWinDescent;
    } else if (face->ascender - face->descender > 0) {
        *ascent = face->ascender;
        *descent = -face->descender;
    } else {
        *ascent = face->bbox.yMax;
        *descent = -face->bbox.yMin;
    }
    if (*ascent + *descent <= 0) {
        *ascent = face->units_per_EM;
        *descent = 0;
    }
}

int CeilPixels(FT_Pos value26_6) { return std::max(0, static_cast<int>((value26_6 + 63) >> 6)); }

// Sizes the face for a GDI height: negative is the em height, positive the
// cell height (ascent + descent), both in pixels.
bool SizeFont(HFONT font, int height) {
    FT_Face face = font->face;
    FT_Long ascentUnits = 0;
    FT_Long descentUnits = 0;
    CellInFontUnits(face, &ascentUnits, &descentUnits);
    FT_F26Dot6 em = height < 0 ? static_cast<FT_F26Dot6>(-height) * 64
                               : std::llround(height * 64.0 * face->units_per_EM / (ascentUnits + descentUnits));
    if (FT_Set_Char_Size(face, 0, std::max<FT_F26Dot6>(em, 64), 72, 72) != 0) return false;
    FT_Fixed scale = face->size->metrics.y_scale;
    font->ascent = CeilPixels(FT_MulFix(ascentUnits, scale));
    font->descent = CeilPixels(FT_MulFix(descentUnits, scale));
    if (height > 0) {  // a cell height is kept exactly, as GDI does
        font->ascent = std::min(font->ascent, height);
        font->descent = height - font->ascent;
    }
    return true;
}

// Opens one font that fontconfig proposed, with the synthetic bold and slant
// it asks for when the family lacks the requested style.
HFONT OpenCandidate(FcPattern *candidate, int height, DWORD quality) {
    FcChar8 *file = nullptr;
    int index = 0;
    FcBool embolden = FcFalse;
    FcMatrix *matrix = nullptr;
    if (FcPatternGetString(candidate, FC_FILE, 0, &file) != FcResultMatch) return nullptr;
    FcPatternGetInteger(candidate, FC_INDEX, 0, &index);
    FcPatternGetBool(candidate, FC_EMBOLDEN, 0, &embolden);

    FT_Face face = nullptr;
    if (FT_New_Face(FreeType(), reinterpret_cast<const char *>(file), index, &face) != 0) return nullptr;
    if (!FT_IS_SCALABLE(face)) {
        FT_Done_Face(face);
        return nullptr;
    }
    if (FcPatternGetMatrix(candidate, FC_MATRIX, 0, &matrix) == FcResultMatch) {
        FT_Matrix transform = {static_cast<FT_Fixed>(matrix->xx * 65536), static_cast<FT_Fixed>(matrix->xy * 65536),
                               static_cast<FT_Fixed>(matrix->yx * 65536), static_cast<FT_Fixed>(matrix->yy * 65536)};
        FT_Set_Transform(face, &transform, nullptr);
    }

    bool mono = quality == NONANTIALIASED_QUALITY;
    auto *font = new HFONT__{};
    font->header.kind = GdiKind::Font;
    font->face = face;
    font->loadFlags = FT_LOAD_DEFAULT | (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
    font->renderMode = mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL;
    font->embolden = embolden == FcTrue;
    if (!SizeFont(font, height)) {
        DestroyFont(font);
        return nullptr;
    }
    return font;
}

// Asks fontconfig for the fonts closest to the request, best first, and opens
// the first one FreeType can use: a missing face falls back to the best match.
HFONT OpenMatchingFont(LPCSTR faceName, int height, int weight, bool italic, DWORD quality, DWORD pitchAndFamily) {
    FcConfig *config = Fontconfig();
    if (!FreeType() || !config) return nullptr;
    FcPattern *pattern = FcPatternCreate();
    if (!pattern) return nullptr;
    if (faceName && faceName[0]) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(faceName));
    if (const char *generic = GenericFamily(pitchAndFamily))
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(generic));
    if ((pitchAndFamily & 0x3) == FIXED_PITCH) FcPatternAddInteger(pattern, FC_SPACING, FC_MONO);
    int openTypeWeight = weight == FW_DONTCARE ? FW_NORMAL : std::clamp(weight, 1, 1000);
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(openTypeWeight));
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);

    FcResult result = FcResultNoMatch;
    FcFontSet *fonts = FcFontSort(config, pattern, FcFalse, nullptr, &result);
    HFONT font = nullptr;
    for (int i = 0; fonts && i < fonts->nfont && !font; ++i) {
        FcPattern *candidate = FcFontRenderPrepare(config, pattern, fonts->fonts[i]);
        if (!candidate) continue;
        font = OpenCandidate(candidate, height, quality);
        FcPatternDestroy(candidate);
    }
    if (fonts) FcFontSetDestroy(fonts);
    FcPatternDestroy(pattern);
    return font;
}

// Loads (and hints) one glyph into the face's slot.
bool LoadGlyph(HFONT font, unsigned char ch) {
    if (!font->face) return false;
    FT_UInt index = FT_Get_Char_Index(font->face, AnsiToUnicode(ch));
    if (FT_Load_Glyph(font->face, index, font->loadFlags) != 0) return false;
    if (font->embolden) FT_GlyphSlot_Embolden(font->face->glyph);
    return true;
}

// Advance of the glyph in the slot, in whole pixels as GDI keeps them.
int LoadedAdvance(HFONT font) { return static_cast<int>((font->face->glyph->advance.x + 32) >> 6); }

}  // namespace

HFONT WINAPI CreateFontA(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight, DWORD bItalic,
                         DWORD bUnderline, DWORD bStrikeOut, DWORD /*iCharSet*/, DWORD /*iOutPrecision*/,
                         DWORD /*iClipPrecision*/, DWORD iQuality, DWORD iPitchAndFamily, LPCSTR pszFaceName) {
    if (cWidth != 0 || cEscapement != 0 || cOrientation != 0 || bUnderline || bStrikeOut) {
        SetPlatformError("CreateFontA: width, escapement, orientation, underline and strike-out are not supported");
        return nullptr;
    }
    if (cHeight < -MaxFontPixels || cHeight > MaxFontPixels) {
        SetPlatformError("CreateFontA: height %d is beyond %d pixels", cHeight, MaxFontPixels);
        return nullptr;
    }
    int height = cHeight == 0 ? DefaultCellHeight : cHeight;
    HFONT font = OpenMatchingFont(pszFaceName, height, cWeight, bItalic != 0, iQuality, iPitchAndFamily);
    if (!font) {
        SetPlatformError("CreateFontA: no usable font for \"%s\"%s", pszFaceName ? pszFaceName : "",
                         FreeType() && Fontconfig() ? "" : " (FreeType or fontconfig failed to start)");
        return nullptr;
    }
    RegisterGdiObject(&font->header);
    return font;
}

// The font a new DC starts with. When no font can be opened at all it exists
// without a face, and text operations with it fail.
HFONT StockFont() {
    static HFONT stock = [] {
        HFONT font = OpenMatchingFont("", DefaultCellHeight, FW_NORMAL, false, DEFAULT_QUALITY,
                                      VARIABLE_PITCH | FF_SWISS);
        if (!font) {
            font = new HFONT__{};
            font->header.kind = GdiKind::Font;
        }
        font->header.stock = true;
        RegisterGdiObject(&font->header);
        return font;
    }();
    return stock;
}

void DestroyFont(HFONT font) {
    if (font->face) FT_Done_Face(font->face);
    delete font;
}

int GlyphAdvance(HFONT font, unsigned char ch) { return LoadGlyph(font, ch) ? LoadedAdvance(font) : 0; }

bool RenderGlyph(HFONT font, unsigned char ch, GlyphImage *image) {
    if (!LoadGlyph(font, ch)) return false;
    image->advance = LoadedAdvance(font);
    FT_GlyphSlot slot = font->face->glyph;
    if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, font->renderMode) != 0) return false;
    const FT_Bitmap &bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.pixel_mode != FT_PIXEL_MODE_MONO) return false;
    image->width = static_cast<int>(bitmap.width);
    image->rows = static_cast<int>(bitmap.rows);
    image->pitch = bitmap.pitch;
    image->buffer = bitmap.buffer;
    if (bitmap.pitch < 0 && bitmap.rows > 0) image->buffer += static_cast<ptrdiff_t>(bitmap.rows - 1) * -bitmap.pitch;
    image->left = slot->bitmap_left;
    image->top = slot->bitmap_top;
    image->mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
    return true;
}
