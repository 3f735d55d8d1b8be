// The D3DX 9 helpers this program uses, with the SDK's names and signatures:
// meshes from .x files, textures from image files, rendering into a surface
// and saving a surface to a bitmap.
#pragma once

#include "../d3d9/d3d9.h"
#include "d3dx9math.h"

#define D3DX_DEFAULT ((UINT)-1)
#define D3DX_FILTER_NONE (1 << 0)

#define _FACDD 0x876
#define MAKE_DDHRESULT(code) MAKE_HRESULT(1, _FACDD, code)
#define D3DXERR_CANNOTMODIFYINDEXBUFFER MAKE_DDHRESULT(2900)
#define D3DXERR_INVALIDMESH MAKE_DDHRESULT(2901)
#define D3DXERR_INVALIDDATA MAKE_DDHRESULT(2905)

// .x file errors (d3dx9xof.h), which D3DXLoadMeshFromX passes on.
#define _FACD3DXF 0x876
#define D3DXFERR_BADFILETYPE MAKE_HRESULT(1, _FACD3DXF, 908)
#define D3DXFERR_BADFILEVERSION MAKE_HRESULT(1, _FACD3DXF, 909)
#define D3DXFERR_BADFILEFLOATSIZE MAKE_HRESULT(1, _FACD3DXF, 910)
#define D3DXFERR_PARSEERROR MAKE_HRESULT(1, _FACD3DXF, 912)

// Mesh options
#define D3DXMESH_32BIT 0x001
#define D3DXMESH_SYSTEMMEM 0x110
#define D3DXMESH_MANAGED 0x220

typedef struct _D3DXMATERIAL {
    D3DMATERIAL9 MatD3D;
    LPSTR pTextureFilename;
} D3DXMATERIAL, *LPD3DXMATERIAL;

typedef enum _D3DXIMAGE_FILEFORMAT {
    D3DXIFF_BMP = 0,
    D3DXIFF_JPG = 1,
    D3DXIFF_TGA = 2,
    D3DXIFF_PNG = 3,
    D3DXIFF_DDS = 4,
    D3DXIFF_PPM = 5,
    D3DXIFF_DIB = 6,
    D3DXIFF_FORCE_DWORD = 0x7fffffff
} D3DXIMAGE_FILEFORMAT;

typedef struct _D3DXRTS_DESC {
    UINT Width;
    UINT Height;
    D3DFORMAT Format;
    BOOL DepthStencil;
    D3DFORMAT DepthStencilFormat;
} D3DXRTS_DESC;

typedef struct tagPALETTEENTRY PALETTEENTRY;

struct ID3DXBuffer : public IUnknown {
    virtual LPVOID STDMETHODCALLTYPE GetBufferPointer() = 0;
    virtual DWORD STDMETHODCALLTYPE GetBufferSize() = 0;
};

struct ID3DXMesh : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE DrawSubset(DWORD AttribId) = 0;
    virtual DWORD STDMETHODCALLTYPE GetNumFaces() = 0;
    virtual DWORD STDMETHODCALLTYPE GetNumVertices() = 0;
    virtual DWORD STDMETHODCALLTYPE GetFVF() = 0;
    virtual DWORD STDMETHODCALLTYPE GetNumBytesPerVertex() = 0;
    virtual DWORD STDMETHODCALLTYPE GetOptions() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDevice(LPDIRECT3DDEVICE9 *ppDevice) = 0;
    virtual HRESULT STDMETHODCALLTYPE LockAttributeBuffer(DWORD Flags, DWORD **ppData) = 0;
    virtual HRESULT STDMETHODCALLTYPE UnlockAttributeBuffer() = 0;
    virtual HRESULT STDMETHODCALLTYPE LockVertexBuffer(DWORD Flags, LPVOID *ppData) = 0;
    virtual HRESULT STDMETHODCALLTYPE UnlockVertexBuffer() = 0;
};

struct ID3DXRenderToSurface : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetDevice(LPDIRECT3DDEVICE9 *ppDevice) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDesc(D3DXRTS_DESC *pDesc) = 0;
    virtual HRESULT STDMETHODCALLTYPE BeginScene(LPDIRECT3DSURFACE9 pSurface, const D3DVIEWPORT9 *pViewport) = 0;
    virtual HRESULT STDMETHODCALLTYPE EndScene(DWORD MipFilter) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnLostDevice() = 0;
    virtual HRESULT STDMETHODCALLTYPE OnResetDevice() = 0;
};

typedef ID3DXBuffer *LPD3DXBUFFER;
typedef ID3DXMesh *LPD3DXMESH;
typedef ID3DXRenderToSurface *LPD3DXRENDERTOSURFACE;

HRESULT WINAPI D3DXLoadMeshFromXA(LPCSTR pFilename, DWORD Options, LPDIRECT3DDEVICE9 pD3DDevice,
                                  LPD3DXBUFFER *ppAdjacency, LPD3DXBUFFER *ppMaterials,
                                  LPD3DXBUFFER *ppEffectInstances, DWORD *pNumMaterials, LPD3DXMESH *ppMesh);
HRESULT WINAPI D3DXCreateTexture(LPDIRECT3DDEVICE9 pDevice, UINT Width, UINT Height, UINT MipLevels, DWORD Usage,
                                 D3DFORMAT Format, D3DPOOL Pool, LPDIRECT3DTEXTURE9 *ppTexture);
HRESULT WINAPI D3DXCreateTextureFromFileA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile,
                                          LPDIRECT3DTEXTURE9 *ppTexture);
HRESULT WINAPI D3DXCreateRenderToSurface(LPDIRECT3DDEVICE9 pDevice, UINT Width, UINT Height, D3DFORMAT Format,
                                         BOOL DepthStencil, D3DFORMAT DepthStencilFormat,
                                         LPD3DXRENDERTOSURFACE *ppRenderToSurface);
HRESULT WINAPI D3DXSaveSurfaceToFileA(LPCSTR pDestFile, D3DXIMAGE_FILEFORMAT DestFormat,
                                      LPDIRECT3DSURFACE9 pSrcSurface, const PALETTEENTRY *pSrcPalette,
                                      const RECT *pSrcRect);
