// A bitmap font: the printable ASCII glyphs rendered once with GDI into a
// 4-bit-alpha texture atlas, and text drawn from it as screen-space quads in
// batches through a dynamic vertex buffer.
#pragma once

#include <d3d9.h>

constexpr DWORD FontBold = 1;
constexpr DWORD FontItalic = 2;
constexpr DWORD FontZEnable = 4;

struct FontVertex {
    float x, y, z, rhw;
    D3DCOLOR colour;
    float u, v;
};

constexpr DWORD FontVertexFormat = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr UINT FontVertexBufferSize = 9600;

struct BitmapFont {
    char faceName[80];
    DWORD height;
    DWORD flags;
    IDirect3DDevice9 *fontDevice;  // not reference counted
    IDirect3DTexture9 *atlasTexture;
    IDirect3DVertexBuffer9 *vertexBuffer;
    DWORD textureWidth;
    DWORD textureHeight;
    float textScale;
    float glyphCoords[96][4];  // left, top, right, bottom of codes 32..127
    DWORD spacing;
    IDirect3DStateBlock9 *savedStateBlock;
    IDirect3DStateBlock9 *drawingStateBlock;

    BitmapFont(const char *face, DWORD points, DWORD options);

    HRESULT BuildAtlas(IDirect3DDevice9 *device);
    void ReleaseAtlas();
    HRESULT PrepareDrawing();
    HRESULT ReleaseDrawing();
    HRESULT DrawString(float x, float y, D3DCOLOR colour, const char *text);
};

// The atlas side for a font height in points.
DWORD AtlasSizeForHeight(DWORD points);
// The blank margin around each glyph cell for a cell height in pixels.
DWORD SpacingForCellHeight(LONG cellHeight);
// An atlas texel from a GDI pixel: white, with the blue channel as alpha.
WORD AtlasTexel(DWORD pixel);
