// Text drawing: two state blocks recorded from the same table, one applied
// to draw, one capturing and restoring the caller's states around a string.
#include "overlay/bitmap_font.h"
#include "device/release.h"

namespace {

void SetFontStates(IDirect3DDevice9 *device, IDirect3DTexture9 *atlas, DWORD flags) {
    device->SetTexture(0, atlas);
    device->SetRenderState(D3DRS_ZENABLE, (flags & FontZEnable) ? D3DZB_TRUE : D3DZB_FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHAREF, 0x08);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    device->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    device->SetRenderState(D3DRS_CLIPPING, TRUE);
    device->SetRenderState(D3DRS_CLIPPLANEENABLE, FALSE);
    device->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_DISABLE);
    device->SetRenderState(D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_FOGENABLE, FALSE);
    device->SetRenderState(D3DRS_COLORWRITEENABLE, D3DCOLORWRITEENABLE_RED | D3DCOLORWRITEENABLE_GREEN |
                                                       D3DCOLORWRITEENABLE_BLUE | D3DCOLORWRITEENABLE_ALPHA);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
}

}  // namespace

HRESULT BitmapFont::PrepareDrawing() {
    HRESULT hr = fontDevice->CreateVertexBuffer(FontVertexBufferSize, D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, 0,
                                                D3DPOOL_DEFAULT, &vertexBuffer, NULL);
    if (FAILED(hr)) return hr;
    for (int which = 0; which < 2; ++which) {
        fontDevice->BeginStateBlock();
        SetFontStates(fontDevice, atlasTexture, flags);
        fontDevice->EndStateBlock(which == 0 ? &savedStateBlock : &drawingStateBlock);
    }
    return S_OK;
}

HRESULT BitmapFont::ReleaseDrawing() {
    ReleaseAndClear(vertexBuffer);
    ReleaseAndClear(savedStateBlock);
    ReleaseAndClear(drawingStateBlock);
    return S_OK;
}

HRESULT BitmapFont::DrawString(float x, float y, D3DCOLOR colour, const char *text) {
    if (!fontDevice) return E_FAIL;
    // After a failed reset the drawing resources may be missing.
    if (!vertexBuffer || !savedStateBlock || !drawingStateBlock) return E_FAIL;

    savedStateBlock->Capture();
    drawingStateBlock->Apply();
    fontDevice->SetFVF(FontVertexFormat);
    fontDevice->SetPixelShader(NULL);
    fontDevice->SetStreamSource(0, vertexBuffer, 0, sizeof(FontVertex));

    x -= (float)spacing;
    float lineStart = x;
    FontVertex *vertex = NULL;
    if (FAILED(vertexBuffer->Lock(0, 0, (void **)&vertex, D3DLOCK_DISCARD))) {
        savedStateBlock->Apply();
        return E_FAIL;
    }
    DWORD triangles = 0;
    for (const char *p = text; *p; ++p) {
        signed char c = (signed char)*p;
        if (c == '\n') {
            x = lineStart;
            y += (glyphCoords[0][3] - glyphCoords[0][1]) * textureHeight;
        }
        if (c - 32 < 0 || c - 32 >= 96) continue;
        const float *entry = glyphCoords[c - 32];
        float tx1 = entry[0], ty1 = entry[1], tx2 = entry[2], ty2 = entry[3];
        float w = (tx2 - tx1) * textureWidth / textScale;
        float h = (ty2 - ty1) * textureHeight / textScale;
        if (c != ' ') {
            // Bottom-left, top-left, bottom-right; top-right, bottom-right,
            // top-left: both clockwise on screen.
            *vertex++ = {x - 0.5f, y + h - 0.5f, 0.0f, 1.0f, colour, tx1, ty2};
            *vertex++ = {x - 0.5f, y - 0.5f, 0.0f, 1.0f, colour, tx1, ty1};
            *vertex++ = {x + w - 0.5f, y + h - 0.5f, 0.0f, 1.0f, colour, tx2, ty2};
            *vertex++ = {x + w - 0.5f, y - 0.5f, 0.0f, 1.0f, colour, tx2, ty1};
            *vertex++ = {x + w - 0.5f, y + h - 0.5f, 0.0f, 1.0f, colour, tx2, ty2};
            *vertex++ = {x - 0.5f, y - 0.5f, 0.0f, 1.0f, colour, tx1, ty1};
            triangles += 2;
            if (3 * triangles > 294) {
                vertexBuffer->Unlock();
                fontDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, triangles);
                vertexBuffer->Lock(0, 0, (void **)&vertex, D3DLOCK_DISCARD);
                triangles = 0;
            }
        }
        x += w - (float)(2 * spacing);
    }
    vertexBuffer->Unlock();
    if (triangles > 0) fontDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, triangles);
    savedStateBlock->Apply();
    return S_OK;
}
