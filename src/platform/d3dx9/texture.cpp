// D3DXCreateTexture and D3DXCreateTextureFromFileA (image files: BMP, PNG,
// JPG, TGA, PPM/PGM, HDR).
#include <cstring>
#include <string>
#include <vector>

#include "../d3d9/device_impl.h"
#include "../file_access.h"
#include "../platform_error.h"
#include "d3dx9.h"
#include "image_decode.h"

namespace {

bool SupportedFormat(D3DFORMAT format) {
    return format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8 || format == D3DFMT_A4R4G4B4 ||
           format == D3DFMT_X4R4G4B4 || format == D3DFMT_R5G6B5 || format == D3DFMT_A1R5G5B5 ||
           format == D3DFMT_X1R5G5B5;
}

// Each level is the 2 x 2 box average of the one above it.
void Downsample(const std::vector<BYTE> &from, UINT width, UINT height, std::vector<BYTE> &to) {
    UINT w = width > 1 ? width / 2 : 1, h = height > 1 ? height / 2 : 1;
    to.resize((size_t)w * h * 4);
    for (UINT y = 0; y < h; ++y)
        for (UINT x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c) {
                UINT x0 = std::min(2 * x, width - 1), x1 = std::min(2 * x + 1, width - 1);
                UINT y0 = std::min(2 * y, height - 1), y1 = std::min(2 * y + 1, height - 1);
                UINT sum = from[((size_t)y0 * width + x0) * 4 + c] + from[((size_t)y0 * width + x1) * 4 + c] +
                           from[((size_t)y1 * width + x0) * 4 + c] + from[((size_t)y1 * width + x1) * 4 + c];
                to[((size_t)y * w + x) * 4 + c] = (BYTE)((sum + 2) / 4);
            }
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
        return D3DERR_NOTFOUND;
    }
    DecodedImage image;
    if (!DecodeImage(file.data(), file.size(), TextureImageLimits, image, error)) {
        SetPlatformError("%s: %s", path, error.c_str());
        return D3DXERR_INVALIDDATA;
    }
    int width = image.width, height = image.height;
    const unsigned char *rgba = image.rgba.data();
    D3DFORMAT format = image.has_alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    IDirect3DTexture9 *texture = nullptr;
    HRESULT hr = device->CreateTexture(width, height, 0, 0, format, D3DPOOL_MANAGED, &texture, nullptr);
    if (FAILED(hr)) {
        SetPlatformError("%s: a %d x %d texture cannot be created", path, width, height);
        return hr;
    }
    // Rows top first, as the file shows them; A8R8G8B8 is B, G, R, A in memory.
    std::vector<BYTE> level((size_t)width * height * 4);
    for (size_t i = 0; i < (size_t)width * height; ++i) {
        level[4 * i + 0] = rgba[4 * i + 2];
        level[4 * i + 1] = rgba[4 * i + 1];
        level[4 * i + 2] = rgba[4 * i + 0];
        level[4 * i + 3] = rgba[4 * i + 3];
    }
    auto *impl = static_cast<Texture *>(texture);
    UINT w = width, h = height;
    for (UINT i = 0; i < impl->levels; ++i) {
        impl->memory[i] = level;
        impl->UploadLevel(i);
        if (i + 1 < impl->levels) {
            std::vector<BYTE> next;
            Downsample(level, w, h, next);
            level.swap(next);
            w = w > 1 ? w / 2 : 1;
            h = h > 1 ? h / 2 : 1;
        }
    }
    *out = texture;
    return D3D_OK;
}
