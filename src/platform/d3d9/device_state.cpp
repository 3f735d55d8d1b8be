// The device's states: their Direct3D 9 defaults and the setters and getters,
// which record into a state block while one is being recorded.
#include <cstring>

#include "device_impl.h"
#include "matrix.h"

namespace {

DWORD FloatBits(float value) {
    DWORD bits;
    memcpy(&bits, &value, sizeof bits);
    return bits;
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
    rs[D3DRS_STENCILFAIL] = rs[D3DRS_STENCILZFAIL] = rs[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
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
    rs[D3DRS_POINTSIZE_MIN] = FloatBits(1.0f);
    rs[D3DRS_POINTSCALE_A] = FloatBits(1.0f);
    rs[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
    rs[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFF;
    rs[D3DRS_POINTSIZE_MAX] = FloatBits(64.0f);
    rs[D3DRS_COLORWRITEENABLE] = 0xF;
    rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
    rs[D3DRS_POSITIONDEGREE] = D3DDEGREE_CUBIC;
    rs[D3DRS_NORMALDEGREE] = D3DDEGREE_LINEAR;
    rs[D3DRS_MINTESSELLATIONLEVEL] = rs[D3DRS_MAXTESSELLATIONLEVEL] = FloatBits(1.0f);
    rs[D3DRS_ADAPTIVETESS_Z] = FloatBits(1.0f);
    rs[D3DRS_CCW_STENCILFAIL] = rs[D3DRS_CCW_STENCILZFAIL] = rs[D3DRS_CCW_STENCILPASS] = D3DSTENCILOP_KEEP;
    rs[D3DRS_CCW_STENCILFUNC] = D3DCMP_ALWAYS;
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
    state.world = state.view = state.projection = IdentityMatrix();
    state.material = D3DMATERIAL9{};
    state.viewport = D3DVIEWPORT9{0, 0, parameters.BackBufferWidth, parameters.BackBufferHeight, 0.0f, 1.0f};
    state.fvf = 0;
    viewProjection = worldViewProjection = IdentityMatrix();
    stream = nullptr;
    indices = nullptr;
    dirty = DirtyAll;
    ++transformGeneration;
    ++pixelGeneration;
    ++lightingGeneration;
    ++viewportGeneration;
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
    if (type != D3DTS_WORLD) viewProjection = MultiplyMatrices(state.view, state.projection);
    dirty |= DirtyTransform;
    return D3D_OK;
}

HRESULT D3DDevice::GetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX *matrix) {
    if (!matrix) return D3DERR_INVALIDCALL;
    *matrix = type == D3DTS_WORLD ? state.world : type == D3DTS_VIEW ? state.view
                                    : type == D3DTS_PROJECTION       ? state.projection
                                                                     : IdentityMatrix();
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
