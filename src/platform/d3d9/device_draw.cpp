// Translation of the recorded Direct3D state to OpenGL at draw time, and
// the draw and clear calls.
#include <algorithm>
#include <cstring>

#include "device_impl.h"
#include "matrix.h"

namespace {

GLenum CompareFunction(DWORD func) {
    switch (func) {
    case D3DCMP_NEVER: return GL_NEVER;
    case D3DCMP_LESS: return GL_LESS;
    case D3DCMP_EQUAL: return GL_EQUAL;
    case D3DCMP_LESSEQUAL: return GL_LEQUAL;
    case D3DCMP_GREATER: return GL_GREATER;
    case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
    default: return GL_ALWAYS;
    }
}

GLenum BlendFactor(DWORD blend) {
    switch (blend) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_ONE: return GL_ONE;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
    default: return GL_ONE;
    }
}

GLenum BlendEquation(DWORD op) {
    switch (op) {
    case D3DBLENDOP_SUBTRACT: return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT: return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN: return GL_MIN;
    case D3DBLENDOP_MAX: return GL_MAX;
    default: return GL_FUNC_ADD;
    }
}

GLenum AddressMode(DWORD mode) {
    switch (mode) {
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    case D3DTADDRESS_MIRRORONCE: return GL_MIRROR_CLAMP_TO_EDGE;
    default: return GL_REPEAT;
    }
}

GLenum MinFilter(DWORD min, DWORD mip) {
    bool linear = min >= D3DTEXF_LINEAR;
    if (mip == D3DTEXF_NONE) return linear ? GL_LINEAR : GL_NEAREST;
    if (mip == D3DTEXF_POINT) return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
}

bool OperationUsesArgument(DWORD op, int argument) {
    if (op == D3DTOP_DISABLE) return false;
    if (op == D3DTOP_SELECTARG1) return argument == 1;
    if (op == D3DTOP_SELECTARG2) return argument == 2;
    return true;
}

bool StageUsesTexture(const DWORD *stage) {
    DWORD colorOp = stage[D3DTSS_COLOROP], alphaOp = stage[D3DTSS_ALPHAOP];
    auto isTexture = [](DWORD a) { return (a & D3DTA_SELECTMASK) == D3DTA_TEXTURE; };
    return (OperationUsesArgument(colorOp, 1) && isTexture(stage[D3DTSS_COLORARG1])) ||
           (OperationUsesArgument(colorOp, 2) && isTexture(stage[D3DTSS_COLORARG2])) ||
           (OperationUsesArgument(alphaOp, 1) && isTexture(stage[D3DTSS_ALPHAARG1])) ||
           (OperationUsesArgument(alphaOp, 2) && isTexture(stage[D3DTSS_ALPHAARG2]));
}

UINT FvfStride(DWORD fvf) {
    UINT stride = 0;
    DWORD position = fvf & D3DFVF_POSITION_MASK;
    stride += position == D3DFVF_XYZRHW ? 16 : position == D3DFVF_XYZ ? 12 : 0;
    if (fvf & D3DFVF_NORMAL) stride += 12;
    if (fvf & D3DFVF_PSIZE) stride += 4;
    if (fvf & D3DFVF_DIFFUSE) stride += 4;
    if (fvf & D3DFVF_SPECULAR) stride += 4;
    stride += 8 * ((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
    return stride;
}

void ColorToVector(D3DCOLOR color, float out[4]) {
    out[0] = ((color >> 16) & 0xFF) / 255.0f;
    out[1] = ((color >> 8) & 0xFF) / 255.0f;
    out[2] = (color & 0xFF) / 255.0f;
    out[3] = (color >> 24) / 255.0f;
}

}  // namespace

void D3DDevice::BindFramebuffer() {
    if (!framebuffer) glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    GLuint color = renderTarget ? renderTarget->glTexture : 0;
    GLint level = renderTarget ? renderTarget->level : 0;
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, color, level);
    GLuint depth = depthStencil ? depthStencil->glRenderbuffer : 0;
    D3DFORMAT format = depthStencil ? depthStencil->desc.Format : D3DFMT_D16;
    bool hasStencil = format == D3DFMT_D24S8;
    // Attaching to the depth-stencil point sets both points: do it first.
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, hasStencil ? depth : 0);
    if (!hasStencil) glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    dirty &= ~DirtyFramebuffer;
}

void D3DDevice::BindVertexInput(GLuint buffer, UINT offset, UINT stride, DWORD fvf) {
    if (buffer == boundBuffer && offset == boundOffset && stride == boundStride && fvf == boundFvf) return;
    boundBuffer = buffer;
    boundOffset = offset;
    boundStride = stride;
    boundFvf = fvf;
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    uintptr_t at = offset;
    auto attribute = [&](GLuint location, bool present, GLint size, GLenum type, GLboolean normalized, UINT bytes) {
        if (!present) {
            glDisableVertexAttribArray(location);
            return;
        }
        glEnableVertexAttribArray(location);
        glVertexAttribPointer(location, size, type, normalized, stride, reinterpret_cast<void *>(at));
        at += bytes;
    };
    DWORD position = fvf & D3DFVF_POSITION_MASK;
    attribute(AttributePosition, true, position == D3DFVF_XYZRHW ? 4 : 3, GL_FLOAT, GL_FALSE,
              position == D3DFVF_XYZRHW ? 16 : 12);
    attribute(AttributeNormal, fvf & D3DFVF_NORMAL, 3, GL_FLOAT, GL_FALSE, 12);
    if (fvf & D3DFVF_PSIZE) at += 4;
    // D3DCOLOR is B, G, R, A in memory.
    attribute(AttributeColor, fvf & D3DFVF_DIFFUSE, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, 4);
    if (fvf & D3DFVF_SPECULAR) at += 4;
    UINT texCount = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    attribute(AttributeTex0, texCount > 0, 2, GL_FLOAT, GL_FALSE, 8);
    attribute(AttributeTex1, texCount > 1, 2, GL_FLOAT, GL_FALSE, 8);
}

// ---- state groups ------------------------------------------------------
// Each group of dirty states has its own apply function; a flush runs only
// the groups that changed since the last draw.

namespace {

// Clears (and draws) are cut to the viewport; the scissor test is only on
// when the viewport is smaller than the target.
void ApplyViewport(const D3DVIEWPORT9 &vp, const Surface *target) {
    glViewport(vp.X, vp.Y, vp.Width, vp.Height);
    glScissor(vp.X, vp.Y, vp.Width, vp.Height);
    bool whole = target && vp.X == 0 && vp.Y == 0 && vp.Width == target->desc.Width &&
                 vp.Height == target->desc.Height;
    if (whole) glDisable(GL_SCISSOR_TEST); else glEnable(GL_SCISSOR_TEST);
    glDepthRange(vp.MinZ, vp.MaxZ);
}

void ApplyDepth(const DWORD *rs, bool hasDepthBuffer) {
    bool test = rs[D3DRS_ZENABLE] != D3DZB_FALSE && hasDepthBuffer;
    if (test) glEnable(GL_DEPTH_TEST); else glDisable(GL_DEPTH_TEST);
    glDepthFunc(CompareFunction(rs[D3DRS_ZFUNC]));
    glDepthMask(rs[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
}

// Blending ONE, ZERO with ADD writes the source unchanged: the blender stays
// off rather than have the driver read the target for nothing.
void ApplyBlend(const DWORD *rs) {
    bool separate = rs[D3DRS_SEPARATEALPHABLENDENABLE];
    bool replaces = rs[D3DRS_SRCBLEND] == D3DBLEND_ONE && rs[D3DRS_DESTBLEND] == D3DBLEND_ZERO &&
                    rs[D3DRS_BLENDOP] == D3DBLENDOP_ADD &&
                    (!separate || (rs[D3DRS_SRCBLENDALPHA] == D3DBLEND_ONE &&
                                   rs[D3DRS_DESTBLENDALPHA] == D3DBLEND_ZERO &&
                                   rs[D3DRS_BLENDOPALPHA] == D3DBLENDOP_ADD));
    if (rs[D3DRS_ALPHABLENDENABLE] && !replaces) glEnable(GL_BLEND); else glDisable(GL_BLEND);
    if (separate) {
        glBlendFuncSeparate(BlendFactor(rs[D3DRS_SRCBLEND]), BlendFactor(rs[D3DRS_DESTBLEND]),
                            BlendFactor(rs[D3DRS_SRCBLENDALPHA]), BlendFactor(rs[D3DRS_DESTBLENDALPHA]));
        glBlendEquationSeparate(BlendEquation(rs[D3DRS_BLENDOP]), BlendEquation(rs[D3DRS_BLENDOPALPHA]));
    } else {
        glBlendFunc(BlendFactor(rs[D3DRS_SRCBLEND]), BlendFactor(rs[D3DRS_DESTBLEND]));
        glBlendEquation(BlendEquation(rs[D3DRS_BLENDOP]));
    }
}

// Front faces are clockwise on screen: with the top-row-first target that
// is OpenGL's counter-clockwise.
void ApplyRaster(const DWORD *rs) {
    glFrontFace(GL_CCW);
    DWORD cull = rs[D3DRS_CULLMODE];
    if (cull == D3DCULL_NONE) {
        glDisable(GL_CULL_FACE);
    } else {
        glEnable(GL_CULL_FACE);
        glCullFace(cull == D3DCULL_CCW ? GL_BACK : GL_FRONT);
    }
    DWORD fill = rs[D3DRS_FILLMODE];
    glPolygonMode(GL_FRONT_AND_BACK, fill == D3DFILL_POINT ? GL_POINT : fill == D3DFILL_WIREFRAME ? GL_LINE : GL_FILL);
    DWORD mask = rs[D3DRS_COLORWRITEENABLE];
    glColorMask(mask & 1, (mask >> 1) & 1, (mask >> 2) & 1, (mask >> 3) & 1);
}

void ApplySampler(GLuint sampler, const DWORD *sa) {
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, AddressMode(sa[D3DSAMP_ADDRESSU]));
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, AddressMode(sa[D3DSAMP_ADDRESSV]));
    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, sa[D3DSAMP_MAGFILTER] >= D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST);
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, MinFilter(sa[D3DSAMP_MINFILTER], sa[D3DSAMP_MIPFILTER]));
    float border[4];
    ColorToVector(sa[D3DSAMP_BORDERCOLOR], border);
    glSamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, border);
}

void ApplyTexture(int stage, IDirect3DBaseTexture9 *bound) {
    auto *texture = static_cast<Texture *>(bound);
    glActiveTexture(GL_TEXTURE0 + stage);
    glBindTexture(GL_TEXTURE_2D, texture ? texture->glTexture : 0);
}

// The fixed-function variant the states select. A stage ends the cascade
// when it is disabled, or when it takes a texture while none is bound: the
// current colour passes through.
ShaderKey ShaderKeyOf(const DeviceState &state, bool clipControl) {
    const DWORD *rs = state.render;
    ShaderKey key;
    DWORD position = state.fvf & D3DFVF_POSITION_MASK;
    key.pretransformed = position == D3DFVF_XYZRHW;
    key.hasDiffuse = (state.fvf & D3DFVF_DIFFUSE) != 0;
    key.texCount = std::min<DWORD>((state.fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT, 2);
    key.lighting = rs[D3DRS_LIGHTING] && !key.pretransformed;
    key.alphaFunc = rs[D3DRS_ALPHATESTENABLE] ? (uint8_t)rs[D3DRS_ALPHAFUNC] : 0;
    key.clipControl = clipControl;
    for (int s = 0; s < 2; ++s) {
        const DWORD *stage = state.stage[s];
        if (stage[D3DTSS_COLOROP] == D3DTOP_DISABLE) break;
        if (StageUsesTexture(stage) && !state.textures[s]) break;
        StageKey &k = key.stages[s];
        k.colorOp = (uint8_t)stage[D3DTSS_COLOROP];
        k.colorArg1 = (uint8_t)stage[D3DTSS_COLORARG1];
        k.colorArg2 = (uint8_t)stage[D3DTSS_COLORARG2];
        k.alphaOp = (uint8_t)stage[D3DTSS_ALPHAOP];
        k.alphaArg1 = (uint8_t)stage[D3DTSS_ALPHAARG1];
        k.alphaArg2 = (uint8_t)stage[D3DTSS_ALPHAARG2];
        k.texCoordIndex = (uint8_t)std::min<DWORD>(stage[D3DTSS_TEXCOORDINDEX] & 0xFFFF, 1);
        key.stageCount = s + 1;
    }
    return key;
}

// Row-vector matrices read as column-major are already transposed for
// OpenGL's column vectors.
void UploadTransform(const ShaderProgram &program, const D3DMATRIX &worldViewProjection) {
    glUniformMatrix4fv(program.worldViewProjection, 1, GL_FALSE, &worldViewProjection.m[0][0]);
}

// The viewport in pixels, and the pixel-centre shift right and down, in clip
// units per w.
void UploadViewport(const ShaderProgram &program, const D3DVIEWPORT9 &vp, float shiftX, float shiftY) {
    float width = vp.Width ? (float)vp.Width : 1.0f, height = vp.Height ? (float)vp.Height : 1.0f;
    glUniform4f(program.viewport, (float)vp.X, (float)vp.Y, 2.0f / width, 2.0f / height);
    glUniform2f(program.pixelOffset, 2.0f * shiftX / width, -2.0f * shiftY / height);
    glUniform2f(program.pixelShift, shiftX, shiftY);
}

void UploadPixelConstants(const ShaderProgram &program, const DWORD *rs) {
    float factor[4];
    ColorToVector(rs[D3DRS_TEXTUREFACTOR], factor);
    glUniform4fv(program.textureFactor, 1, factor);
    glUniform1f(program.alphaRef, (float)(rs[D3DRS_ALPHAREF] & 0xFF));
}

// With no lights, a lit vertex is emissive + global ambient x material
// ambient; its alpha is the diffuse alpha.
void UploadLighting(const ShaderProgram &program, const DWORD *rs, const D3DMATERIAL9 &m) {
    float ambient[4];
    ColorToVector(rs[D3DRS_AMBIENT], ambient);
    float color[4] = {std::clamp(m.Emissive.r + ambient[0] * m.Ambient.r, 0.0f, 1.0f),
                      std::clamp(m.Emissive.g + ambient[1] * m.Ambient.g, 0.0f, 1.0f),
                      std::clamp(m.Emissive.b + ambient[2] * m.Ambient.b, 0.0f, 1.0f),
                      std::clamp(m.Diffuse.a, 0.0f, 1.0f)};
    glUniform4fv(program.lightColor, 1, color);
}

}  // namespace

// The objects every draw uses, made on the first draw.
void D3DDevice::CreateDrawObjects() {
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glGenSamplers(2, samplers);
    glBindSampler(0, samplers[0]);
    glBindSampler(1, samplers[1]);
    if (gl.hasClipControl) glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
}

void D3DDevice::ApplyShader() {
    ShaderProgram *next = shaders.Get(ShaderKeyOf(state, gl.hasClipControl));
    if (next == program) return;
    program = next;
    if (program) glUseProgram(program->program);
}

// Each program keeps the generation of each uniform group it last received:
// a program switched to gets only the groups that changed meanwhile.
void D3DDevice::UploadUniforms() {
    ShaderProgram &p = *program;
    if (p.transformGeneration != transformGeneration) {
        UploadTransform(p, worldViewProjection);
        p.transformGeneration = transformGeneration;
    }
    if (p.viewportGeneration != viewportGeneration) {
        UploadViewport(p, state.viewport, pixelShiftX, pixelShiftY);
        p.viewportGeneration = viewportGeneration;
    }
    if (p.pixelGeneration != pixelGeneration) {
        UploadPixelConstants(p, state.render);
        p.pixelGeneration = pixelGeneration;
    }
    if (p.lightingGeneration != lightingGeneration) {
        UploadLighting(p, state.render, state.material);
        p.lightingGeneration = lightingGeneration;
    }
}

void D3DDevice::FlushState() {
    if (!vertexArray) CreateDrawObjects();
    if (dirty & DirtyFramebuffer) BindFramebuffer();
    if (dirty & DirtyViewport) ApplyViewport(state.viewport, renderTarget);
    if (dirty & DirtyDepth) ApplyDepth(state.render, depthStencil != nullptr);
    if (dirty & DirtyBlend) ApplyBlend(state.render);
    if (dirty & DirtyRaster) ApplyRaster(state.render);
    if (dirty & DirtySampler0) ApplySampler(samplers[0], state.sampler[0]);
    if (dirty & DirtySampler1) ApplySampler(samplers[1], state.sampler[1]);
    if (dirty & DirtyTexture0) ApplyTexture(0, state.textures[0]);
    if (dirty & DirtyTexture1) ApplyTexture(1, state.textures[1]);
    if (dirty & DirtyShader) ApplyShader();
    if (dirty & DirtyTransform) {
        worldViewProjection = MultiplyMatrices(state.world, viewProjection);
        ++transformGeneration;
    }
    if (dirty & DirtyPixelConstants) ++pixelGeneration;
    if (dirty & DirtyLighting) ++lightingGeneration;
    if (program) UploadUniforms();
    dirty = 0;
}

bool D3DDevice::PrepareDraw(D3DPRIMITIVETYPE type, UINT count, GLenum &mode, GLsizei &vertices) {
    switch (type) {
    case D3DPT_POINTLIST: mode = GL_POINTS, vertices = count; break;
    case D3DPT_LINELIST: mode = GL_LINES, vertices = count * 2; break;
    case D3DPT_LINESTRIP: mode = GL_LINE_STRIP, vertices = count + 1; break;
    case D3DPT_TRIANGLELIST: mode = GL_TRIANGLES, vertices = count * 3; break;
    case D3DPT_TRIANGLESTRIP: mode = GL_TRIANGLE_STRIP, vertices = count + 2; break;
    case D3DPT_TRIANGLEFAN: mode = GL_TRIANGLE_FAN, vertices = count + 2; break;
    default: return false;
    }
    if (count == 0 || !renderTarget) return false;
    MakeCurrent();
    FlushState();
    return program != nullptr;
}

HRESULT D3DDevice::DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count) {
    if (!stream || stream->locked) return D3DERR_INVALIDCALL;
    GLenum mode;
    GLsizei vertices;
    if (!PrepareDraw(type, count, mode, vertices)) return count == 0 ? D3D_OK : D3DERR_INVALIDCALL;
    UINT stride = streamStride ? streamStride : FvfStride(state.fvf);
    if (streamOffset + (uint64_t)(start + vertices) * stride > stream->length) return D3DERR_INVALIDCALL;
    BindVertexInput(stream->glBuffer, streamOffset, stride, state.fvf);
    glDrawArrays(mode, start, vertices);
    return D3D_OK;
}

HRESULT D3DDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT, UINT, UINT startIndex,
                                     UINT count) {
    if (!stream || !indices || stream->locked || indices->locked) return D3DERR_INVALIDCALL;
    GLenum mode;
    GLsizei vertices;
    if (!PrepareDraw(type, count, mode, vertices)) return count == 0 ? D3D_OK : D3DERR_INVALIDCALL;
    UINT indexSize = indices->format == D3DFMT_INDEX32 ? 4 : 2;
    if ((uint64_t)(startIndex + vertices) * indexSize > indices->length) return D3DERR_INVALIDCALL;
    UINT stride = streamStride ? streamStride : FvfStride(state.fvf);
    BindVertexInput(stream->glBuffer, streamOffset, stride, state.fvf);
    // The index buffer binding belongs to the vertex array, which is shared.
    if (boundIndexBuffer != indices->glBuffer) {
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices->glBuffer);
        boundIndexBuffer = indices->glBuffer;
    }
    glDrawElementsBaseVertex(mode, vertices, indexSize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                             reinterpret_cast<void *>((uintptr_t)startIndex * indexSize), baseVertex);
    return D3D_OK;
}

HRESULT D3DDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT count, const void *data, UINT stride) {
    GLenum mode;
    GLsizei vertices;
    if (!data || !stride) return D3DERR_INVALIDCALL;
    if (!PrepareDraw(type, count, mode, vertices)) return count == 0 ? D3D_OK : D3DERR_INVALIDCALL;
    if (!upBuffer) glGenBuffers(1, &upBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, upBuffer);
    glBufferData(GL_ARRAY_BUFFER, (GLsizeiptr)vertices * stride, data, GL_STREAM_DRAW);
    boundBuffer = ~0u;  // force the layout to be set again for this buffer
    BindVertexInput(upBuffer, 0, stride, state.fvf);
    glDrawArrays(mode, 0, vertices);
    // Direct3D unbinds stream 0 after a DrawPrimitiveUP.
    stream = nullptr;
    streamOffset = streamStride = 0;
    return D3D_OK;
}

HRESULT D3DDevice::Clear(DWORD count, const D3DRECT *rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) {
    if (count && !rects) return D3DERR_INVALIDCALL;
    if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !depthStencil) return D3DERR_INVALIDCALL;
    if (!renderTarget) return D3DERR_INVALIDCALL;
    MakeCurrent();
    FlushState();
    GLbitfield mask = 0;
    if (flags & D3DCLEAR_TARGET) {
        float c[4];
        ColorToVector(color, c);
        glClearColor(c[0], c[1], c[2], c[3]);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if (flags & D3DCLEAR_ZBUFFER) {
        glClearDepth(z);
        glDepthMask(GL_TRUE);
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if (flags & D3DCLEAR_STENCIL) {
        glClearStencil(stencil);
        glStencilMask(0xFF);
        mask |= GL_STENCIL_BUFFER_BIT;
    }
    // Clears are cut to the viewport, and to each rectangle when given.
    const D3DVIEWPORT9 &vp = state.viewport;
    if (count == 0) {
        glClear(mask);
    } else {
        glEnable(GL_SCISSOR_TEST);
        for (DWORD i = 0; i < count; ++i) {
            LONG x1 = std::max<LONG>(rects[i].x1, vp.X), y1 = std::max<LONG>(rects[i].y1, vp.Y);
            LONG x2 = std::min<LONG>(rects[i].x2, vp.X + vp.Width), y2 = std::min<LONG>(rects[i].y2, vp.Y + vp.Height);
            if (x2 <= x1 || y2 <= y1) continue;
            glScissor(x1, y1, x2 - x1, y2 - y1);
            glClear(mask);
        }
        dirty |= DirtyViewport;  // the scissor rectangle and test are restored at the next flush
    }
    dirty |= DirtyRaster | DirtyDepth;  // masks changed for the clear
    return D3D_OK;
}
