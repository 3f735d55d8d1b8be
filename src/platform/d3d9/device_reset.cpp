// Reset: the implicit back buffer and depth buffer, made again at the new
// size with every state back to its default.
#include <algorithm>

#include "../platform_error.h"
#include "../win32/win32.h"
#include "device_impl.h"

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

HRESULT D3DDevice::Reset(D3DPRESENT_PARAMETERS *newParameters) {
    if (!newParameters || !newParameters->Windowed) return D3DERR_INVALIDCALL;
    if (faults & FaultResetOnce) {
        faults &= ~FaultResetOnce;
        return D3DERR_INVALIDCALL;
    }
    // A reset ends a recording and drops what it recorded.
    if (StateBlock *abandoned = recording) {
        recording = nullptr;
        abandoned->Release();
    }
    // Default-pool resources, references to the implicit surfaces and state
    // blocks do not survive a reset: the program must release them first.
    if (defaultPoolObjects > 0 || implicitSurfaceRefs > 0 || !stateBlocks.empty()) return D3DERR_INVALIDCALL;
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

