// The device: creation, reset, presentation, scenes and the state setters.
#include <SDL.h>

#include <algorithm>
#include <cstring>

#include "../platform_error.h"
#include "../win32/headless.h"
#include "../win32/win32.h"
#include "device_impl.h"

namespace {

D3DMATRIX Identity() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

DWORD FloatBits(float value) {
    DWORD bits;
    memcpy(&bits, &value, sizeof bits);
    return bits;
}

D3DMATRIX Multiply(const D3DMATRIX &a, const D3DMATRIX &b) {
    D3DMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
    return r;
}

// Which dirty flags a render state touches when it changes.
unsigned RenderStateDirty(DWORD type) {
    switch (type) {
    case D3DRS_ZENABLE:
    case D3DRS_ZWRITEENABLE:
    case D3DRS_ZFUNC: return DirtyDepth;
    case D3DRS_ALPHABLENDENABLE:
    case D3DRS_SRCBLEND:
    case D3DRS_DESTBLEND:
    case D3DRS_BLENDOP:
    case D3DRS_SEPARATEALPHABLENDENABLE:
    case D3DRS_SRCBLENDALPHA:
    case D3DRS_DESTBLENDALPHA:
    case D3DRS_BLENDOPALPHA: return DirtyBlend;
    case D3DRS_CULLMODE:
    case D3DRS_FILLMODE:
    case D3DRS_COLORWRITEENABLE: return DirtyRaster;
    case D3DRS_ALPHATESTENABLE:
    case D3DRS_ALPHAFUNC: return DirtyShader;
    case D3DRS_LIGHTING: return DirtyShader | DirtyLighting;
    case D3DRS_ALPHAREF:
    case D3DRS_TEXTUREFACTOR: return DirtyPixelConstants;
    case D3DRS_AMBIENT:
    case D3DRS_COLORVERTEX:
    case D3DRS_DIFFUSEMATERIALSOURCE:
    case D3DRS_AMBIENTMATERIALSOURCE:
    case D3DRS_EMISSIVEMATERIALSOURCE: return DirtyLighting;
    default: return 0;  // recorded and reported, with no effect on drawing here
    }
}

}  // namespace

UINT D3DDevice::ClientWidth() const {
    RECT r{};
    GetClientRect(window, &r);
    return r.right > r.left ? UINT(r.right - r.left) : 0;
}

UINT D3DDevice::ClientHeight() const {
    RECT r{};
    GetClientRect(window, &r);
    return r.bottom > r.top ? UINT(r.bottom - r.top) : 0;
}

void D3DDevice::SetDefaultStates() {
    DWORD *rs = state.render;
    memset(rs, 0, sizeof state.render);
    rs[D3DRS_ZENABLE] = parameters.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
    rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
    rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    rs[D3DRS_ZWRITEENABLE] = TRUE;
    rs[D3DRS_LASTPIXEL] = TRUE;
    rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    rs[D3DRS_CULLMODE] = D3DCULL_CCW;
    rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_FOGEND] = FloatBits(1.0f);
    rs[D3DRS_FOGDENSITY] = FloatBits(1.0f);
    rs[D3DRS_STENCILFAIL] = rs[D3DRS_STENCILZFAIL] = rs[D3DRS_STENCILPASS] = 1;  // KEEP
    rs[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_STENCILMASK] = rs[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFF;
    rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
    rs[D3DRS_CLIPPING] = TRUE;
    rs[D3DRS_LIGHTING] = TRUE;
    rs[D3DRS_COLORVERTEX] = TRUE;
    rs[D3DRS_LOCALVIEWER] = TRUE;
    rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    rs[D3DRS_POINTSIZE] = FloatBits(1.0f);
    rs[155] = FloatBits(1.0f);   // POINTSIZE_MIN
    rs[158] = FloatBits(1.0f);   // POINTSCALE_A
    rs[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
    rs[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFF;
    rs[166] = FloatBits(64.0f);  // POINTSIZE_MAX
    rs[D3DRS_COLORWRITEENABLE] = 0xF;
    rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
    rs[172] = 3;                 // POSITIONDEGREE: cubic
    rs[173] = 1;                 // NORMALDEGREE: linear
    rs[178] = rs[179] = FloatBits(1.0f);  // tessellation levels
    rs[182] = FloatBits(1.0f);   // ADAPTIVETESS_Z
    rs[186] = rs[187] = rs[188] = 1;      // CCW stencil ops: KEEP
    rs[189] = D3DCMP_ALWAYS;
    rs[D3DRS_COLORWRITEENABLE1] = rs[D3DRS_COLORWRITEENABLE2] = rs[D3DRS_COLORWRITEENABLE3] = 0xF;
    rs[D3DRS_BLENDFACTOR] = 0xFFFFFFFF;
    rs[D3DRS_SRCBLENDALPHA] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLENDALPHA] = D3DBLEND_ZERO;
    rs[D3DRS_BLENDOPALPHA] = D3DBLENDOP_ADD;

    for (int s = 0; s < StageCount; ++s) {
        DWORD *ss = state.stage[s];
        memset(ss, 0, sizeof state.stage[s]);
        ss[D3DTSS_COLOROP] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        ss[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        ss[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        ss[D3DTSS_ALPHAOP] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        ss[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        ss[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        ss[D3DTSS_TEXCOORDINDEX] = s;
        ss[D3DTSS_COLORARG0] = ss[D3DTSS_ALPHAARG0] = ss[D3DTSS_RESULTARG] = D3DTA_CURRENT;
        state.textures[s] = nullptr;
    }
    for (int s = 0; s < SamplerCount; ++s) {
        DWORD *sa = state.sampler[s];
        memset(sa, 0, sizeof state.sampler[s]);
        sa[D3DSAMP_ADDRESSU] = sa[D3DSAMP_ADDRESSV] = sa[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
        sa[D3DSAMP_MAGFILTER] = sa[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
        sa[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
        sa[D3DSAMP_MAXANISOTROPY] = 1;
    }
    state.world = state.view = state.projection = Identity();
    state.material = D3DMATERIAL9{};
    state.viewport = D3DVIEWPORT9{0, 0, parameters.BackBufferWidth, parameters.BackBufferHeight, 0.0f, 1.0f};
    state.fvf = 0;
    viewProjection = worldViewProjection = Identity();
    stream = nullptr;
    indices = nullptr;
    dirty = DirtyAll;
    ++transformGeneration;
    ++pixelGeneration;
    ++lightingGeneration;
    ++viewportGeneration;
}

bool D3DDevice::CreateImplicitSurfaces() {
    UINT width = parameters.BackBufferWidth, height = parameters.BackBufferHeight;
    backBuffer = new Surface;
    backBuffer->refs = 0;
    backBuffer->device = this;
    backBuffer->kind = Surface::BackBuffer;
    backBuffer->desc = {D3DFMT_X8R8G8B8, D3DRTYPE_SURFACE, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT,
                        D3DMULTISAMPLE_NONE, 0, width, height};
    glGenTextures(1, &backBuffer->glTexture);
    glBindTexture(GL_TEXTURE_2D, backBuffer->glTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    dirty |= DirtyTexture0 | DirtyTexture1;  // the texture unit's binding changed
    renderTarget = backBuffer;
    if (parameters.EnableAutoDepthStencil) {
        autoDepth = new Surface;
        autoDepth->refs = 0;
        autoDepth->device = this;
        autoDepth->kind = Surface::DepthStencil;
        autoDepth->desc = {parameters.AutoDepthStencilFormat, D3DRTYPE_SURFACE, D3DUSAGE_DEPTHSTENCIL,
                           D3DPOOL_DEFAULT, D3DMULTISAMPLE_NONE, 0, width, height};
        glGenRenderbuffers(1, &autoDepth->glRenderbuffer);
        glBindRenderbuffer(GL_RENDERBUFFER, autoDepth->glRenderbuffer);
        glRenderbufferStorage(GL_RENDERBUFFER,
                              parameters.AutoDepthStencilFormat == D3DFMT_D16 ? GL_DEPTH_COMPONENT16
                                                                              : GL_DEPTH24_STENCIL8,
                              width, height);
    }
    depthStencil = autoDepth;
    dirty |= DirtyFramebuffer;
    BindFramebuffer();
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        SetPlatformError("the %ux%u back buffer cannot be rendered to", width, height);
        return false;
    }
    return true;
}

void D3DDevice::DestroyImplicitSurfaces() {
    if (renderTarget == backBuffer) renderTarget = nullptr;
    if (depthStencil == autoDepth) depthStencil = nullptr;
    delete backBuffer;
    delete autoDepth;
    backBuffer = autoDepth = nullptr;
    dirty |= DirtyFramebuffer;
}

D3DDevice::~D3DDevice() {
    if (!gl.sdlContext && !gl.eglContext) return;  // creation failed before any GL object
    MakeCurrent();
    for (StateBlock *block : stateBlocks) block->device = nullptr;
    DestroyImplicitSurfaces();
    shaders.Destroy();
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteVertexArrays(1, &vertexArray);
    glDeleteSamplers(2, samplers);
    glDeleteBuffers(1, &upBuffer);
    DestroyGLContext(gl);
    if (direct3d) direct3d->Release();
}

HRESULT D3DDevice::GetDirect3D(IDirect3D9 **d3d) {
    if (!d3d) return D3DERR_INVALIDCALL;
    direct3d->AddRef();
    *d3d = direct3d;
    return D3D_OK;
}

HRESULT D3DDevice::GetDeviceCaps(D3DCAPS9 *caps) {
    if (!caps) return D3DERR_INVALIDCALL;
    *caps = D3DCAPS9{};
    caps->DeviceType = D3DDEVTYPE_HAL;
    caps->PresentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE;
    caps->MaxTextureWidth = caps->MaxTextureHeight = gl.maxTextureSize;
    caps->MaxTextureBlendStages = 2;
    caps->MaxSimultaneousTextures = 2;
    caps->MaxPrimitiveCount = 0xFFFFF;
    caps->MaxVertexIndex = 0xFFFFFF;
    caps->MaxStreams = 1;
    caps->MaxStreamStride = 255;
    return D3D_OK;
}

HRESULT D3DDevice::GetDisplayMode(UINT swapChain, D3DDISPLAYMODE *mode) {
    if (swapChain != 0 || !mode) return D3DERR_INVALIDCALL;
    return direct3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, mode);
}

HRESULT D3DDevice::Reset(D3DPRESENT_PARAMETERS *newParameters) {
    if (!newParameters || !newParameters->Windowed) return D3DERR_INVALIDCALL;
    if (faults & FaultResetOnce) {
        faults &= ~FaultResetOnce;
        return D3DERR_INVALIDCALL;
    }
    // Default-pool resources, including references to the implicit
    // surfaces, do not survive a reset: the program must release them first.
    if (defaultPoolObjects > 0 || implicitSurfaceRefs > 0 || recording) return D3DERR_INVALIDCALL;
    MakeCurrent();
    if (newParameters->BackBufferWidth == 0) newParameters->BackBufferWidth = std::max(ClientWidth(), 1u);
    if (newParameters->BackBufferHeight == 0) newParameters->BackBufferHeight = std::max(ClientHeight(), 1u);
    if (newParameters->BackBufferFormat == D3DFMT_UNKNOWN) newParameters->BackBufferFormat = D3DFMT_X8R8G8B8;
    if (newParameters->BackBufferCount == 0) newParameters->BackBufferCount = 1;
    if ((int)newParameters->BackBufferWidth > gl.maxTextureSize ||
        (int)newParameters->BackBufferHeight > gl.maxTextureSize)
        return D3DERR_INVALIDCALL;
    DestroyImplicitSurfaces();
    parameters = *newParameters;
    inScene = false;
    SetDefaultStates();
    return CreateImplicitSurfaces() ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT D3DDevice::Present(const RECT *, const RECT *, HWND, const RGNDATA *) {
    if (!gl.window) {
        glFlush();
        return D3D_OK;
    }
    MakeCurrent();
    int width = 0, height = 0;
    GetDrawableSize(gl, width, height);
    // The back buffer's row 0 is its top row: blit it flipped, stretched to
    // the window as Direct3D does when the sizes differ.
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, backBuffer->glTexture, 0);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    GLenum filter = (UINT)width == parameters.BackBufferWidth && (UINT)height == parameters.BackBufferHeight
                        ? GL_NEAREST
                        : GL_LINEAR;
    glBlitFramebuffer(0, 0, parameters.BackBufferWidth, parameters.BackBufferHeight, 0, height, width, 0,
                      GL_COLOR_BUFFER_BIT, filter);
    SwapGLWindow(gl);
    dirty |= DirtyFramebuffer | DirtyRaster | DirtyViewport;
    return D3D_OK;
}

HRESULT D3DDevice::GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE, IDirect3DSurface9 **surface) {
    if (swapChain != 0 || index != 0 || !surface) return D3DERR_INVALIDCALL;
    backBuffer->AddRef();
    *surface = backBuffer;
    return D3D_OK;
}

HRESULT D3DDevice::SetRenderTarget(DWORD index, IDirect3DSurface9 *target) {
    auto *surface = static_cast<Surface *>(target);
    if (index != 0 || !surface || !(surface->desc.Usage & D3DUSAGE_RENDERTARGET)) return D3DERR_INVALIDCALL;
    renderTarget = surface;
    // Setting a render target resets the viewport to the whole target.
    state.viewport = D3DVIEWPORT9{0, 0, surface->desc.Width, surface->desc.Height, 0.0f, 1.0f};
    dirty |= DirtyFramebuffer | DirtyViewport;
    ++viewportGeneration;
    return D3D_OK;
}

HRESULT D3DDevice::GetRenderTarget(DWORD index, IDirect3DSurface9 **target) {
    if (index != 0 || !target) return D3DERR_INVALIDCALL;
    *target = renderTarget;
    if (!renderTarget) return D3DERR_NOTFOUND;
    renderTarget->AddRef();
    return D3D_OK;
}

HRESULT D3DDevice::SetDepthStencilSurface(IDirect3DSurface9 *surface) {
    auto *depth = static_cast<Surface *>(surface);
    if (depth && depth->kind != Surface::DepthStencil) return D3DERR_INVALIDCALL;
    depthStencil = depth;
    dirty |= DirtyFramebuffer;
    return D3D_OK;
}

HRESULT D3DDevice::GetDepthStencilSurface(IDirect3DSurface9 **surface) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = depthStencil;
    if (!depthStencil) return D3DERR_NOTFOUND;
    depthStencil->AddRef();
    return D3D_OK;
}

HRESULT D3DDevice::BeginScene() {
    if (faults & FaultBeginSceneOnce) {
        faults &= ~FaultBeginSceneOnce;
        return D3DERR_INVALIDCALL;
    }
    if (inScene) return D3DERR_INVALIDCALL;
    inScene = true;
    return D3D_OK;
}

HRESULT D3DDevice::EndScene() {
    if (!inScene) return D3DERR_INVALIDCALL;
    inScene = false;
    return D3D_OK;
}

HRESULT D3DDevice::SetTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX *matrix) {
    if (!matrix) return D3DERR_INVALIDCALL;
    D3DMATRIX *target = type == D3DTS_WORLD        ? &state.world
                        : type == D3DTS_VIEW       ? &state.view
                        : type == D3DTS_PROJECTION ? &state.projection
                                                   : nullptr;
    if (!target) return D3D_OK;  // texture and other world matrices are not used here
    if (recording) {
        bool &flag = type == D3DTS_WORLD ? recording->recorded.world
                     : type == D3DTS_VIEW ? recording->recorded.view
                                          : recording->recorded.projection;
        flag = true;
        D3DMATRIX &value = type == D3DTS_WORLD ? recording->values.world
                           : type == D3DTS_VIEW ? recording->values.view
                                                : recording->values.projection;
        value = *matrix;
        return D3D_OK;
    }
    if (memcmp(target, matrix, sizeof *matrix) == 0) return D3D_OK;
    *target = *matrix;
    if (type != D3DTS_WORLD) viewProjection = Multiply(state.view, state.projection);
    dirty |= DirtyTransform;
    return D3D_OK;
}

HRESULT D3DDevice::GetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX *matrix) {
    if (!matrix) return D3DERR_INVALIDCALL;
    *matrix = type == D3DTS_WORLD ? state.world : type == D3DTS_VIEW ? state.view
                                    : type == D3DTS_PROJECTION       ? state.projection
                                                                     : Identity();
    return D3D_OK;
}

HRESULT D3DDevice::SetViewport(const D3DVIEWPORT9 *viewport) {
    if (!viewport) return D3DERR_INVALIDCALL;
    if (recording) {
        recording->recorded.viewport = true;
        recording->values.viewport = *viewport;
        return D3D_OK;
    }
    if (renderTarget && (viewport->X + viewport->Width > renderTarget->desc.Width ||
                         viewport->Y + viewport->Height > renderTarget->desc.Height))
        return D3DERR_INVALIDCALL;
    state.viewport = *viewport;
    dirty |= DirtyViewport;
    ++viewportGeneration;
    return D3D_OK;
}

HRESULT D3DDevice::GetViewport(D3DVIEWPORT9 *viewport) {
    if (!viewport) return D3DERR_INVALIDCALL;
    *viewport = state.viewport;
    return D3D_OK;
}

HRESULT D3DDevice::SetMaterial(const D3DMATERIAL9 *material) {
    if (!material) return D3DERR_INVALIDCALL;
    if (recording) {
        recording->recorded.material = true;
        recording->values.material = *material;
        return D3D_OK;
    }
    if (memcmp(&state.material, material, sizeof *material) == 0) return D3D_OK;
    state.material = *material;
    dirty |= DirtyLighting;
    return D3D_OK;
}

HRESULT D3DDevice::GetMaterial(D3DMATERIAL9 *material) {
    if (!material) return D3DERR_INVALIDCALL;
    *material = state.material;
    return D3D_OK;
}

HRESULT D3DDevice::SetRenderState(D3DRENDERSTATETYPE type, DWORD value) {
    if ((DWORD)type >= RenderStateCount) return D3DERR_INVALIDCALL;
    if (recording) {
        recording->recorded.render[type] = true;
        recording->values.render[type] = value;
        return D3D_OK;
    }
    if (state.render[type] == value) return D3D_OK;
    state.render[type] = value;
    dirty |= RenderStateDirty(type);
    return D3D_OK;
}

HRESULT D3DDevice::GetRenderState(D3DRENDERSTATETYPE type, DWORD *value) {
    if ((DWORD)type >= RenderStateCount || !value) return D3DERR_INVALIDCALL;
    *value = state.render[type];
    return D3D_OK;
}

HRESULT D3DDevice::GetTexture(DWORD stage, IDirect3DBaseTexture9 **texture) {
    if (stage >= StageCount || !texture) return D3DERR_INVALIDCALL;
    *texture = state.textures[stage];
    if (*texture) (*texture)->AddRef();
    return D3D_OK;
}

HRESULT D3DDevice::SetTexture(DWORD stage, IDirect3DBaseTexture9 *texture) {
    if (stage >= StageCount) return D3DERR_INVALIDCALL;
    if (recording) {
        recording->recorded.textures[stage] = true;
        recording->values.textures[stage] = texture;
        return D3D_OK;
    }
    if (state.textures[stage] == texture) return D3D_OK;
    state.textures[stage] = texture;
    if (stage < 2) dirty |= (stage == 0 ? DirtyTexture0 : DirtyTexture1) | DirtyShader;
    return D3D_OK;
}

HRESULT D3DDevice::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD *value) {
    if (stage >= StageCount || (DWORD)type >= StageStateCount || !value) return D3DERR_INVALIDCALL;
    *value = state.stage[stage][type];
    return D3D_OK;
}

HRESULT D3DDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    if (stage >= StageCount || (DWORD)type >= StageStateCount) return D3DERR_INVALIDCALL;
    if (recording) {
        recording->recorded.stage[stage][type] = true;
        recording->values.stage[stage][type] = value;
        return D3D_OK;
    }
    if (state.stage[stage][type] == value) return D3D_OK;
    state.stage[stage][type] = value;
    if (stage < 2) dirty |= DirtyShader;
    return D3D_OK;
}

HRESULT D3DDevice::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD *value) {
    if (sampler >= SamplerCount || (DWORD)type >= SamplerStateCount || !value) return D3DERR_INVALIDCALL;
    *value = state.sampler[sampler][type];
    return D3D_OK;
}

HRESULT D3DDevice::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    if (sampler >= SamplerCount || (DWORD)type >= SamplerStateCount) return D3DERR_INVALIDCALL;
    if (recording) {
        recording->recorded.sampler[sampler][type] = true;
        recording->values.sampler[sampler][type] = value;
        return D3D_OK;
    }
    if (state.sampler[sampler][type] == value) return D3D_OK;
    state.sampler[sampler][type] = value;
    if (sampler < 2) dirty |= sampler == 0 ? DirtySampler0 : DirtySampler1;
    return D3D_OK;
}

HRESULT D3DDevice::SetFVF(DWORD fvf) {
    if (recording) {
        recording->recorded.fvf = true;
        recording->values.fvf = fvf;
        return D3D_OK;
    }
    if (state.fvf == fvf) return D3D_OK;
    state.fvf = fvf;
    dirty |= DirtyVertexInput | DirtyShader;
    return D3D_OK;
}

HRESULT D3DDevice::GetFVF(DWORD *fvf) {
    if (!fvf) return D3DERR_INVALIDCALL;
    *fvf = state.fvf;
    return D3D_OK;
}

HRESULT D3DDevice::SetStreamSource(UINT number, IDirect3DVertexBuffer9 *buffer, UINT offset, UINT stride) {
    if (number != 0) return D3DERR_INVALIDCALL;
    auto *vertexBuffer = static_cast<VertexBuffer *>(buffer);
    if (stream == vertexBuffer && streamOffset == offset && streamStride == stride) return D3D_OK;
    stream = vertexBuffer;
    streamOffset = offset;
    streamStride = stride;
    dirty |= DirtyVertexInput;
    return D3D_OK;
}

HRESULT D3DDevice::SetIndices(IDirect3DIndexBuffer9 *buffer) {
    indices = static_cast<IndexBuffer *>(buffer);
    return D3D_OK;
}

// Only the fixed-function pipeline is offered: null is the one valid shader.
HRESULT D3DDevice::SetPixelShader(IDirect3DPixelShader9 *shader) { return shader ? D3DERR_INVALIDCALL : D3D_OK; }
HRESULT D3DDevice::SetVertexShader(IDirect3DVertexShader9 *shader) { return shader ? D3DERR_INVALIDCALL : D3D_OK; }

void D3DDevice::Forget(IUnknown *resource) {
    for (auto &texture : state.textures)
        if (texture == resource) {
            texture = nullptr;
            dirty |= DirtyTexture0 | DirtyTexture1 | DirtyShader;
        }
    for (StateBlock *block : stateBlocks)
        for (auto &texture : block->values.textures)
            if (texture == resource) texture = nullptr;
    if (stream == resource) stream = nullptr, dirty |= DirtyVertexInput;
    if (indices == resource) indices = nullptr;
    if (renderTarget == resource) renderTarget = backBuffer, dirty |= DirtyFramebuffer;
    if (depthStencil == resource) depthStencil = nullptr, dirty |= DirtyFramebuffer;
}

void InjectDeviceFault(IDirect3DDevice9 *device, DeviceFault fault) {
    static_cast<D3DDevice *>(device)->faults |= fault;
}
