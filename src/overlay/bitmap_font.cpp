#include "overlay/bitmap_font.h"
#include "device/release.h"

#include <cmath>
#include <cstring>

DWORD AtlasSizeForHeight(DWORD points) {
    if (points > 60) return 2048;
    if (points > 30) return 1024;
    if (points > 15) return 512;
    return 256;
}

DWORD SpacingForCellHeight(LONG cellHeight) { return (DWORD)ceilf((float)cellHeight * 0.3f); }

WORD AtlasTexel(DWORD pixel) {
    WORD alpha = (WORD)((pixel >> 4) & 0x0F);
    return alpha == 0 ? 0x0000 : (WORD)(alpha * 4096 + 0x0FFF);
}

BitmapFont::BitmapFont(const char *face, DWORD points, DWORD options)
    : height(points), flags(options), fontDevice(NULL), atlasTexture(NULL), vertexBuffer(NULL), textureWidth(0),
      textureHeight(0), textScale(1.0f), spacing(0), savedStateBlock(NULL), drawingStateBlock(NULL) {
    strncpy(faceName, face, sizeof faceName);
    faceName[sizeof faceName - 1] = '\0';
    // The entry for code 127 is never built; zeroed, it draws nothing.
    memset(glyphCoords, 0, sizeof glyphCoords);
}

HRESULT BitmapFont::BuildAtlas(IDirect3DDevice9 *device) {
    fontDevice = device;
    textScale = 1.0f;
    textureWidth = textureHeight = AtlasSizeForHeight(height);
    D3DCAPS9 caps;
    fontDevice->GetDeviceCaps(&caps);
    if (textureWidth > caps.MaxTextureWidth) {
        textScale = (float)caps.MaxTextureWidth / (float)textureWidth;
        textureWidth = textureHeight = caps.MaxTextureWidth;
    }

    ReleaseAndClear(atlasTexture);
    HRESULT hr = fontDevice->CreateTexture(textureWidth, textureHeight, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED,
                                           &atlasTexture, NULL);
    if (FAILED(hr)) return hr;

    // A top-down 32-bit memory bitmap to draw the glyphs into.
    BITMAPINFO info;
    ZeroMemory(&info.bmiHeader, sizeof info.bmiHeader);
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = (LONG)textureWidth;
    info.bmiHeader.biHeight = -(LONG)textureHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    DWORD *bits = NULL;
    HDC context = CreateCompatibleDC(NULL);
    HBITMAP bitmap = CreateDIBSection(context, &info, DIB_RGB_COLORS, (void **)&bits, NULL, 0);
    SetMapMode(context, MM_TEXT);

    int pixelsPerInch = (int)((float)GetDeviceCaps(context, LOGPIXELSY) * textScale);
    int characterHeight = MulDiv((int)height, pixelsPerInch, 72);
    HFONT font = CreateFontA(-characterHeight, 0, 0, 0, (flags & FontBold) ? FW_BOLD : FW_NORMAL,
                             (flags & FontItalic) ? TRUE : FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH, faceName);
    if (!font) {
        DeleteObject(bitmap);
        DeleteDC(context);
        return E_FAIL;
    }
    // Without a bitmap there is nothing to draw into: an empty atlas.
    if (!bitmap || !bits) {
        DeleteObject(font);
        DeleteDC(context);
        return E_FAIL;
    }

    HGDIOBJ previousBitmap = SelectObject(context, bitmap);
    HGDIOBJ previousFont = SelectObject(context, font);
    SetTextColor(context, RGB(255, 255, 255));
    SetBkColor(context, 0x00000000);
    SetTextAlign(context, TA_TOP);

    SIZE extent;
    GetTextExtentPoint32A(context, " ", 1, &extent);
    spacing = SpacingForCellHeight(extent.cy);

    DWORD x = spacing, y = 0;
    for (char c = 32; c < 127; ++c) {
        GetTextExtentPoint32A(context, &c, 1, &extent);
        if (x + extent.cx + spacing > textureWidth) {
            x = spacing;
            y += extent.cy + 1;
        }
        ExtTextOutA(context, x, y, ETO_OPAQUE, NULL, &c, 1, NULL);
        float *entry = glyphCoords[c - 32];
        entry[0] = (float)(x - spacing) / textureWidth;
        entry[1] = (float)y / textureHeight;
        entry[2] = (float)(x + extent.cx + spacing) / textureWidth;
        entry[3] = (float)(y + extent.cy) / textureHeight;
        x += extent.cx + 2 * spacing;
    }

    D3DLOCKED_RECT locked;
    if (SUCCEEDED(atlasTexture->LockRect(0, &locked, NULL, 0))) {
        BYTE *row = (BYTE *)locked.pBits;
        for (DWORD r = 0; r < textureHeight; ++r, row += locked.Pitch) {
            WORD *texels = (WORD *)row;
            for (DWORD k = 0; k < textureWidth; ++k) texels[k] = AtlasTexel(bits[r * textureWidth + k]);
        }
        atlasTexture->UnlockRect(0);
    }

    SelectObject(context, previousBitmap);
    SelectObject(context, previousFont);
    DeleteObject(bitmap);
    DeleteObject(font);
    DeleteDC(context);

    PrepareDrawing();
    return S_OK;
}

void BitmapFont::ReleaseAtlas() {
    ReleaseDrawing();
    ReleaseAndClear(atlasTexture);
    fontDevice = NULL;
}
