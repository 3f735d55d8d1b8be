// D3DXCreateTexture and D3DXCreateTextureFromFileA, which makes a texture
// of an image file as D3DX does with its defaults: power-of-two sides, the
// image filtered to fill them, and the full mip chain.
#include <cstring>
#include <string>
#include <vector>

#include "../file_access.h"
#include "../platform_error.h"
#include "d3dx9.h"
#include "image_file.h"

namespace {

bool SupportedFormat(D3DFORMAT format) {
    return format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8 || format == D3DFMT_A4R4G4B4 ||
           format == D3DFMT_X4R4G4B4 || format == D3DFMT_R5G6B5 || format == D3DFMT_A1R5G5B5 ||
           format == D3DFMT_X1R5G5B5;
}

HRESULT CopyToLevel(IDirect3DTexture9 *texture, UINT level, const DecodedImage &image) {
    D3DLOCKED_RECT locked;
    HRESULT hr = texture->LockRect(level, &locked, nullptr, 0);
    if (FAILED(hr)) return hr;
    size_t row = (size_t)image.width * 4;
    for (UINT y = 0; y < image.height; ++y)
        memcpy(static_cast<BYTE *>(locked.pBits) + (size_t)y * locked.Pitch, &image.pixels[y * row], row);
    return texture->UnlockRect(level);
}

}  // namespace

HRESULT WINAPI D3DXCreateTexture(LPDIRECT3DDEVICE9 device, UINT width, UINT height, UINT levels, DWORD usage,
                                 D3DFORMAT format, D3DPOOL pool, LPDIRECT3DTEXTURE9 *texture) {
    if (!device || !texture) return D3DERR_INVALIDCALL;
    // Like D3DX, fall back to a format the device has when asked for another.
    if (!SupportedFormat(format)) format = D3DFMT_A8R8G8B8;
    if (width == 0 || width == D3DX_DEFAULT) width = 256;
    if (height == 0 || height == D3DX_DEFAULT) height = 256;
    if (levels == D3DX_DEFAULT) levels = 0;
    return device->CreateTexture(width, height, levels, usage, format, pool, texture, nullptr);
}

HRESULT WINAPI D3DXCreateTextureFromFileA(LPDIRECT3DDEVICE9 device, LPCSTR path, LPDIRECT3DTEXTURE9 *out) {
    if (!device || !path || !out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    std::vector<unsigned char> file;
    std::string error;
    if (!ReadWholeFile(path, file, error)) {
        SetPlatformError("%s", error.c_str());
        return D3DXERR_INVALIDDATA;  // as D3DX answers for a file it cannot open
    }
    DecodedImage image;
    if (!DecodeImageFile(file.data(), file.size(), image, error)) {
        SetPlatformError("%s: %s", path, error.c_str());
        return D3DXERR_INVALIDDATA;
    }
    // The default size: the image's, each side rounded up to a power of two
    // and held within the device's limit; the default filter fills it.
    D3DCAPS9 caps{};
    device->GetDeviceCaps(&caps);
    UINT width = DefaultTextureSide(image.width, caps.MaxTextureWidth);
    UINT height = DefaultTextureSide(image.height, caps.MaxTextureHeight);
    D3DFORMAT format = image.hasAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    IDirect3DTexture9 *texture = nullptr;
    HRESULT hr = device->CreateTexture(width, height, 0, 0, format, D3DPOOL_MANAGED, &texture, nullptr);
    if (FAILED(hr)) {
        SetPlatformError("%s: a %u x %u texture cannot be created", path, width, height);
        return hr;
    }
    // Each level through the texture's own lock: B, G, R, A rows, as the
    // decoded image holds them.
    DecodedImage level = ResampleImage(image, width, height);
    for (UINT i = 0, levels = texture->GetLevelCount(); i < levels; ++i) {
        hr = CopyToLevel(texture, i, level);
        if (FAILED(hr)) {
            texture->Release();
            SetPlatformError("%s: level %u of the texture cannot be written", path, i);
            return hr;
        }
        if (i + 1 < levels) level = NextMipLevel(level);
    }
    *out = texture;
    return D3D_OK;
}
