// Textures, surfaces and vertex and index buffers.
#include <algorithm>
#include <cstring>

#include "../platform_error.h"
#include "device_impl.h"

UINT FormatBytesPerPixel(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8: return 4;
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_R5G6B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_D16: return 2;
    default: return 0;
    }
}

namespace {

struct GLFormat {
    GLenum internal, format, type;
};

bool GLFormatOf(D3DFORMAT format, GLFormat &out) {
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8: out = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE}; return true;
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4: out = {GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV}; return true;
    case D3DFMT_R5G6B5: out = {GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5}; return true;
    case D3DFMT_A1R5G5B5:
    case D3DFMT_X1R5G5B5: out = {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV}; return true;
    default: return false;
    }
}

bool HasNoAlpha(D3DFORMAT format) {
    return format == D3DFMT_X8R8G8B8 || format == D3DFMT_X4R4G4B4 || format == D3DFMT_X1R5G5B5 ||
           format == D3DFMT_R5G6B5;
}

// Binding a texture to create it changes unit 0's binding behind the
// device's back: mark it for rebinding.
void BindForUpdate(D3DDevice *device, GLuint texture) {
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
    device->dirty |= DirtyTexture0;
}

}  // namespace

// Surface

Surface::~Surface() {
    if (device) device->Forget(this);
    if (glRenderbuffer) glDeleteRenderbuffers(1, &glRenderbuffer);
    if (kind == BackBuffer && glTexture) glDeleteTextures(1, &glTexture);
    if (kind == DepthStencil && desc.Pool == D3DPOOL_DEFAULT && device && this != device->autoDepth)
        --device->defaultPoolObjects;
    if (!container && device && this != device->backBuffer && this != device->autoDepth) device->Release();
}

ULONG Surface::AddRef() {
    if (container) return container->AddRef();
    if (device && (this == device->backBuffer || this == device->autoDepth)) ++device->implicitSurfaceRefs;
    return ++refs;
}

ULONG Surface::Release() {
    if (container) return container->Release();
    if (device && (this == device->backBuffer || this == device->autoDepth)) {
        // The device owns its implicit surfaces; the program's references
        // only keep Reset from running.
        if (refs == 0) return 0;
        --device->implicitSurfaceRefs;
        return --refs;
    }
    ULONG left = --refs;
    if (left == 0) delete this;
    return left;
}

HRESULT Surface::GetDevice(IDirect3DDevice9 **out) {
    if (!out) return D3DERR_INVALIDCALL;
    device->AddRef();
    *out = device;
    return D3D_OK;
}

HRESULT Surface::GetContainer(REFIID, void **out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (!container) return E_NOINTERFACE;
    container->AddRef();
    *out = static_cast<IDirect3DTexture9 *>(container);
    return D3D_OK;
}

HRESULT Surface::GetDesc(D3DSURFACE_DESC *out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = desc;
    return D3D_OK;
}

HRESULT Surface::LockRect(D3DLOCKED_RECT *out, const RECT *rect, DWORD flags) {
    if (container) return container->LockRect(level, out, rect, flags);
    if (!out || kind != OffscreenPlain || locked) return D3DERR_INVALIDCALL;
    UINT bpp = FormatBytesPerPixel(desc.Format);
    UINT x = rect ? rect->left : 0, y = rect ? rect->top : 0;
    if (rect && (rect->left < 0 || rect->top < 0 || (UINT)rect->right > desc.Width ||
                 (UINT)rect->bottom > desc.Height || rect->left >= rect->right || rect->top >= rect->bottom))
        return D3DERR_INVALIDCALL;
    out->Pitch = desc.Width * bpp;
    out->pBits = memory.data() + (size_t)y * out->Pitch + x * bpp;
    locked = true;
    return D3D_OK;
}

HRESULT Surface::UnlockRect() {
    if (container) return container->UnlockRect(level);
    if (!locked) return D3DERR_INVALIDCALL;
    locked = false;
    return D3D_OK;
}

// Texture

Texture::~Texture() {
    device->MakeCurrent();
    for (Surface *surface : surfaces) {
        surface->container = nullptr;  // so its destructor does not forward
        surface->device = nullptr;
        device->Forget(surface);
        delete surface;
    }
    device->Forget(static_cast<IDirect3DBaseTexture9 *>(this));
    glDeleteTextures(1, &glTexture);
    if (pool == D3DPOOL_DEFAULT) --device->defaultPoolObjects;
    device->Release();
}

HRESULT Texture::GetDevice(IDirect3DDevice9 **out) {
    if (!out) return D3DERR_INVALIDCALL;
    device->AddRef();
    *out = device;
    return D3D_OK;
}

HRESULT Texture::GetLevelDesc(UINT level, D3DSURFACE_DESC *desc) {
    if (level >= levels || !desc) return D3DERR_INVALIDCALL;
    *desc = surfaces[level]->desc;
    return D3D_OK;
}

HRESULT Texture::GetSurfaceLevel(UINT level, IDirect3DSurface9 **surface) {
    if (level >= levels || !surface) return D3DERR_INVALIDCALL;
    AddRef();
    *surface = surfaces[level];
    return D3D_OK;
}

HRESULT Texture::LockRect(UINT level, D3DLOCKED_RECT *out, const RECT *rect, DWORD) {
    // Render targets live only on the GPU, as in the default pool.
    if (level >= levels || !out || memory.empty() || (lockedLevels & (1 << level))) return D3DERR_INVALIDCALL;
    UINT width = LevelWidth(level), height = LevelHeight(level), bpp = FormatBytesPerPixel(format);
    if (rect && (rect->left < 0 || rect->top < 0 || (UINT)rect->right > width || (UINT)rect->bottom > height ||
                 rect->left >= rect->right || rect->top >= rect->bottom))
        return D3DERR_INVALIDCALL;
    out->Pitch = LevelPitch(level);
    out->pBits = memory[level].data() + (rect ? (size_t)rect->top * out->Pitch + rect->left * bpp : 0);
    lockedLevels |= 1 << level;
    return D3D_OK;
}

HRESULT Texture::UnlockRect(UINT level) {
    if (level >= levels || !(lockedLevels & (1 << level))) return D3DERR_INVALIDCALL;
    lockedLevels &= ~(1 << level);
    UploadLevel(level);
    return D3D_OK;
}

void Texture::UploadLevel(UINT level) {
    GLFormat gl{};
    GLFormatOf(format, gl);
    device->MakeCurrent();
    BindForUpdate(device, glTexture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, level, 0, 0, LevelWidth(level), LevelHeight(level), gl.format, gl.type,
                    memory[level].data());
}

HRESULT D3DDevice::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DTexture9 **out, HANDLE *shared) {
    if (!out || shared) return D3DERR_INVALIDCALL;
    *out = nullptr;
    GLFormat glFormat;
    if (!GLFormatOf(format, glFormat)) return D3DERR_INVALIDCALL;
    if (width == 0 || height == 0 || (int)width > gl.maxTextureSize || (int)height > gl.maxTextureSize)
        return D3DERR_INVALIDCALL;
    bool renderTargetUsage = usage & D3DUSAGE_RENDERTARGET;
    if (renderTargetUsage && pool != D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
    UINT fullChain = 1;
    while ((width >> fullChain) || (height >> fullChain)) ++fullChain;
    if (levels == 0) levels = renderTargetUsage ? 1 : fullChain;
    if (levels > fullChain) return D3DERR_INVALIDCALL;

    MakeCurrent();
    auto *texture = new Texture;
    texture->device = this;
    AddRef();
    texture->width = width;
    texture->height = height;
    texture->levels = levels;
    texture->usage = usage;
    texture->format = format;
    texture->pool = pool;
    if (pool == D3DPOOL_DEFAULT) ++defaultPoolObjects;
    glGenTextures(1, &texture->glTexture);
    BindForUpdate(this, texture->glTexture);
    for (UINT level = 0; level < levels; ++level)
        glTexImage2D(GL_TEXTURE_2D, level, glFormat.internal, texture->LevelWidth(level), texture->LevelHeight(level),
                     0, glFormat.format, glFormat.type, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, levels - 1);
    if (HasNoAlpha(format)) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_ONE);
    if (!renderTargetUsage) {
        // Lockable: keep a CPU copy of every level, zeroed like fresh memory.
        texture->memory.resize(levels);
        for (UINT level = 0; level < levels; ++level) {
            texture->memory[level].assign((size_t)texture->LevelPitch(level) * texture->LevelHeight(level), 0);
            texture->UploadLevel(level);
        }
    }
    for (UINT level = 0; level < levels; ++level) {
        auto *surface = new Surface;
        surface->device = this;
        surface->kind = Surface::TextureLevel;
        surface->container = texture;
        surface->level = level;
        surface->glTexture = texture->glTexture;
        surface->desc = {format, D3DRTYPE_SURFACE, usage, pool, D3DMULTISAMPLE_NONE, 0,
                         texture->LevelWidth(level), texture->LevelHeight(level)};
        texture->surfaces.push_back(surface);
    }
    *out = texture;
    return D3D_OK;
}

HRESULT D3DDevice::CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE, DWORD,
                                          BOOL, IDirect3DSurface9 **out, HANDLE *shared) {
    if (!out || shared) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (format != D3DFMT_D16 && format != D3DFMT_D24S8 && format != D3DFMT_D24X8) return D3DERR_INVALIDCALL;
    if (width == 0 || height == 0 || (int)width > gl.maxTextureSize || (int)height > gl.maxTextureSize)
        return D3DERR_INVALIDCALL;
    MakeCurrent();
    auto *surface = new Surface;
    surface->device = this;
    AddRef();
    surface->kind = Surface::DepthStencil;
    surface->desc = {format, D3DRTYPE_SURFACE, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, D3DMULTISAMPLE_NONE, 0,
                     width, height};
    ++defaultPoolObjects;
    glGenRenderbuffers(1, &surface->glRenderbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, surface->glRenderbuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, format == D3DFMT_D16 ? GL_DEPTH_COMPONENT16 : GL_DEPTH24_STENCIL8,
                          width, height);
    *out = surface;
    return D3D_OK;
}

HRESULT D3DDevice::CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                            IDirect3DSurface9 **out, HANDLE *shared) {
    if (!out || shared) return D3DERR_INVALIDCALL;
    *out = nullptr;
    UINT bpp = FormatBytesPerPixel(format);
    if (!bpp || width == 0 || height == 0 || width > 16384 || height > 16384 || pool == D3DPOOL_DEFAULT)
        return D3DERR_INVALIDCALL;
    auto *surface = new Surface;
    surface->device = this;
    AddRef();
    surface->kind = Surface::OffscreenPlain;
    surface->desc = {format, D3DRTYPE_SURFACE, 0, pool, D3DMULTISAMPLE_NONE, 0, width, height};
    surface->memory.assign((size_t)width * height * bpp, 0);
    *out = surface;
    return D3D_OK;
}

void D3DDevice::BindSurfaceForRead(Surface *surface) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, surface->glTexture,
                           surface->level);
    dirty |= DirtyFramebuffer;
}

HRESULT ReadSurfaceBGRA(IDirect3DSurface9 *source, std::vector<BYTE> &pixels, UINT &width, UINT &height) {
    auto *surface = static_cast<Surface *>(source);
    if (!surface) return D3DERR_INVALIDCALL;
    width = surface->desc.Width;
    height = surface->desc.Height;
    D3DFORMAT format = surface->desc.Format;
    if (format != D3DFMT_X8R8G8B8 && format != D3DFMT_A8R8G8B8 && format != D3DFMT_A4R4G4B4)
        return D3DERR_INVALIDCALL;
    pixels.resize((size_t)width * height * 4);
    if (surface->kind == Surface::OffscreenPlain || (surface->container && !surface->container->memory.empty())) {
        // The CPU copy is the truth for lockable surfaces.
        const BYTE *from = surface->kind == Surface::OffscreenPlain ? surface->memory.data()
                                                                    : surface->container->memory[surface->level].data();
        for (size_t i = 0; i < (size_t)width * height; ++i) {
            if (format == D3DFMT_A4R4G4B4) {
                WORD t = from[2 * i] | from[2 * i + 1] << 8;
                for (int c = 0; c < 4; ++c) pixels[4 * i + c] = ((t >> (4 * c)) & 0xF) * 17;
            } else {
                memcpy(&pixels[4 * i], &from[4 * i], 4);
            }
        }
    } else {
        D3DDevice *device = surface->device;
        if (!device || !surface->glTexture) return D3DERR_INVALIDCALL;
        device->MakeCurrent();
        device->BindSurfaceForRead(surface);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
    }
    if (format == D3DFMT_X8R8G8B8)
        for (size_t i = 0; i < (size_t)width * height; ++i) pixels[4 * i + 3] = 0xFF;
    return D3D_OK;
}

HRESULT D3DDevice::GetRenderTargetData(IDirect3DSurface9 *source, IDirect3DSurface9 *destination) {
    auto *from = static_cast<Surface *>(source);
    auto *to = static_cast<Surface *>(destination);
    if (!from || !to || to->kind != Surface::OffscreenPlain || !(from->desc.Usage & D3DUSAGE_RENDERTARGET) ||
        from->desc.Width != to->desc.Width || from->desc.Height != to->desc.Height ||
        FormatBytesPerPixel(to->desc.Format) != 4)
        return D3DERR_INVALIDCALL;
    std::vector<BYTE> pixels;
    UINT width, height;
    HRESULT hr = ReadSurfaceBGRA(source, pixels, width, height);
    if (FAILED(hr)) return hr;
    memcpy(to->memory.data(), pixels.data(), pixels.size());
    return D3D_OK;
}

// Buffers

template <class Interface, LiveObjectKind Kind>
HRESULT Buffer<Interface, Kind>::GetDevice(IDirect3DDevice9 **out) {
    if (!out) return D3DERR_INVALIDCALL;
    device->AddRef();
    *out = device;
    return D3D_OK;
}

template <class Interface, LiveObjectKind Kind>
HRESULT Buffer<Interface, Kind>::Lock(UINT offset, UINT size, void **data, DWORD flags) {
    if (!data || locked || offset > length || (size && size > length - offset)) return D3DERR_INVALIDCALL;
    if (size == 0) size = length - offset;
    lockOffset = offset;
    lockSize = size;
    lockFlags = flags;
    locked = true;
    *data = memory.data() + offset;
    return D3D_OK;
}

template <class Interface, LiveObjectKind Kind>
HRESULT Buffer<Interface, Kind>::Unlock() {
    if (!locked) return D3DERR_INVALIDCALL;
    locked = false;
    if (lockFlags & D3DLOCK_READONLY) return D3D_OK;
    device->MakeCurrent();
    // Uploads go through the copy-read target so no vertex-array or index
    // binding the device relies on is disturbed.
    glBindBuffer(GL_COPY_READ_BUFFER, glBuffer);
    if (lockFlags & D3DLOCK_DISCARD) glBufferData(GL_COPY_READ_BUFFER, length, nullptr, GL_STREAM_DRAW);
    glBufferSubData(GL_COPY_READ_BUFFER, lockOffset, lockSize, memory.data() + lockOffset);
    return D3D_OK;
}

template struct Buffer<IDirect3DVertexBuffer9, LiveVertexBuffer>;
template struct Buffer<IDirect3DIndexBuffer9, LiveIndexBuffer>;

namespace {

template <class B>
B *NewBuffer(D3DDevice *device, UINT length, DWORD usage, D3DPOOL pool) {
    device->MakeCurrent();
    auto *buffer = new B;
    buffer->device = device;
    device->AddRef();
    buffer->length = length;
    buffer->usage = usage;
    buffer->pool = pool;
    buffer->memory.assign(length, 0);
    if (pool == D3DPOOL_DEFAULT) ++device->defaultPoolObjects;
    glGenBuffers(1, &buffer->glBuffer);
    glBindBuffer(GL_COPY_READ_BUFFER, buffer->glBuffer);
    glBufferData(GL_COPY_READ_BUFFER, length, nullptr, usage & D3DUSAGE_DYNAMIC ? GL_STREAM_DRAW : GL_STATIC_DRAW);
    return buffer;
}

template <class B>
void DestroyBuffer(B *buffer) {
    D3DDevice *device = buffer->device;
    device->MakeCurrent();
    device->Forget(buffer);
    if (device->boundBuffer == buffer->glBuffer) device->boundBuffer = ~0u;
    if (device->boundIndexBuffer == buffer->glBuffer) device->boundIndexBuffer = ~0u;
    glDeleteBuffers(1, &buffer->glBuffer);
    if (buffer->pool == D3DPOOL_DEFAULT) --device->defaultPoolObjects;
    device->Release();
}

}  // namespace

VertexBuffer::~VertexBuffer() { DestroyBuffer(this); }
IndexBuffer::~IndexBuffer() { DestroyBuffer(this); }

HRESULT VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC *desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = {D3DFMT_UNKNOWN, D3DRTYPE_VERTEXBUFFER, usage, pool, length, fvf};
    return D3D_OK;
}

HRESULT IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC *desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = {format, D3DRTYPE_INDEXBUFFER, usage, pool, length};
    return D3D_OK;
}

constexpr UINT MaxBufferLength = 256u << 20;

HRESULT D3DDevice::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9 **out,
                                   HANDLE *shared) {
    if (!out || shared || length == 0 || length > MaxBufferLength) return D3DERR_INVALIDCALL;
    auto *buffer = NewBuffer<VertexBuffer>(this, length, usage, pool);
    buffer->fvf = fvf;
    *out = buffer;
    return D3D_OK;
}

HRESULT D3DDevice::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DIndexBuffer9 **out, HANDLE *shared) {
    if (!out || shared || length == 0 || length > MaxBufferLength) return D3DERR_INVALIDCALL;
    if (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32) return D3DERR_INVALIDCALL;
    auto *buffer = NewBuffer<IndexBuffer>(this, length, usage, pool);
    buffer->format = format;
    *out = buffer;
    return D3D_OK;
}
