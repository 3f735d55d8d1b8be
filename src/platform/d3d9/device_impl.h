// The device's internal objects. The device records Direct3D 9 state cheaply
// in plain arrays and translates it to OpenGL only when something is drawn or
// cleared, touching only what changed.
#pragma once

#include <epoxy/gl.h>

#include <vector>

#include "../d3d9/d3d9.h"
#include "com_object.h"
#include "fixed_function.h"
#include "gl_context.h"
#include "surface_pixels.h"

struct D3DDevice;
struct StateBlock;

// Bytes per pixel of the colour formats the layer supports (0: unsupported).
UINT FormatBytesPerPixel(D3DFORMAT format);

struct Texture;

struct Surface : ComObject<IDirect3DSurface9, LiveSurface> {
    enum Kind { TextureLevel, BackBuffer, DepthStencil, OffscreenPlain };
    D3DDevice *device = nullptr;
    Kind kind = OffscreenPlain;
    Texture *container = nullptr;  // for TextureLevel: refs are the container's
    UINT level = 0;
    D3DSURFACE_DESC desc{};
    GLuint glTexture = 0;       // colour: the texture holding this surface
    GLuint glRenderbuffer = 0;  // depth
    std::vector<BYTE> memory;   // off-screen plain surfaces
    bool locked = false;

    ~Surface() override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9 **device) override;
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_SURFACE; }
    HRESULT STDMETHODCALLTYPE GetContainer(REFIID riid, void **container) override;
    HRESULT STDMETHODCALLTYPE GetDesc(D3DSURFACE_DESC *desc) override;
    HRESULT STDMETHODCALLTYPE LockRect(D3DLOCKED_RECT *locked, const RECT *rect, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE UnlockRect() override;
};

struct Texture : ComObject<IDirect3DTexture9, LiveTexture> {
    D3DDevice *device = nullptr;
    UINT width = 0, height = 0, levels = 1;
    DWORD usage = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    D3DPOOL pool = D3DPOOL_MANAGED;
    GLuint glTexture = 0;
    std::vector<std::vector<BYTE>> memory;  // CPU copy of each level (lockable textures)
    std::vector<Surface *> surfaces;        // one per level, owned
    int lockedLevels = 0;

    ~Texture() override;
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9 **device) override;
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD STDMETHODCALLTYPE GetLevelCount() override { return levels; }
    HRESULT STDMETHODCALLTYPE GetLevelDesc(UINT level, D3DSURFACE_DESC *desc) override;
    HRESULT STDMETHODCALLTYPE GetSurfaceLevel(UINT level, IDirect3DSurface9 **surface) override;
    HRESULT STDMETHODCALLTYPE LockRect(UINT level, D3DLOCKED_RECT *locked, const RECT *rect, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE UnlockRect(UINT level) override;

    UINT LevelWidth(UINT level) const { return width >> level ? width >> level : 1; }
    UINT LevelHeight(UINT level) const { return height >> level ? height >> level : 1; }
    UINT LevelPitch(UINT level) const { return LevelWidth(level) * FormatBytesPerPixel(format); }
    void UploadLevel(UINT level);
};

// Vertex and index buffers share everything but their interface.
template <class Interface, LiveObjectKind Kind>
struct Buffer : ComObject<Interface, Kind> {
    D3DDevice *device = nullptr;
    UINT length = 0;
    DWORD usage = 0;
    D3DPOOL pool = D3DPOOL_MANAGED;
    GLuint glBuffer = 0;
    std::vector<BYTE> memory;  // what Lock hands out; allocated once
    UINT lockOffset = 0, lockSize = 0;
    DWORD lockFlags = 0;
    bool locked = false;

    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9 **device) override;
    HRESULT STDMETHODCALLTYPE Lock(UINT offset, UINT size, void **data, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Unlock() override;
};

struct VertexBuffer : Buffer<IDirect3DVertexBuffer9, LiveVertexBuffer> {
    DWORD fvf = 0;
    ~VertexBuffer() override;
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT STDMETHODCALLTYPE GetDesc(D3DVERTEXBUFFER_DESC *desc) override;
};

struct IndexBuffer : Buffer<IDirect3DIndexBuffer9, LiveIndexBuffer> {
    D3DFORMAT format = D3DFMT_INDEX16;
    ~IndexBuffer() override;
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
    HRESULT STDMETHODCALLTYPE GetDesc(D3DINDEXBUFFER_DESC *desc) override;
};

struct Query : ComObject<IDirect3DQuery9, LiveQuery> {
    enum State { Signaled, Building, Issued, NeverIssued };
    D3DDevice *device = nullptr;
    D3DQUERYTYPE type = D3DQUERYTYPE_OCCLUSION;
    // Each begin takes the next GL query of a small ring: Mesa's llvmpipe
    // can corrupt its heap when one query object is begun again right after
    // its result was read, as an occlusion pass does for every object.
    static constexpr int GLQueryRing = 4;
    GLuint glQueries[GLQueryRing] = {};
    int current = 0;
    GLsync fence = nullptr;  // event queries
    State state = NeverIssued;
    // Answered S_FALSE to a poll with D3DGETDATA_FLUSH since the last issue:
    // the next such poll waits for the result instead of spinning.
    bool flushedOnce = false;
    GLuint samples = 0;  // the count, once signalled

    ~Query() override;
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9 **device) override;
    D3DQUERYTYPE STDMETHODCALLTYPE GetType() override { return type; }
    DWORD STDMETHODCALLTYPE GetDataSize() override { return sizeof(DWORD); }
    HRESULT STDMETHODCALLTYPE Issue(DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetData(void *data, DWORD size, DWORD flags) override;
};

constexpr int RenderStateCount = 256;
constexpr int StageCount = 8;
constexpr int StageStateCount = 33;
constexpr int SamplerCount = 16;
constexpr int SamplerStateCount = 14;

// Every state a state block can record, with its current value.
struct DeviceState {
    DWORD render[RenderStateCount];
    DWORD stage[StageCount][StageStateCount];
    DWORD sampler[SamplerCount][SamplerStateCount];
    IDirect3DBaseTexture9 *textures[StageCount];
    D3DMATRIX world, view, projection;
    D3DMATERIAL9 material;
    D3DVIEWPORT9 viewport;
    DWORD fvf;
};

// Which states a state block recorded.
struct RecordedStates {
    bool render[RenderStateCount];
    bool stage[StageCount][StageStateCount];
    bool sampler[SamplerCount][SamplerStateCount];
    bool textures[StageCount];
    bool world, view, projection, material, viewport, fvf;
};

struct StateBlock : ComObject<IDirect3DStateBlock9, LiveStateBlock> {
    D3DDevice *device = nullptr;
    RecordedStates recorded{};
    DeviceState values{};

    ~StateBlock() override;
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9 **device) override;
    HRESULT STDMETHODCALLTYPE Capture() override;
    HRESULT STDMETHODCALLTYPE Apply() override;
};

struct Direct3D : ComObject<IDirect3D9, LiveDirect3D> {
    UINT STDMETHODCALLTYPE GetAdapterCount() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE *mode) override;
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9 *caps) override;
    HRESULT STDMETHODCALLTYPE CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD flags,
                                           D3DPRESENT_PARAMETERS *parameters,
                                           IDirect3DDevice9 **device) override;
};

// What changed since the last draw, so the flush touches only that.
enum DirtyFlags : unsigned {
    DirtyFramebuffer = 1u << 0,
    DirtyViewport = 1u << 1,
    DirtyDepth = 1u << 2,
    DirtyBlend = 1u << 3,
    DirtyRaster = 1u << 4,
    DirtyShader = 1u << 5,
    DirtyTransform = 1u << 6,
    DirtyPixelConstants = 1u << 7,
    DirtyLighting = 1u << 8,
    DirtySampler0 = 1u << 9,
    DirtySampler1 = 1u << 10,
    DirtyTexture0 = 1u << 11,
    DirtyTexture1 = 1u << 12,
    DirtyVertexInput = 1u << 13,
    DirtyAll = ~0u
};

// Faults a test can make the device produce.
enum DeviceFault { FaultNone = 0, FaultResetOnce = 1, FaultBeginSceneOnce = 2 };

struct D3DDevice : ComObject<IDirect3DDevice9, LiveDevice> {
    Direct3D *direct3d = nullptr;
    HWND window = nullptr;
    GLContext gl;
    D3DPRESENT_PARAMETERS parameters{};
    DeviceState state{};
    StateBlock *recording = nullptr;
    std::vector<StateBlock *> stateBlocks;  // live blocks, to forget destroyed resources
    bool inScene = false;
    unsigned dirty = DirtyAll;
    unsigned faults = FaultNone;
    int defaultPoolObjects = 0;  // resources that block Reset

    Surface *backBuffer = nullptr;    // implicit, owned by the device
    Surface *autoDepth = nullptr;     // implicit, owned by the device
    int implicitSurfaceRefs = 0;      // references the program holds on them
    Surface *renderTarget = nullptr;  // bound; not reference counted
    Surface *depthStencil = nullptr;
    VertexBuffer *stream = nullptr;
    UINT streamOffset = 0, streamStride = 0;
    IndexBuffer *indices = nullptr;

    GLuint framebuffer = 0;
    GLuint vertexArray = 0;
    GLuint samplers[2] = {0, 0};
    GLuint upBuffer = 0;  // for DrawPrimitiveUP
    ShaderCache shaders;
    ShaderProgram *program = nullptr;
    D3DMATRIX viewProjection{};
    D3DMATRIX worldViewProjection{};
    unsigned transformGeneration = 1;
    unsigned pixelGeneration = 1;
    unsigned lightingGeneration = 1;
    unsigned viewportGeneration = 1;
    float pixelShiftX = PixelShiftExact, pixelShiftY = PixelShiftExact;  // see ChoosePixelShift
    // The vertex layout the vertex array was last set up for.
    DWORD boundFvf = ~0u;
    GLuint boundBuffer = ~0u;
    GLuint boundIndexBuffer = ~0u;
    UINT boundOffset = ~0u, boundStride = ~0u;

    ~D3DDevice() override;

    HRESULT STDMETHODCALLTYPE GetDirect3D(IDirect3D9 **d3d) override;
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(D3DCAPS9 *caps) override;
    HRESULT STDMETHODCALLTYPE GetDisplayMode(UINT swapChain, D3DDISPLAYMODE *mode) override;
    HRESULT STDMETHODCALLTYPE Reset(D3DPRESENT_PARAMETERS *parameters) override;
    HRESULT STDMETHODCALLTYPE Present(const RECT *, const RECT *, HWND, const RGNDATA *) override;
    HRESULT STDMETHODCALLTYPE GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type,
                                            IDirect3DSurface9 **surface) override;
    HRESULT STDMETHODCALLTYPE CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                            D3DPOOL pool, IDirect3DTexture9 **texture, HANDLE *shared) override;
    HRESULT STDMETHODCALLTYPE CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                                 IDirect3DVertexBuffer9 **buffer, HANDLE *shared) override;
    HRESULT STDMETHODCALLTYPE CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                                IDirect3DIndexBuffer9 **buffer, HANDLE *shared) override;
    HRESULT STDMETHODCALLTYPE CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                                        D3DMULTISAMPLE_TYPE multiSample, DWORD quality,
                                                        BOOL discard, IDirect3DSurface9 **surface,
                                                        HANDLE *shared) override;
    HRESULT STDMETHODCALLTYPE GetRenderTargetData(IDirect3DSurface9 *source,
                                                  IDirect3DSurface9 *destination) override;
    HRESULT STDMETHODCALLTYPE CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format,
                                                          D3DPOOL pool, IDirect3DSurface9 **surface,
                                                          HANDLE *shared) override;
    HRESULT STDMETHODCALLTYPE SetRenderTarget(DWORD index, IDirect3DSurface9 *surface) override;
    HRESULT STDMETHODCALLTYPE GetRenderTarget(DWORD index, IDirect3DSurface9 **surface) override;
    HRESULT STDMETHODCALLTYPE SetDepthStencilSurface(IDirect3DSurface9 *surface) override;
    HRESULT STDMETHODCALLTYPE GetDepthStencilSurface(IDirect3DSurface9 **surface) override;
    HRESULT STDMETHODCALLTYPE BeginScene() override;
    HRESULT STDMETHODCALLTYPE EndScene() override;
    HRESULT STDMETHODCALLTYPE Clear(DWORD count, const D3DRECT *rects, DWORD flags, D3DCOLOR color, float z,
                                    DWORD stencil) override;
    HRESULT STDMETHODCALLTYPE SetTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX *matrix) override;
    HRESULT STDMETHODCALLTYPE GetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX *matrix) override;
    HRESULT STDMETHODCALLTYPE SetViewport(const D3DVIEWPORT9 *viewport) override;
    HRESULT STDMETHODCALLTYPE GetViewport(D3DVIEWPORT9 *viewport) override;
    HRESULT STDMETHODCALLTYPE SetMaterial(const D3DMATERIAL9 *material) override;
    HRESULT STDMETHODCALLTYPE GetMaterial(D3DMATERIAL9 *material) override;
    HRESULT STDMETHODCALLTYPE SetRenderState(D3DRENDERSTATETYPE type, DWORD value) override;
    HRESULT STDMETHODCALLTYPE GetRenderState(D3DRENDERSTATETYPE type, DWORD *value) override;
    HRESULT STDMETHODCALLTYPE CreateStateBlock(D3DSTATEBLOCKTYPE type, IDirect3DStateBlock9 **block) override;
    HRESULT STDMETHODCALLTYPE BeginStateBlock() override;
    HRESULT STDMETHODCALLTYPE EndStateBlock(IDirect3DStateBlock9 **block) override;
    HRESULT STDMETHODCALLTYPE GetTexture(DWORD stage, IDirect3DBaseTexture9 **texture) override;
    HRESULT STDMETHODCALLTYPE SetTexture(DWORD stage, IDirect3DBaseTexture9 *texture) override;
    HRESULT STDMETHODCALLTYPE GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                                   DWORD *value) override;
    HRESULT STDMETHODCALLTYPE SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                                   DWORD value) override;
    HRESULT STDMETHODCALLTYPE GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD *value) override;
    HRESULT STDMETHODCALLTYPE SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
    HRESULT STDMETHODCALLTYPE DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count) override;
    HRESULT STDMETHODCALLTYPE DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex,
                                                   UINT vertexCount, UINT startIndex, UINT count) override;
    HRESULT STDMETHODCALLTYPE DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT count, const void *data,
                                              UINT stride) override;
    HRESULT STDMETHODCALLTYPE SetFVF(DWORD fvf) override;
    HRESULT STDMETHODCALLTYPE GetFVF(DWORD *fvf) override;
    HRESULT STDMETHODCALLTYPE SetStreamSource(UINT number, IDirect3DVertexBuffer9 *buffer, UINT offset,
                                              UINT stride) override;
    HRESULT STDMETHODCALLTYPE SetIndices(IDirect3DIndexBuffer9 *buffer) override;
    HRESULT STDMETHODCALLTYPE SetPixelShader(IDirect3DPixelShader9 *shader) override;
    HRESULT STDMETHODCALLTYPE SetVertexShader(IDirect3DVertexShader9 *shader) override;
    HRESULT STDMETHODCALLTYPE CreateQuery(D3DQUERYTYPE type, IDirect3DQuery9 **query) override;

    // Internal operations shared by the device's objects.
    bool CreateImplicitSurfaces();
    void DestroyImplicitSurfaces();
    void SetDefaultStates();
    void ChoosePixelShift();
    void MakeCurrent() { MakeGLContextCurrent(gl); }
    void Forget(IUnknown *resource);  // a resource is being destroyed: unbind it everywhere
    void FlushState();  // translates the groups of states that changed since the last draw
    void CreateDrawObjects();
    void ApplyShader();
    void UploadUniforms();
    bool PrepareDraw(D3DPRIMITIVETYPE type, UINT count, GLenum &mode, GLsizei &vertices);
    void BindVertexInput(GLuint buffer, UINT offset, UINT stride, DWORD fvf);
    void BindFramebuffer();
    void BindSurfaceForRead(Surface *surface);
    UINT ClientWidth() const;
    UINT ClientHeight() const;
};

// Test hooks: make the device fail its next Reset or BeginScene.
void InjectDeviceFault(IDirect3DDevice9 *device, DeviceFault fault);
