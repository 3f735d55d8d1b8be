// Renders the scenes whose Direct3D 9 behaviour this program relies on and
// prints what it reads back, one "name: value" line each. Written against the
// Direct3D 9 / D3DX 9 API only, it builds for this project's layer and for
// Windows, so the outputs of two implementations can be compared line by line.
#include <d3dx9.h>

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "conformance_window.h"

namespace {

IDirect3D9 *D3D;
IDirect3DDevice9 *Dev;
D3DPRESENT_PARAMETERS Parameters;
HWND Window;
std::string Directory;  // where files are written

void Line(const char *name, const char *format, ...) __attribute__((format(printf, 2, 3)));
void Line(const char *name, const char *format, ...) {
    va_list args;
    va_start(args, format);
    printf("%s: ", name);
    vprintf(format, args);
    printf("\n");
    va_end(args);
}

struct ScreenVertex {
    float x, y, z, rhw;
    D3DCOLOR colour;
    float u, v;
};
const DWORD ScreenFormat = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct PlainVertex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};
const DWORD PlainFormat = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

struct DiffuseVertex {
    float x, y, z;
    D3DCOLOR colour;
};
const DWORD DiffuseFormat = D3DFVF_XYZ | D3DFVF_DIFFUSE;

bool CreateDevice(UINT width, UINT height) {
    ZeroMemory(&Parameters, sizeof Parameters);
    Parameters.BackBufferWidth = width;
    Parameters.BackBufferHeight = height;
    Parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    Parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    Parameters.Windowed = TRUE;
    Parameters.EnableAutoDepthStencil = TRUE;
    Parameters.AutoDepthStencilFormat = D3DFMT_D16;
    Parameters.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    return SUCCEEDED(D3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, Window, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                       &Parameters, &Dev));
}

// A render target the scenes draw into, with alpha kept: A8R8G8B8.
struct Target {
    IDirect3DTexture9 *texture = NULL;
    IDirect3DSurface9 *surface = NULL, *depth = NULL, *copy = NULL;
    UINT width, height;
    Target(UINT w, UINT h) : width(w), height(h) {
        Dev->CreateTexture(w, h, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture, NULL);
        texture->GetSurfaceLevel(0, &surface);
        Dev->CreateDepthStencilSurface(w, h, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, TRUE, &depth, NULL);
        Dev->CreateOffscreenPlainSurface(w, h, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &copy, NULL);
    }
    ~Target() {
        IDirect3DSurface9 *backBuffer = NULL, *autoDepth = NULL;
        Dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
        Dev->SetRenderTarget(0, backBuffer);
        backBuffer->Release();
        Dev->GetDepthStencilSurface(&autoDepth);
        if (autoDepth) autoDepth->Release();
        copy->Release();
        depth->Release();
        surface->Release();
        texture->Release();
    }
    void Begin(D3DCOLOR clear) {
        Dev->SetRenderTarget(0, surface);
        Dev->SetDepthStencilSurface(depth);
        Dev->BeginScene();
        Dev->Clear(0, NULL, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, clear, 1.0f, 0);
    }
    std::vector<DWORD> End() {
        Dev->EndScene();
        std::vector<DWORD> pixels(width * height);
        Dev->GetRenderTargetData(surface, copy);
        D3DLOCKED_RECT locked;
        if (SUCCEEDED(copy->LockRect(&locked, NULL, D3DLOCK_READONLY))) {
            for (UINT y = 0; y < height; ++y) memcpy(&pixels[y * width], (BYTE *)locked.pBits + y * locked.Pitch, width * 4);
            copy->UnlockRect();
        }
        return pixels;
    }
};

void ResetStates(IDirect3DDevice9 *device) {
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    for (DWORD stage = 0; stage < 2; ++stage) {
        device->SetTexture(stage, NULL);
        device->SetTextureStageState(stage, D3DTSS_COLOROP, stage ? D3DTOP_DISABLE : D3DTOP_MODULATE);
        device->SetTextureStageState(stage, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(stage, D3DTSS_COLORARG2, D3DTA_CURRENT);
        device->SetTextureStageState(stage, D3DTSS_ALPHAOP, stage ? D3DTOP_DISABLE : D3DTOP_SELECTARG1);
        device->SetTextureStageState(stage, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(stage, D3DTSS_ALPHAARG2, D3DTA_CURRENT);
        device->SetTextureStageState(stage, D3DTSS_TEXCOORDINDEX, stage);
    }
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
    device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
}

void Quad(float x1, float y1, float x2, float y2, DWORD colour, float z = 0.5f, float u2 = 1, float v2 = 1) {
    ScreenVertex quad[4] = {{x1, y1, z, 1, colour, 0, 0}, {x2, y1, z, 1, colour, u2, 0},
                            {x1, y2, z, 1, colour, 0, v2}, {x2, y2, z, 1, colour, u2, v2}};
    Dev->SetFVF(ScreenFormat);
    Dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex));
}

IDirect3DTexture9 *Checker() {
    IDirect3DTexture9 *texture = NULL;
    Dev->CreateTexture(8, 5, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, NULL);
    D3DLOCKED_RECT locked;
    texture->LockRect(0, &locked, NULL, 0);
    for (int j = 0; j < 5; ++j)
        for (int i = 0; i < 8; ++i) ((DWORD *)((BYTE *)locked.pBits + j * locked.Pitch))[i] = 0xFF000040 | i << 20 | j << 12;
    texture->UnlockRect(0);
    return texture;
}

void PretransformedQuads() {
    IDirect3DTexture9 *texture = Checker();
    Target target(64, 64);
    const struct { const char *name; float x1, y1, x2, y2; DWORD filter; } cases[] = {
        {"pretransformed_half_point", 9.5f, 19.5f, 17.5f, 24.5f, D3DTEXF_POINT},
        {"pretransformed_half_linear", 9.5f, 19.5f, 17.5f, 24.5f, D3DTEXF_LINEAR},
        {"pretransformed_whole_point", 10, 20, 18, 25, D3DTEXF_POINT},
        {"pretransformed_whole_linear", 10, 20, 18, 25, D3DTEXF_LINEAR}};
    for (const auto &c : cases) {
        target.Begin(0xFF000000);
        ResetStates(Dev);
        Dev->SetTexture(0, texture);
        Dev->SetSamplerState(0, D3DSAMP_MINFILTER, c.filter);
        Dev->SetSamplerState(0, D3DSAMP_MAGFILTER, c.filter);
        Quad(c.x1, c.y1, c.x2, c.y2, 0xFFFFFFFF);
        std::vector<DWORD> pixels = target.End();
        int covered = 0, left = 64, top = 64, right = -1, bottom = -1;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                if (pixels[y * 64 + x] != 0xFF000000) {
                    ++covered;
                    left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
                }
        std::string row;
        for (int x = 10; x < 18; ++x) {
            char texel[8];
            // Red carries the texel column in its high nibble; a blend shows between.
            snprintf(texel, sizeof texel, "%s%d", x > 10 ? "," : "", (int)((pixels[20 * 64 + x] >> 16) & 0xFF));
            row += texel;
        }
        Line(c.name, "pixels=%d box=%d..%d,%d..%d row20_red=%s", covered, left, right, top, bottom, row.c_str());
    }
    texture->Release();
}

void TransformedEdges() {
    Target target(64, 64);
    const struct { const char *name; float from, to; bool rows; } cases[] = {
        {"transformed_columns_ndc_-1..0", 0, 32, false}, {"transformed_columns_0..10.25", 0, 10.25f, false},
        {"transformed_columns_5.25..10.25", 5.25f, 10.25f, false}, {"transformed_columns_5..10", 5, 10, false},
        {"transformed_columns_4.5..9.5", 4.5f, 9.5f, false}, {"transformed_rows_0..3.25", 0, 3.25f, true},
        {"transformed_rows_4.5..9.5", 4.5f, 9.5f, true}, {"transformed_rows_5..10", 5, 10, true},
        {"transformed_rows_5.25..10.25", 5.25f, 10.25f, true}};
    for (const auto &c : cases) {
        target.Begin(0xFF000000);
        ResetStates(Dev);
        float a = c.from / 32.0f - 1.0f, b = c.to / 32.0f - 1.0f;
        const float edge[2] = {a, b};
        DiffuseVertex quad[4];
        for (int k = 0; k < 4; ++k)
            quad[k] = c.rows ? DiffuseVertex{k & 1 ? 1.0f : -1.0f, -edge[k >> 1], 0.5f, 0xFFFFFFFF}
                             : DiffuseVertex{edge[k & 1], k & 2 ? -1.0f : 1.0f, 0.5f, 0xFFFFFFFF};
        Dev->SetFVF(DiffuseFormat);
        Dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(DiffuseVertex));
        std::vector<DWORD> pixels = target.End();
        int first = -1, last = -1;
        for (int i = 0; i < 64; ++i)
            if (pixels[c.rows ? i * 64 + 10 : 10 * 64 + i] == 0xFFFFFFFF) {
                if (first < 0) first = i;
                last = i;
            }
        Line(c.name, "%d..%d", first, last);
    }
}

void Culling() {
    Target target(64, 64);
    const struct { const char *name; DWORD cull; float y[4]; } cases[] = {
        {"cull_default_strip_tl_tr_bl_br", D3DCULL_CCW, {10, 10, 20, 20}},
        {"cull_default_strip_bl_br_tl_tr", D3DCULL_CCW, {20, 20, 10, 10}},
        {"cull_cw_strip_tl_tr_bl_br", D3DCULL_CW, {10, 10, 20, 20}},
        {"cull_cw_strip_bl_br_tl_tr", D3DCULL_CW, {20, 20, 10, 10}},
        {"cull_none_strip_bl_br_tl_tr", D3DCULL_NONE, {20, 20, 10, 10}}};
    for (const auto &c : cases) {
        target.Begin(0xFF000000);
        ResetStates(Dev);
        Dev->SetRenderState(D3DRS_CULLMODE, c.cull);
        ScreenVertex quad[4] = {{10, c.y[0], 0.5f, 1, 0xFFFFFFFF, 0, 0}, {30, c.y[1], 0.5f, 1, 0xFFFFFFFF, 0, 0},
                                {10, c.y[2], 0.5f, 1, 0xFFFFFFFF, 0, 0}, {30, c.y[3], 0.5f, 1, 0xFFFFFFFF, 0, 0}};
        Dev->SetFVF(ScreenFormat);
        Dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex));
        std::vector<DWORD> pixels = target.End();
        int lit = 0;
        for (DWORD p : pixels) lit += p == 0xFFFFFFFF;
        Line(c.name, "pixels=%d", lit);
    }
    Target small(40, 30);
    Dev->SetRenderTarget(0, small.surface);
    D3DVIEWPORT9 viewport;
    Dev->GetViewport(&viewport);
    Line("viewport_after_set_render_target", "%lux%lu", (unsigned long)viewport.Width, (unsigned long)viewport.Height);
}

void FixedFunctionColour() {
    Target target(16, 16);
    target.Begin(0xFF000000);
    ResetStates(Dev);
    PlainVertex plain[3] = {{-1, 1, 0.5f, 0, 0, -1, 0, 0}, {1, 1, 0.5f, 0, 0, -1, 1, 0}, {-1, -1, 0.5f, 0, 0, -1, 0, 1}};
    Dev->SetFVF(PlainFormat);
    Dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, plain, sizeof(PlainVertex));
    Line("unlit_untextured_no_diffuse", "0x%08X", (unsigned)target.End()[0]);

    const struct { const char *name; DWORD op, arg1; } ops[] = {
        {"unlit_untextured_diffuse_modulate", D3DTOP_MODULATE, D3DTA_TEXTURE},
        {"unlit_untextured_diffuse_selectarg1", D3DTOP_SELECTARG1, D3DTA_TEXTURE},
        {"unlit_untextured_diffuse_add", D3DTOP_ADD, D3DTA_TEXTURE},
        {"unlit_untextured_diffuse_selectarg1_complement", D3DTOP_SELECTARG1, D3DTA_TEXTURE | D3DTA_COMPLEMENT}};
    for (const auto &c : ops) {
        target.Begin(0xFF000000);
        ResetStates(Dev);
        Dev->SetTextureStageState(0, D3DTSS_COLOROP, c.op);
        Dev->SetTextureStageState(0, D3DTSS_COLORARG1, c.arg1);
        Quad(-0.5f, -0.5f, 15.5f, 15.5f, 0x80402010);
        Line(c.name, "0x%08X", (unsigned)target.End()[0]);
    }

    target.Begin(0xFF0000FF);
    ResetStates(Dev);
    Dev->SetRenderState(D3DRS_LIGHTING, TRUE);
    D3DMATERIAL9 material;
    ZeroMemory(&material, sizeof material);
    Dev->SetMaterial(&material);
    Dev->SetFVF(PlainFormat);
    Dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, plain, sizeof(PlainVertex));
    Line("lit_default_material_no_lights", "0x%08X", (unsigned)target.End()[0]);
}

// Three quads, each one pixel: nearer than, level with and farther than what
// was drawn there first (or with an alpha below, at and above the reference).
// For each comparison, "<=>" where all three pass, "-" where one fails.
void Comparisons() {
    static const char *const names[] = {"never", "less", "equal", "lessequal", "greater", "notequal",
                                        "greaterequal", "always"};
    Target target(4, 1);
    std::string results[2];
    for (int alphaTest = 0; alphaTest < 2; ++alphaTest)
        for (DWORD func = D3DCMP_NEVER; func <= D3DCMP_ALWAYS; ++func) {
            target.Begin(0xFF000000);
            ResetStates(Dev);
            if (alphaTest) {
                Dev->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
                Dev->SetRenderState(D3DRS_ALPHAREF, 0x80);
                Dev->SetRenderState(D3DRS_ALPHAFUNC, func);
            } else {
                Quad(-0.5f, -0.5f, 2.5f, 0.5f, 0xFF000000, 0.5f);
                Dev->SetRenderState(D3DRS_ZFUNC, func);
                Dev->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
            }
            for (int i = 0; i < 3; ++i)
                Quad(i - 0.5f, -0.5f, i + 0.5f, 0.5f, (0x7Fu + i) << 24 | 0xFFFFFF, 0.25f + 0.25f * i);
            std::vector<DWORD> pixels = target.End();
            std::string &text = results[alphaTest];
            text += std::string(text.empty() ? "" : " ") + names[func - 1] + "=";
            for (int i = 0; i < 3; ++i) text += (pixels[i] & 0xFFFFFF) ? "<=>"[i] : '-';
        }
    Line("depth_compare", "%s", results[0].c_str());
    Line("alpha_compare", "%s", results[1].c_str());
}

// A quad of 0xC0A04020 blended over 0x80406080: the target's alpha differs
// from the source's, so every factor shows.
void Blending() {
    Target target(4, 4);
    const struct { const char *name; DWORD enable, source, destination, op; } cases[] = {
        {"blend_srcalpha_invsrcalpha", TRUE, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD},
        {"blend_off_srcalpha_invsrcalpha", FALSE, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD},
        {"blend_destalpha_invdestalpha", TRUE, D3DBLEND_DESTALPHA, D3DBLEND_INVDESTALPHA, D3DBLENDOP_ADD},
        {"blend_destcolor_srccolor", TRUE, D3DBLEND_DESTCOLOR, D3DBLEND_SRCCOLOR, D3DBLENDOP_ADD},
        {"blend_invdestcolor_invsrccolor", TRUE, D3DBLEND_INVDESTCOLOR, D3DBLEND_INVSRCCOLOR, D3DBLENDOP_ADD},
        {"blend_one_one_subtract", TRUE, D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_SUBTRACT},
        {"blend_one_one_revsubtract", TRUE, D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_REVSUBTRACT},
        {"blend_one_zero_revsubtract", TRUE, D3DBLEND_ONE, D3DBLEND_ZERO, D3DBLENDOP_REVSUBTRACT},
        {"blend_min", TRUE, D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_MIN},
        {"blend_max", TRUE, D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_MAX}};
    for (const auto &c : cases) {
        target.Begin(0x80406080);
        ResetStates(Dev);
        Dev->SetRenderState(D3DRS_ALPHABLENDENABLE, c.enable);
        Dev->SetRenderState(D3DRS_SRCBLEND, c.source);
        Dev->SetRenderState(D3DRS_DESTBLEND, c.destination);
        Dev->SetRenderState(D3DRS_BLENDOP, c.op);
        Quad(-0.5f, -0.5f, 3.5f, 3.5f, 0xC0A04020);
        Line(c.name, "0x%08X", (unsigned)target.End()[0]);
    }
    ResetStates(Dev);
}

IDirect3DTexture9 *Solid(D3DFORMAT format, DWORD colour) {
    IDirect3DTexture9 *texture = NULL;
    Dev->CreateTexture(1, 1, 1, 0, format, D3DPOOL_MANAGED, &texture, NULL);
    D3DLOCKED_RECT locked;
    texture->LockRect(0, &locked, NULL, 0);
    *(DWORD *)locked.pBits = colour;
    texture->UnlockRect(0);
    return texture;
}

// Texture 0x80C08040, vertex colour 0xFF4080C0, texture factor 0x40204080,
// a second stage's texture 0xFF808080.
void TextureStages() {
    IDirect3DTexture9 *texture = Solid(D3DFMT_A8R8G8B8, 0x80C08040), *second = Solid(D3DFMT_A8R8G8B8, 0xFF808080),
                      *opaque = Solid(D3DFMT_X8R8G8B8, 0x00FF8040);
    Target target(4, 4);
    const DWORD Arg1 = D3DTOP_SELECTARG1, Texture = D3DTA_TEXTURE;
    const struct {
        const char *name;
        IDirect3DTexture9 *stage0;
        DWORD colorOp, colorArg1, alphaOp;
        IDirect3DTexture9 *stage1;
    } cases[] = {{"stage_modulate", texture, D3DTOP_MODULATE, Texture, D3DTOP_MODULATE, NULL},
                 {"stage_selectarg2", texture, D3DTOP_SELECTARG2, Texture, Arg1, NULL},
                 {"stage_modulate2x", texture, D3DTOP_MODULATE2X, Texture, Arg1, NULL},
                 {"stage_subtract", texture, D3DTOP_SUBTRACT, Texture, Arg1, NULL},
                 {"stage_tfactor", texture, Arg1, D3DTA_TFACTOR, Arg1, NULL},
                 {"stage_complement", texture, Arg1, Texture | D3DTA_COMPLEMENT, Arg1, NULL},
                 {"stage_alphareplicate", texture, Arg1, Texture | D3DTA_ALPHAREPLICATE, Arg1, NULL},
                 {"stage_alpha_selectarg2", texture, Arg1, Texture, D3DTOP_SELECTARG2, NULL},
                 {"stage1_modulate", texture, Arg1, Texture, Arg1, second},
                 {"texture_x8r8g8b8_alpha", opaque, Arg1, Texture, Arg1, NULL}};
    for (const auto &c : cases) {
        target.Begin(0xFF000000);
        ResetStates(Dev);
        Dev->SetRenderState(D3DRS_TEXTUREFACTOR, 0x40204080);
        Dev->SetTexture(0, c.stage0);
        Dev->SetTextureStageState(0, D3DTSS_COLOROP, c.colorOp);
        Dev->SetTextureStageState(0, D3DTSS_COLORARG1, c.colorArg1);
        Dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        Dev->SetTextureStageState(0, D3DTSS_ALPHAOP, c.alphaOp);
        Dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
        if (c.stage1) {
            Dev->SetTexture(1, c.stage1);
            Dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
            Dev->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
        }
        Quad(-0.5f, -0.5f, 3.5f, 3.5f, 0xFF4080C0);
        Line(c.name, "0x%08X", (unsigned)target.End()[0]);
    }

    ResetStates(Dev);
    opaque->Release();
    second->Release();
    texture->Release();
}

// The 8 x 5 checker over 16 x 16 pixels with u and v running 0..2: the red of
// row 1 gives the texel columns sampled (b: the border colour), the green of
// column 1 the texel rows.
void AddressModes() {
    IDirect3DTexture9 *texture = Checker();
    Target target(16, 16);
    const struct { const char *name; DWORD u, v; } cases[] = {
        {"address_wrap_clamp", D3DTADDRESS_WRAP, D3DTADDRESS_CLAMP},
        {"address_mirror_border", D3DTADDRESS_MIRROR, D3DTADDRESS_BORDER},
        {"address_border_mirror", D3DTADDRESS_BORDER, D3DTADDRESS_MIRROR}};
    for (const auto &c : cases) {
        target.Begin(0xFF000000);
        ResetStates(Dev);
        Dev->SetTexture(0, texture);
        Dev->SetSamplerState(0, D3DSAMP_ADDRESSU, c.u);
        Dev->SetSamplerState(0, D3DSAMP_ADDRESSV, c.v);
        Dev->SetSamplerState(0, D3DSAMP_BORDERCOLOR, 0xFF0000FF);
        Quad(-0.5f, -0.5f, 15.5f, 15.5f, 0xFFFFFFFF, 0.5f, 2, 2);
        std::vector<DWORD> pixels = target.End();
        std::string row, column;
        for (int i = 0; i < 16; ++i) {
            DWORD across = pixels[16 + i], down = pixels[i * 16 + 1];
            row += across == 0xFF0000FF ? 'b' : (char)('0' + (across >> 20 & 0xF));
            column += down == 0xFF0000FF ? 'b' : (char)('0' + (down >> 12 & 0xF));
        }
        Line(c.name, "row1=%s column1=%s", row.c_str(), column.c_str());
    }
    ResetStates(Dev);
    texture->Release();
}

// Levels of 16, 8, 4, 2 and 1 texels in red, green, blue, white and black; a
// 6-pixel quad reads between levels 1 and 2.
void MipFilters() {
    IDirect3DTexture9 *texture = NULL;
    Dev->CreateTexture(16, 16, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, NULL);
    const DWORD colours[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF000000};
    for (DWORD level = 0; level < texture->GetLevelCount() && level < 5; ++level) {
        D3DLOCKED_RECT locked;
        texture->LockRect(level, &locked, NULL, 0);
        UINT side = 16 >> level;
        for (UINT y = 0; y < side; ++y)
            for (UINT x = 0; x < side; ++x) ((DWORD *)((BYTE *)locked.pBits + y * locked.Pitch))[x] = colours[level];
        texture->UnlockRect(level);
    }
    Target target(8, 8);
    std::string text;
    const DWORD filters[] = {D3DTEXF_NONE, D3DTEXF_POINT, D3DTEXF_LINEAR};
    for (DWORD filter : filters) {
        target.Begin(0xFF000000);
        ResetStates(Dev);
        Dev->SetTexture(0, texture);
        Dev->SetSamplerState(0, D3DSAMP_MIPFILTER, filter);
        Quad(-0.5f, -0.5f, 5.5f, 5.5f, 0xFFFFFFFF);
        char pixel[16];
        snprintf(pixel, sizeof pixel, "%s0x%08X", text.empty() ? "" : " ", (unsigned)target.End()[2 * 8 + 2]);
        text += pixel;
    }
    Line("mip_filter_none_point_linear", "%s", text.c_str());
    ResetStates(Dev);
    texture->Release();
}

// "state=value ..." for each state as get(state, &value) reads it.
template <typename Get> std::string States(std::initializer_list<int> states, Get get) {
    std::string text;
    for (int state : states) {
        DWORD value = 0;
        get(state, &value);
        char item[32];
        snprintf(item, sizeof item, "%s%d=%lu", text.empty() ? "" : " ", state, (unsigned long)value);
        text += item;
    }
    return text;
}

void DefaultStates() {
    const std::string render = States(
        {D3DRS_ZENABLE, D3DRS_ZFUNC, D3DRS_ZWRITEENABLE, D3DRS_CULLMODE, D3DRS_SRCBLEND, D3DRS_DESTBLEND, D3DRS_BLENDOP,
         D3DRS_ALPHABLENDENABLE, D3DRS_ALPHATESTENABLE, D3DRS_ALPHAREF, D3DRS_ALPHAFUNC, D3DRS_LIGHTING, D3DRS_AMBIENT,
         D3DRS_FILLMODE, D3DRS_SHADEMODE, D3DRS_FOGENABLE, D3DRS_SPECULARENABLE, D3DRS_COLORVERTEX,
         D3DRS_DIFFUSEMATERIALSOURCE, D3DRS_STENCILENABLE, D3DRS_COLORWRITEENABLE, D3DRS_TEXTUREFACTOR,
         D3DRS_DITHERENABLE, D3DRS_CLIPPING},
        [](int state, DWORD *value) { Dev->GetRenderState((D3DRENDERSTATETYPE)state, value); });
    Line("default_render_states", "%s", render.c_str());
    for (DWORD stage = 0; stage < 2; ++stage) {
        const std::string text = States({D3DTSS_COLOROP, D3DTSS_COLORARG1, D3DTSS_COLORARG2, D3DTSS_ALPHAOP,
                                         D3DTSS_ALPHAARG1, D3DTSS_ALPHAARG2, D3DTSS_TEXCOORDINDEX},
                                        [stage](int state, DWORD *value) {
                                            Dev->GetTextureStageState(stage, (D3DTEXTURESTAGESTATETYPE)state, value);
                                        });
        Line(stage == 0 ? "default_stage0" : "default_stage1", "%s", text.c_str());
    }
    const std::string samplers =
        States({D3DSAMP_MINFILTER, D3DSAMP_MAGFILTER, D3DSAMP_MIPFILTER, D3DSAMP_ADDRESSU, D3DSAMP_ADDRESSV},
               [](int state, DWORD *value) { Dev->GetSamplerState(0, (D3DSAMPLERSTATETYPE)state, value); });
    Line("default_sampler0", "%s", samplers.c_str());
}

// The count of the pixels draw() passes, or NeverAnswered after 5 s of S_FALSE.
const DWORD NeverAnswered = 0xFFFFFFFF;
DWORD Measure(IDirect3DQuery9 *query, void (*draw)()) {
    query->Issue(D3DISSUE_BEGIN);
    draw();
    query->Issue(D3DISSUE_END);
    DWORD count = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (query->GetData(&count, sizeof count, D3DGETDATA_FLUSH) == S_FALSE)
        if (std::chrono::steady_clock::now() > deadline) return NeverAnswered;
    return count;
}

int QueryIndex;
void Rectangle() { Quad(9.5f, 9.5f, 29.5f, 19.5f, 0xFFFFFFFF); }
void Nothing() {}
// A strip of QueryIndex % 50 + 1 pixels on row QueryIndex % 60.
void Strip() {
    float row = (float)(QueryIndex % 60);
    Quad(-0.5f, row - 0.5f, (float)(QueryIndex % 50) + 0.5f, row + 0.5f, 0xFFFFFFFF, 0.0f);
}

void OcclusionQueries() {
    Target target(64, 64);
    IDirect3DQuery9 *query = NULL;
    Dev->CreateQuery(D3DQUERYTYPE_OCCLUSION, &query);
    DWORD garbage = 0xABCDEF;
    Line("query_never_issued", "hr=0x%08X", (unsigned)query->GetData(&garbage, sizeof garbage, 0));
    target.Begin(0xFF000000);
    ResetStates(Dev);
    DWORD first = Measure(query, Rectangle), second = Measure(query, Rectangle);
    Dev->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    DWORD less = Measure(query, Rectangle);
    Dev->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    Line("query_rectangle_then_lessequal_then_less", "%lu %lu %lu", (unsigned long)first, (unsigned long)second, (unsigned long)less);
    Line("query_no_draw", "%lu", (unsigned long)Measure(query, Nothing));
    int exact = 0;
    Dev->Clear(0, NULL, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    for (QueryIndex = 0; QueryIndex < 300; ++QueryIndex) {
        Dev->Clear(0, NULL, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        exact += Measure(query, Strip) == (DWORD)(QueryIndex % 50 + 1);
    }
    Line("query_300_awaited_exact", "%d", exact);
    target.End();
    query->Release();
}

const char *Answer(HRESULT hr) { return hr == S_OK ? "S_OK" : hr == S_FALSE ? "S_FALSE" : "error"; }

// How a query answers polls around its count. Right after the issue the
// count is not there yet: the first poll answers S_FALSE, with the flush
// flag or without, and writes nothing. Polling with the flag then ends with
// the count, and later polls, with the flag or without, answer it again.
void QueryPolls() {
    Target target(64, 64);
    IDirect3DQuery9 *query = NULL;
    Dev->CreateQuery(D3DQUERYTYPE_OCCLUSION, &query);
    target.Begin(0xFF000000);
    ResetStates(Dev);
    const DWORD firstFlags[] = {0, D3DGETDATA_FLUSH};
    for (DWORD flags : firstFlags) {
        Dev->Clear(0, NULL, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        query->Issue(D3DISSUE_BEGIN);
        Rectangle();
        query->Issue(D3DISSUE_END);
        DWORD count = 0xABCDEF;
        HRESULT first = query->GetData(&count, sizeof count, flags);
        bool written = count != 0xABCDEF;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        HRESULT polled = first;
        while (polled == S_FALSE && std::chrono::steady_clock::now() < deadline)
            polled = query->GetData(&count, sizeof count, D3DGETDATA_FLUSH);
        DWORD unflagged = 0, flagged = 0;
        HRESULT againUnflagged = query->GetData(&unflagged, sizeof unflagged, 0);
        HRESULT againFlagged = query->GetData(&flagged, sizeof flagged, D3DGETDATA_FLUSH);
        Line(flags ? "query_first_poll_flush" : "query_first_poll_no_flush",
             "first=%s written=%s then=%s count=%lu again=%s,%lu,%s,%lu", Answer(first), written ? "yes" : "no",
             Answer(polled), (unsigned long)count, Answer(againUnflagged), (unsigned long)unflagged,
             Answer(againFlagged), (unsigned long)flagged);
    }
    target.End();
    query->Release();
}

void StateBlocks() {
    IDirect3DTexture9 *texture = Checker();
    ResetStates(Dev);
    Dev->BeginStateBlock();
    Dev->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    Dev->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    Dev->SetTexture(0, texture);
    D3DXMATRIX world, read;
    Dev->SetTransform(D3DTS_WORLD, D3DXMatrixTranslation(&world, 1, 0, 0));
    DWORD during = 0;
    Dev->GetRenderState(D3DRS_ZENABLE, &during);
    IDirect3DStateBlock9 *block = NULL;
    Dev->EndStateBlock(&block);
    texture->AddRef();
    Line("stateblock_recording_applies_nothing", "zenable=%lu texture_refs=%lu", (unsigned long)during,
         (unsigned long)texture->Release());
    DWORD z, filter, cull;
    IDirect3DBaseTexture9 *bound = NULL;
    block->Apply();
    Dev->GetRenderState(D3DRS_ZENABLE, &z);
    Dev->GetSamplerState(0, D3DSAMP_MINFILTER, &filter);
    Dev->GetTexture(0, &bound);
    Dev->GetTransform(D3DTS_WORLD, &read);
    Line("stateblock_fresh_apply", "zenable=%lu minfilter=%lu texture=%s world_x=%g", (unsigned long)z,
         (unsigned long)filter, bound == texture ? "recorded" : "other", read._41);
    if (bound) bound->Release();
    Dev->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    Dev->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    Dev->SetTexture(0, NULL);
    Dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    Dev->SetTransform(D3DTS_WORLD, D3DXMatrixTranslation(&world, 2, 0, 0));
    block->Capture();
    Dev->SetTransform(D3DTS_WORLD, D3DXMatrixTranslation(&world, 3, 0, 0));
    Dev->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    Dev->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    Dev->SetTexture(0, texture);
    Dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    block->Apply();
    Dev->GetRenderState(D3DRS_ZENABLE, &z);
    Dev->GetSamplerState(0, D3DSAMP_MINFILTER, &filter);
    Dev->GetRenderState(D3DRS_CULLMODE, &cull);
    bound = NULL;
    Dev->GetTexture(0, &bound);
    Dev->GetTransform(D3DTS_WORLD, &read);
    Line("stateblock_capture_apply", "zenable=%lu minfilter=%lu texture=%s cull=%lu world_x=%g", (unsigned long)z,
         (unsigned long)filter, bound ? "some" : "none", (unsigned long)cull, read._41);
    if (bound) bound->Release();
    block->Release();
    Dev->SetTexture(0, NULL);
    Dev->SetTransform(D3DTS_WORLD, D3DXMatrixIdentity(&world));
    texture->Release();
    ResetStates(Dev);
}

void Resets() {
    D3DPRESENT_PARAMETERS parameters = Parameters;
    IDirect3DTexture9 *texture = NULL;
    Dev->CreateTexture(32, 32, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture, NULL);
    HRESULT withTexture = Dev->Reset(&parameters);
    texture->Release();
    Dev->CreateTexture(32, 32, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &texture, NULL);
    HRESULT withTarget = Dev->Reset(&parameters);
    texture->Release();
    IDirect3DVertexBuffer9 *buffer = NULL;
    Dev->CreateVertexBuffer(96, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT, &buffer, NULL);
    HRESULT withBuffer = Dev->Reset(&parameters);
    buffer->Release();
    IDirect3DSurface9 *backBuffer = NULL;
    Dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
    HRESULT withBackBuffer = Dev->Reset(&parameters);
    backBuffer->Release();
    IDirect3DSurface9 *depth = NULL;
    Dev->CreateDepthStencilSurface(32, 32, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, TRUE, &depth, NULL);
    HRESULT withDepth = Dev->Reset(&parameters);
    depth->Release();
    Line("reset_with_default_texture_target_buffer_backbuffer_depth", "0x%08X 0x%08X 0x%08X 0x%08X 0x%08X",
         (unsigned)withTexture, (unsigned)withTarget, (unsigned)withBuffer, (unsigned)withBackBuffer,
         (unsigned)withDepth);
    IDirect3DTexture9 *managed = NULL;
    Dev->CreateTexture(32, 32, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &managed, NULL);
    Dev->SetTexture(0, managed);
    Dev->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
    Dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    HRESULT withManaged = Dev->Reset(&parameters);
    DWORD zfunc = 0, lighting = 0;
    Dev->GetRenderState(D3DRS_ZFUNC, &zfunc);
    Dev->GetRenderState(D3DRS_LIGHTING, &lighting);
    IDirect3DBaseTexture9 *bound = NULL;
    Dev->GetTexture(0, &bound);
    Line("reset_with_managed_only", "hr=0x%08X zfunc=%lu lighting=%lu texture=%s", (unsigned)withManaged,
         (unsigned long)zfunc, (unsigned long)lighting, bound ? "bound" : "none");
    if (bound) bound->Release();
    managed->Release();
}

// What a reset does with state blocks and queries alive. Every refused reset
// is followed by one that succeeds, so the device leaves the lost state.
void ResetsWithStateBlocksAndQueries() {
    D3DPRESENT_PARAMETERS parameters = Parameters;
    IDirect3DStateBlock9 *block = NULL;
    Dev->CreateStateBlock(D3DSBT_ALL, &block);
    HRESULT withCreated = Dev->Reset(&parameters);
    block->Release();
    HRESULT afterRelease = Dev->Reset(&parameters);
    Dev->BeginStateBlock();
    Dev->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    block = NULL;
    Dev->EndStateBlock(&block);
    HRESULT withRecorded = Dev->Reset(&parameters);
    block->Release();
    afterRelease |= Dev->Reset(&parameters);
    Line("reset_with_created_and_recorded_state_block", "0x%08X 0x%08X after_release=0x%08X", (unsigned)withCreated,
         (unsigned)withRecorded, (unsigned)afterRelease);

    Dev->BeginStateBlock();
    Dev->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    HRESULT whileRecording = Dev->Reset(&parameters);
    DWORD zenable = 0;
    Dev->GetRenderState(D3DRS_ZENABLE, &zenable);
    block = NULL;
    HRESULT ended = Dev->EndStateBlock(&block);
    if (block) block->Release();
    HRESULT after = Dev->Reset(&parameters);
    Line("reset_while_recording", "hr=0x%08X zenable=%lu end=0x%08X block=%s after=0x%08X", (unsigned)whileRecording,
         (unsigned long)zenable, (unsigned)ended, block ? "some" : "none", (unsigned)after);

    IDirect3DQuery9 *query = NULL;
    Dev->CreateQuery(D3DQUERYTYPE_OCCLUSION, &query);
    HRESULT withQuery = Dev->Reset(&parameters);
    DWORD count;
    {
        Target target(64, 64);
        target.Begin(0xFF000000);
        ResetStates(Dev);
        count = Measure(query, Rectangle);
        target.End();
    }
    query->Release();
    after = Dev->Reset(&parameters);
    Line("reset_with_query", "hr=0x%08X then_measures=%lu after=0x%08X", (unsigned)withQuery, (unsigned long)count,
         (unsigned)after);
}

void SavedBitmap() {
    IDirect3DTexture9 *texture = NULL;
    D3DXCreateTexture(Dev, 320, 240, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &texture);
    IDirect3DSurface9 *surface = NULL;
    texture->GetSurfaceLevel(0, &surface);
    ID3DXRenderToSurface *render = NULL;
    D3DXCreateRenderToSurface(Dev, 320, 240, D3DFMT_X8R8G8B8, TRUE, D3DFMT_D16, &render);
    render->BeginScene(surface, NULL);
    Dev->Clear(0, NULL, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00C8C8C8, 1.0f, 0);
    ResetStates(Dev);
    Quad(-0.5f, -0.5f, 319.5f, 0.5f, 0xFFFF0000);
    render->EndScene(0);
    std::string path = Directory + "conformance.bmp";
    HRESULT hr = D3DXSaveSurfaceToFileA(path.c_str(), D3DXIFF_BMP, surface, NULL, NULL);
    std::vector<unsigned char> bytes;
    if (FILE *file = fopen(path.c_str(), "rb")) {
        int c;
        while ((c = fgetc(file)) != EOF) bytes.push_back((unsigned char)c);
        fclose(file);
        remove(path.c_str());
    }
    if (bytes.size() < 54) {
        Line("save_bmp", "hr=0x%08X size=%zu", (unsigned)hr, bytes.size());
    } else {
        auto u32 = [&](size_t at) { return (unsigned long)(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | (unsigned long)bytes[at + 3] << 24); };
        size_t last = 54 + (size_t)239 * 320 * 4;  // the top row, stored last
        Line("save_bmp", "hr=0x%08X size=%zu size_field=%lu offset=%lu width=%lu height=%ld bpp=%d compression=%lu",
             (unsigned)hr, bytes.size(), u32(2), u32(10), u32(18), (long)(int)u32(22), bytes[28], u32(30));
        Line("save_bmp_pixels", "bottom_row_bgrx=%02X%02X%02X%02X top_row_bgrx=%02X%02X%02X%02X", bytes[54], bytes[55],
             bytes[56], bytes[57], bytes[last], bytes[last + 1], bytes[last + 2], bytes[last + 3]);
    }
    render->Release();
    surface->Release();
    texture->Release();
}

void BoxMesh() {
    // Floats carry a decimal point: Wine's .x reader takes no integer for a float.
    const char *box =
        "xof 0303txt 0032\n"
        "Mesh {\n 8;\n"
        " -1.0;-1.0;-1.0;, 1.0;-1.0;-1.0;, -1.0;1.0;-1.0;, 1.0;1.0;-1.0;,\n"
        " -1.0;-1.0;1.0;, 1.0;-1.0;1.0;, -1.0;1.0;1.0;, 1.0;1.0;1.0;;\n"
        " 6;\n 4;0,2,3,1;, 4;4,5,7,6;, 4;0,1,5,4;, 4;2,6,7,3;, 4;0,4,6,2;, 4;1,3,7,5;;\n"
        " MeshNormals {\n  6;\n  0.0;0.0;-1.0;, 0.0;0.0;1.0;, 0.0;-1.0;0.0;, 0.0;1.0;0.0;, -1.0;0.0;0.0;, 1.0;0.0;0.0;;\n"
        "  6;\n  4;0,0,0,0;, 4;1,1,1,1;, 4;2,2,2,2;, 4;3,3,3,3;, 4;4,4,4,4;, 4;5,5,5,5;;\n }\n"
        " MeshMaterialList {\n  2;\n  6;\n  0,0,0,1,1,1;;\n"
        "  Material { 1.0;0.0;0.0;1.0;; 10.0; 0.5;0.5;0.5;; 0.0;0.0;0.0;; }\n"
        "  Material { 0.0;1.0;0.0;0.5;; 20.0; 0.25;0.25;0.25;; 0.1;0.1;0.1;; TextureFilename { \"box.png\"; } }\n"
        " }\n}\n";
    std::string path = Directory + "conformance_box.x";
    if (FILE *file = fopen(path.c_str(), "wb")) {
        fputs(box, file);
        fclose(file);
    }
    ID3DXMesh *mesh = NULL;
    ID3DXBuffer *materials = NULL;
    DWORD count = 0;
    HRESULT hr = D3DXLoadMeshFromXA(path.c_str(), D3DXMESH_SYSTEMMEM, Dev, NULL, &materials, NULL, &count, &mesh);
    remove(path.c_str());
    if (FAILED(hr)) {
        Line("xfile_box", "hr=0x%08X", (unsigned)hr);
        return;
    }
    Line("xfile_box", "vertices=%lu faces=%lu fvf=0x%03lX materials=%lu", (unsigned long)mesh->GetNumVertices(),
         (unsigned long)mesh->GetNumFaces(), (unsigned long)mesh->GetFVF(), (unsigned long)count);
    const D3DXMATERIAL *m = (const D3DXMATERIAL *)materials->GetBufferPointer();
    for (DWORD i = 0; i < count; ++i) {
        const D3DMATERIAL9 &d = m[i].MatD3D;
        char name[32];
        snprintf(name, sizeof name, "xfile_box_material%lu", (unsigned long)i);
        Line(name, "diffuse=%g,%g,%g,%g ambient=%g,%g,%g,%g specular_a=%g emissive_a=%g power=%g texture=%s", d.Diffuse.r,
             d.Diffuse.g, d.Diffuse.b, d.Diffuse.a, d.Ambient.r, d.Ambient.g, d.Ambient.b, d.Ambient.a, d.Specular.a,
             d.Emissive.a, d.Power, m[i].pTextureFilename ? m[i].pTextureFilename : "(none)");
    }
    DWORD *attributes = NULL;
    std::string text;
    if (SUCCEEDED(mesh->LockAttributeBuffer(D3DLOCK_READONLY, &attributes))) {
        for (DWORD i = 0; i < mesh->GetNumFaces(); ++i) text += (char)('0' + attributes[i]);
        mesh->UnlockAttributeBuffer();
    }
    Line("xfile_box_attributes", "%s", text.c_str());
    materials->Release();
    mesh->Release();
}

// Floats printed so that each one reads back to the same bits.
std::string Floats(const float *values, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        char item[24];
        snprintf(item, sizeof item, "%s%.9g", i ? " " : "", values[i]);
        text += item;
    }
    return text;
}

void MatrixLine(const char *name, const D3DXMATRIX &m) { Line(name, "%s", Floats(&m._11, 16).c_str()); }

// The D3DX math the program calls, with inputs that give every term a value
// of its own: scaling, rotation centre, translation, all three angles.
void Math() {
    D3DXMATRIX m;
    MatrixLine("math_translation", *D3DXMatrixTranslation(&m, 1.5f, -0.1f, 1234.5678f));

    D3DXQUATERNION q;
    D3DXQuaternionRotationYawPitchRoll(&q, 0.3f, -0.7f, 1.1f);
    Line("math_quaternion_yaw_pitch_roll", "%s", Floats(&q.x, 4).c_str());
    D3DXQUATERNION wide;
    D3DXQuaternionRotationYawPitchRoll(&wide, 4.0f, -2.5f, 7.0f);
    Line("math_quaternion_yaw_pitch_roll_wide", "%s", Floats(&wide.x, 4).c_str());

    D3DXVECTOR3 centre(0.5f, -1.25f, 2.0f), translation(3.1f, -0.4f, 7.25f);
    D3DXMATRIX affine, camera;
    MatrixLine("math_affine_centre_rotation_translation",
               *D3DXMatrixAffineTransformation(&affine, 1.7f, &centre, &q, &translation));
    // As the camera calls it: no centre.
    MatrixLine("math_affine_rotation_translation",
               *D3DXMatrixAffineTransformation(&camera, 1.25f, NULL, &q, &translation));
    MatrixLine("math_affine_centre_without_rotation",
               *D3DXMatrixAffineTransformation(&m, 0.5f, &centre, NULL, &translation));

    float determinant = 0;
    D3DXMATRIX inverse;
    D3DXMatrixInverse(&inverse, &determinant, &affine);
    MatrixLine("math_inverse_affine", inverse);
    Line("math_inverse_affine_determinant", "%.9g", determinant);
    D3DXMatrixInverse(&inverse, NULL, &camera);
    MatrixLine("math_inverse_camera", inverse);
    D3DXMATRIX general(2.5f, -1.0f, 0.25f, 3.0f, 0.5f, 4.0f, -2.0f, 1.0f, -3.0f, 0.75f, 1.5f, -0.5f, 1.0f, 2.0f,
                       -1.25f, 6.0f);
    D3DXMatrixInverse(&inverse, &determinant, &general);
    MatrixLine("math_inverse_general", inverse);
    Line("math_inverse_general_determinant", "%.9g", determinant);
    // Row 3 is row 0 plus row 1: singular.
    D3DXMATRIX singular(1, 2, 3, 4, 5, 6, 7, 8, 0.5f, -1, 2, 0, 6, 8, 10, 12);
    D3DXMATRIX untouched = general;
    determinant = 5.0f;
    D3DXMATRIX *returned = D3DXMatrixInverse(&untouched, &determinant, &singular);
    Line("math_inverse_singular", "returned=%s determinant=%.9g output=%s", returned ? "matrix" : "null", determinant,
         memcmp(&untouched, &general, sizeof general) == 0 ? "untouched" : "written");

    MatrixLine("math_perspective_fov_lh_program", *D3DXMatrixPerspectiveFovLH(&m, D3DX_PI / 4, 1024.0f / 768.0f, 1, 1000));
    MatrixLine("math_perspective_fov_lh", *D3DXMatrixPerspectiveFovLH(&m, 0.9f, 1.7f, 0.25f, 512.5f));

    D3DXVECTOR3 normal(0.3f, -2.0f, 5.5f), out;
    D3DXVec3TransformNormal(&out, &normal, &affine);
    Line("math_transform_normal", "%s", Floats(&out.x, 3).c_str());

    D3DXMATRIX product, perspective;
    MatrixLine("math_multiply_general", *D3DXMatrixMultiply(&product, &affine, &general));
    // The output may be an input, as when a view is multiplied by its projection.
    D3DXMatrixPerspectiveFovLH(&perspective, 0.9f, 1.7f, 0.25f, 512.5f);
    product = camera;
    MatrixLine("math_multiply_in_place", *D3DXMatrixMultiply(&product, &product, &perspective));
}

}  // namespace

static HWND CreateHiddenWindow() {
    UseHeadlessWindowsWhereOffered();
    WNDCLASSEXA windowClass = {sizeof(WNDCLASSEXA), 0, DefWindowProcA, 0, 0, GetModuleHandleA(NULL),
                               NULL, NULL, NULL, NULL, "Conformance", NULL};
    RegisterClassExA(&windowClass);
    return CreateWindowExA(0, "Conformance", "Conformance", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, NULL, NULL,
                           GetModuleHandleA(NULL), NULL);
}

int main(int argc, char **argv) {
    Directory = argc > 1 ? std::string(argv[1]) + "/" : std::string();
    Window = CreateHiddenWindow();
    D3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (!Window || !D3D || !CreateDevice(64, 64)) {
        fprintf(stderr, "conformance: no device\n");
        return 1;
    }
    PretransformedQuads();
    TransformedEdges();
    Culling();
    FixedFunctionColour();
    Comparisons();
    Blending();
    TextureStages();
    AddressModes();
    MipFilters();
    OcclusionQueries();
    QueryPolls();
    StateBlocks();
    SavedBitmap();
    BoxMesh();
    Resets();
    ResetsWithStateBlocksAndQueries();
    Math();
    Dev->Release();
    D3D->Release();
    // The defaults are those of a fresh device.
    D3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (CreateDevice(64, 64)) {
        DefaultStates();
        Dev->Release();
    }
    D3D->Release();
    DestroyWindow(Window);
    return 0;
}
