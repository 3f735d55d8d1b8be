// The device: teardown, capabilities, presentation, render targets, scenes.
#include "device_impl.h"

#include <cstdio>
#include <cstdlib>

// Frames presented to a window by this process. With OC_FRAME_REPORT set,
// each device says how many when it goes, so that a long run (the soak) can
// report the frames it drew without the program printing anything.
static unsigned long PresentedFrames = 0;

D3DDevice::~D3DDevice() {
    if (getenv("OC_FRAME_REPORT") && gl.window) fprintf(stderr, "frames presented: %lu\n", PresentedFrames);
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
    ++PresentedFrames;
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
