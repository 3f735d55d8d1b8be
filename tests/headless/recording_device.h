// A device that forwards every call to a real one and records what a test
// wants to see: the number of calls, and each DrawPrimitive with the
// vertices it drew. It can also report a smaller maximum texture width.
#pragma once

#include <cstring>
#include <vector>

#include "d3d9/device_impl.h"
#include "overlay/bitmap_font.h"

struct RecordingDevice : IDirect3DDevice9 {
    struct Draw {
        D3DPRIMITIVETYPE type;
        UINT start, count;
        std::vector<FontVertex> vertices;
    };
    IDirect3DDevice9 *real;
    DWORD maxTextureWidth = 0;  // 0: report the real device's
    int calls = 0;
    std::vector<Draw> draws;
    IDirect3DVertexBuffer9 *stream = nullptr;

    explicit RecordingDevice(IDirect3DDevice9 *device) : real(device) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **object) override { return real->QueryInterface(riid, object); }
    ULONG STDMETHODCALLTYPE AddRef() override { return real->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return real->Release(); }

    HRESULT STDMETHODCALLTYPE GetDeviceCaps(D3DCAPS9 *caps) override {
        ++calls;
        HRESULT hr = real->GetDeviceCaps(caps);
        if (maxTextureWidth) caps->MaxTextureWidth = maxTextureWidth;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE SetStreamSource(UINT number, IDirect3DVertexBuffer9 *buffer, UINT offset, UINT stride) override {
        ++calls;
        stream = buffer;
        return real->SetStreamSource(number, buffer, offset, stride);
    }
    // The vertices drawn are read from the buffer's CPU copy.
    HRESULT STDMETHODCALLTYPE DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count) override {
        ++calls;
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

    HRESULT STDMETHODCALLTYPE GetDirect3D(IDirect3D9 **ppD3D9) override {
        ++calls;
        return real->GetDirect3D(ppD3D9);
    }
    HRESULT STDMETHODCALLTYPE GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE *pMode) override {
        ++calls;
        return real->GetDisplayMode(iSwapChain, pMode);
    }
    HRESULT STDMETHODCALLTYPE Reset(D3DPRESENT_PARAMETERS *pPresentationParameters) override {
        ++calls;
        return real->Reset(pPresentationParameters);
    }
    HRESULT STDMETHODCALLTYPE Present(const RECT *pSourceRect, const RECT *pDestRect, HWND hDestWindowOverride, const RGNDATA *pDirtyRegion) override {
        ++calls;
        return real->Present(pSourceRect, pDestRect, hDestWindowOverride, pDirtyRegion);
    }
    HRESULT STDMETHODCALLTYPE GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE Type, IDirect3DSurface9 **ppBackBuffer) override {
        ++calls;
        return real->GetBackBuffer(iSwapChain, iBackBuffer, Type, ppBackBuffer);
    }
    HRESULT STDMETHODCALLTYPE CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, IDirect3DTexture9 **ppTexture, HANDLE *pSharedHandle) override {
        ++calls;
        return real->CreateTexture(Width, Height, Levels, Usage, Format, Pool, ppTexture, pSharedHandle);
    }
    HRESULT STDMETHODCALLTYPE CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool, IDirect3DVertexBuffer9 **ppVertexBuffer, HANDLE *pSharedHandle) override {
        ++calls;
        return real->CreateVertexBuffer(Length, Usage, FVF, Pool, ppVertexBuffer, pSharedHandle);
    }
    HRESULT STDMETHODCALLTYPE CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, IDirect3DIndexBuffer9 **ppIndexBuffer, HANDLE *pSharedHandle) override {
        ++calls;
        return real->CreateIndexBuffer(Length, Usage, Format, Pool, ppIndexBuffer, pSharedHandle);
    }
    HRESULT STDMETHODCALLTYPE CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample, DWORD MultisampleQuality, BOOL Discard, IDirect3DSurface9 **ppSurface, HANDLE *pSharedHandle) override {
        ++calls;
        return real->CreateDepthStencilSurface(Width, Height, Format, MultiSample, MultisampleQuality, Discard, ppSurface, pSharedHandle);
    }
    HRESULT STDMETHODCALLTYPE GetRenderTargetData(IDirect3DSurface9 *pRenderTarget, IDirect3DSurface9 *pDestSurface) override {
        ++calls;
        return real->GetRenderTargetData(pRenderTarget, pDestSurface);
    }
    HRESULT STDMETHODCALLTYPE CreateOffscreenPlainSurface(UINT Width, UINT Height, D3DFORMAT Format, D3DPOOL Pool, IDirect3DSurface9 **ppSurface, HANDLE *pSharedHandle) override {
        ++calls;
        return real->CreateOffscreenPlainSurface(Width, Height, Format, Pool, ppSurface, pSharedHandle);
    }
    HRESULT STDMETHODCALLTYPE SetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9 *pRenderTarget) override {
        ++calls;
        return real->SetRenderTarget(RenderTargetIndex, pRenderTarget);
    }
    HRESULT STDMETHODCALLTYPE GetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9 **ppRenderTarget) override {
        ++calls;
        return real->GetRenderTarget(RenderTargetIndex, ppRenderTarget);
    }
    HRESULT STDMETHODCALLTYPE SetDepthStencilSurface(IDirect3DSurface9 *pNewZStencil) override {
        ++calls;
        return real->SetDepthStencilSurface(pNewZStencil);
    }
    HRESULT STDMETHODCALLTYPE GetDepthStencilSurface(IDirect3DSurface9 **ppZStencilSurface) override {
        ++calls;
        return real->GetDepthStencilSurface(ppZStencilSurface);
    }
    HRESULT STDMETHODCALLTYPE BeginScene() override {
        ++calls;
        return real->BeginScene();
    }
    HRESULT STDMETHODCALLTYPE EndScene() override {
        ++calls;
        return real->EndScene();
    }
    HRESULT STDMETHODCALLTYPE Clear(DWORD Count, const D3DRECT *pRects, DWORD Flags, D3DCOLOR Color, float Z, DWORD Stencil) override {
        ++calls;
        return real->Clear(Count, pRects, Flags, Color, Z, Stencil);
    }
    HRESULT STDMETHODCALLTYPE SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX *pMatrix) override {
        ++calls;
        return real->SetTransform(State, pMatrix);
    }
    HRESULT STDMETHODCALLTYPE GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX *pMatrix) override {
        ++calls;
        return real->GetTransform(State, pMatrix);
    }
    HRESULT STDMETHODCALLTYPE SetViewport(const D3DVIEWPORT9 *pViewport) override {
        ++calls;
        return real->SetViewport(pViewport);
    }
    HRESULT STDMETHODCALLTYPE GetViewport(D3DVIEWPORT9 *pViewport) override {
        ++calls;
        return real->GetViewport(pViewport);
    }
    HRESULT STDMETHODCALLTYPE SetMaterial(const D3DMATERIAL9 *pMaterial) override {
        ++calls;
        return real->SetMaterial(pMaterial);
    }
    HRESULT STDMETHODCALLTYPE GetMaterial(D3DMATERIAL9 *pMaterial) override {
        ++calls;
        return real->GetMaterial(pMaterial);
    }
    HRESULT STDMETHODCALLTYPE SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override {
        ++calls;
        return real->SetRenderState(State, Value);
    }
    HRESULT STDMETHODCALLTYPE GetRenderState(D3DRENDERSTATETYPE State, DWORD *pValue) override {
        ++calls;
        return real->GetRenderState(State, pValue);
    }
    HRESULT STDMETHODCALLTYPE CreateStateBlock(D3DSTATEBLOCKTYPE Type, IDirect3DStateBlock9 **ppSB) override {
        ++calls;
        return real->CreateStateBlock(Type, ppSB);
    }
    HRESULT STDMETHODCALLTYPE BeginStateBlock() override {
        ++calls;
        return real->BeginStateBlock();
    }
    HRESULT STDMETHODCALLTYPE EndStateBlock(IDirect3DStateBlock9 **ppSB) override {
        ++calls;
        return real->EndStateBlock(ppSB);
    }
    HRESULT STDMETHODCALLTYPE GetTexture(DWORD Stage, IDirect3DBaseTexture9 **ppTexture) override {
        ++calls;
        return real->GetTexture(Stage, ppTexture);
    }
    HRESULT STDMETHODCALLTYPE SetTexture(DWORD Stage, IDirect3DBaseTexture9 *pTexture) override {
        ++calls;
        return real->SetTexture(Stage, pTexture);
    }
    HRESULT STDMETHODCALLTYPE GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD *pValue) override {
        ++calls;
        return real->GetTextureStageState(Stage, Type, pValue);
    }
    HRESULT STDMETHODCALLTYPE SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override {
        ++calls;
        return real->SetTextureStageState(Stage, Type, Value);
    }
    HRESULT STDMETHODCALLTYPE GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD *pValue) override {
        ++calls;
        return real->GetSamplerState(Sampler, Type, pValue);
    }
    HRESULT STDMETHODCALLTYPE SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) override {
        ++calls;
        return real->SetSamplerState(Sampler, Type, Value);
    }
    HRESULT STDMETHODCALLTYPE DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex, UINT MinVertexIndex, UINT NumVertices, UINT startIndex, UINT primCount) override {
        ++calls;
        return real->DrawIndexedPrimitive(PrimitiveType, BaseVertexIndex, MinVertexIndex, NumVertices, startIndex, primCount);
    }
    HRESULT STDMETHODCALLTYPE DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount, const void *pVertexStreamZeroData, UINT VertexStreamZeroStride) override {
        ++calls;
        return real->DrawPrimitiveUP(PrimitiveType, PrimitiveCount, pVertexStreamZeroData, VertexStreamZeroStride);
    }
    HRESULT STDMETHODCALLTYPE SetFVF(DWORD FVF) override {
        ++calls;
        return real->SetFVF(FVF);
    }
    HRESULT STDMETHODCALLTYPE GetFVF(DWORD *pFVF) override {
        ++calls;
        return real->GetFVF(pFVF);
    }
    HRESULT STDMETHODCALLTYPE SetIndices(IDirect3DIndexBuffer9 *pIndexData) override {
        ++calls;
        return real->SetIndices(pIndexData);
    }
    HRESULT STDMETHODCALLTYPE SetPixelShader(IDirect3DPixelShader9 *pShader) override {
        ++calls;
        return real->SetPixelShader(pShader);
    }
    HRESULT STDMETHODCALLTYPE SetVertexShader(IDirect3DVertexShader9 *pShader) override {
        ++calls;
        return real->SetVertexShader(pShader);
    }
    HRESULT STDMETHODCALLTYPE CreateQuery(D3DQUERYTYPE Type, IDirect3DQuery9 **ppQuery) override {
        ++calls;
        return real->CreateQuery(Type, ppQuery);
    }
};
