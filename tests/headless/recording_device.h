// A device that forwards every call to a real one and records what a test
// wants to see: the name of each call, each DrawPrimitive with the vertices
// it drew, each texture bound with the address modes it was bound under, and
// what was still alive when the device itself was released.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "d3d9/device_impl.h"
#include "d3d9/live_objects.h"
#include "overlay/bitmap_font.h"

struct RecordingDevice : IDirect3DDevice9 {
    struct Draw {
        D3DPRIMITIVETYPE type;
        UINT start, count;
        std::vector<FontVertex> vertices;
    };
    struct Binding {
        IDirect3DBaseTexture9 *texture;
        DWORD addressU, addressV;
    };
    IDirect3DDevice9 *real;
    std::vector<std::string> calls;
    std::vector<Draw> draws;
    std::vector<Binding> bindings;
    // Live objects when Release was last called, other than surfaces (a device
    // holds its own) and the devices themselves.
    int othersAliveAtRelease = -1;
    IDirect3DVertexBuffer9 *stream = nullptr;

    explicit RecordingDevice(IDirect3DDevice9 *device) : real(device) {}
    int Count(const char *name) const { return (int)std::count(calls.begin(), calls.end(), name); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **object) override { return real->QueryInterface(riid, object); }
    ULONG STDMETHODCALLTYPE AddRef() override { return real->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override {
        calls.push_back("Release");
        othersAliveAtRelease = LiveObjectTotal() - LiveObjectCount(LiveSurface) - LiveObjectCount(LiveDevice) -
                               LiveObjectCount(LiveDirect3D);
        return real->Release();
    }
    HRESULT STDMETHODCALLTYPE SetStreamSource(UINT number, IDirect3DVertexBuffer9 *buffer, UINT offset, UINT stride) override {
        calls.push_back("SetStreamSource");
        stream = buffer;
        return real->SetStreamSource(number, buffer, offset, stride);
    }
    // The vertices drawn are read from the buffer's CPU copy.
    HRESULT STDMETHODCALLTYPE DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count) override {
        calls.push_back("DrawPrimitive");
        Draw draw{type, start, count, {}};
        if (stream) {
            const std::vector<BYTE> &memory = static_cast<VertexBuffer *>(stream)->memory;
            size_t vertices = std::min<size_t>(count * 3, memory.size() / sizeof(FontVertex));
            draw.vertices.resize(vertices);
            memcpy(draw.vertices.data(), memory.data(), vertices * sizeof(FontVertex));
        }
        draws.push_back(draw);
        return real->DrawPrimitive(type, start, count);
    }
    HRESULT STDMETHODCALLTYPE SetTexture(DWORD stage, IDirect3DBaseTexture9 *texture) override {
        calls.push_back("SetTexture");
        Binding binding{texture, 0, 0};
        real->GetSamplerState(stage, D3DSAMP_ADDRESSU, &binding.addressU);
        real->GetSamplerState(stage, D3DSAMP_ADDRESSV, &binding.addressV);
        bindings.push_back(binding);
        return real->SetTexture(stage, texture);
    }

#define FORWARD(name, parameters, arguments) \
    HRESULT STDMETHODCALLTYPE name parameters override { calls.push_back(#name); return real->name arguments; }
    FORWARD(GetDirect3D, (IDirect3D9 **a), (a))
    FORWARD(GetDeviceCaps, (D3DCAPS9 *a), (a))
    FORWARD(GetDisplayMode, (UINT a, D3DDISPLAYMODE *b), (a, b))
    FORWARD(Reset, (D3DPRESENT_PARAMETERS *a), (a))
    FORWARD(Present, (const RECT *a, const RECT *b, HWND c, const RGNDATA *d), (a, b, c, d))
    FORWARD(GetBackBuffer, (UINT a, UINT b, D3DBACKBUFFER_TYPE c, IDirect3DSurface9 **d), (a, b, c, d))
    FORWARD(CreateTexture, (UINT a, UINT b, UINT c, DWORD d, D3DFORMAT e, D3DPOOL f, IDirect3DTexture9 **g, HANDLE *h), (a, b, c, d, e, f, g, h))
    FORWARD(CreateVertexBuffer, (UINT a, DWORD b, DWORD c, D3DPOOL d, IDirect3DVertexBuffer9 **e, HANDLE *f), (a, b, c, d, e, f))
    FORWARD(CreateIndexBuffer, (UINT a, DWORD b, D3DFORMAT c, D3DPOOL d, IDirect3DIndexBuffer9 **e, HANDLE *f), (a, b, c, d, e, f))
    FORWARD(CreateDepthStencilSurface, (UINT a, UINT b, D3DFORMAT c, D3DMULTISAMPLE_TYPE d, DWORD e, BOOL f, IDirect3DSurface9 **g, HANDLE *h), (a, b, c, d, e, f, g, h))
    FORWARD(GetRenderTargetData, (IDirect3DSurface9 *a, IDirect3DSurface9 *b), (a, b))
    FORWARD(CreateOffscreenPlainSurface, (UINT a, UINT b, D3DFORMAT c, D3DPOOL d, IDirect3DSurface9 **e, HANDLE *f), (a, b, c, d, e, f))
    FORWARD(SetRenderTarget, (DWORD a, IDirect3DSurface9 *b), (a, b))
    FORWARD(GetRenderTarget, (DWORD a, IDirect3DSurface9 **b), (a, b))
    FORWARD(SetDepthStencilSurface, (IDirect3DSurface9 *a), (a))
    FORWARD(GetDepthStencilSurface, (IDirect3DSurface9 **a), (a))
    FORWARD(BeginScene, (), ())
    FORWARD(EndScene, (), ())
    FORWARD(Clear, (DWORD a, const D3DRECT *b, DWORD c, D3DCOLOR d, float e, DWORD f), (a, b, c, d, e, f))
    FORWARD(SetTransform, (D3DTRANSFORMSTATETYPE a, const D3DMATRIX *b), (a, b))
    FORWARD(GetTransform, (D3DTRANSFORMSTATETYPE a, D3DMATRIX *b), (a, b))
    FORWARD(SetViewport, (const D3DVIEWPORT9 *a), (a))
    FORWARD(GetViewport, (D3DVIEWPORT9 *a), (a))
    FORWARD(SetMaterial, (const D3DMATERIAL9 *a), (a))
    FORWARD(GetMaterial, (D3DMATERIAL9 *a), (a))
    FORWARD(SetRenderState, (D3DRENDERSTATETYPE a, DWORD b), (a, b))
    FORWARD(GetRenderState, (D3DRENDERSTATETYPE a, DWORD *b), (a, b))
    FORWARD(CreateStateBlock, (D3DSTATEBLOCKTYPE a, IDirect3DStateBlock9 **b), (a, b))
    FORWARD(BeginStateBlock, (), ())
    FORWARD(EndStateBlock, (IDirect3DStateBlock9 **a), (a))
    FORWARD(GetTexture, (DWORD a, IDirect3DBaseTexture9 **b), (a, b))
    FORWARD(GetTextureStageState, (DWORD a, D3DTEXTURESTAGESTATETYPE b, DWORD *c), (a, b, c))
    FORWARD(SetTextureStageState, (DWORD a, D3DTEXTURESTAGESTATETYPE b, DWORD c), (a, b, c))
    FORWARD(GetSamplerState, (DWORD a, D3DSAMPLERSTATETYPE b, DWORD *c), (a, b, c))
    FORWARD(SetSamplerState, (DWORD a, D3DSAMPLERSTATETYPE b, DWORD c), (a, b, c))
    FORWARD(DrawIndexedPrimitive, (D3DPRIMITIVETYPE a, INT b, UINT c, UINT d, UINT e, UINT f), (a, b, c, d, e, f))
    FORWARD(DrawPrimitiveUP, (D3DPRIMITIVETYPE a, UINT b, const void *c, UINT d), (a, b, c, d))
    FORWARD(SetFVF, (DWORD a), (a))
    FORWARD(GetFVF, (DWORD *a), (a))
    FORWARD(SetIndices, (IDirect3DIndexBuffer9 *a), (a))
    FORWARD(SetPixelShader, (IDirect3DPixelShader9 *a), (a))
    FORWARD(SetVertexShader, (IDirect3DVertexShader9 *a), (a))
    FORWARD(CreateQuery, (D3DQUERYTYPE a, IDirect3DQuery9 **b), (a, b))
#undef FORWARD
};
