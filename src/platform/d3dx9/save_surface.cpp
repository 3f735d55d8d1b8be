// D3DXSaveSurfaceToFileA: writes a surface as an uncompressed 32-bit Windows
// bitmap, rows bottom-up as the format stores them.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "../d3d9/surface_pixels.h"
#include "../file_access.h"
#include "../platform_error.h"
#include "d3dx9.h"

namespace {

void Put16(BYTE *at, WORD value) {
    at[0] = value & 0xFF;
    at[1] = value >> 8;
}

void Put32(BYTE *at, DWORD value) {
    for (int i = 0; i < 4; ++i) at[i] = (value >> (8 * i)) & 0xFF;
}

}  // namespace

HRESULT WINAPI D3DXSaveSurfaceToFileA(LPCSTR path, D3DXIMAGE_FILEFORMAT format, LPDIRECT3DSURFACE9 surface,
                                      const PALETTEENTRY *, const RECT *rect) {
    if (!path || !surface) return D3DERR_INVALIDCALL;
    if (format != D3DXIFF_BMP && format != D3DXIFF_DIB) return D3DERR_INVALIDCALL;
    std::vector<BYTE> pixels;
    UINT width = 0, height = 0;
    HRESULT hr = ReadSurfaceBGRA(surface, pixels, width, height);
    if (FAILED(hr)) return hr;
    UINT left = 0, top = 0, right = width, bottom = height;
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || (UINT)rect->right > width || (UINT)rect->bottom > height ||
            rect->left >= rect->right || rect->top >= rect->bottom)
            return D3DERR_INVALIDCALL;
        left = rect->left, top = rect->top, right = rect->right, bottom = rect->bottom;
    }
    UINT w = right - left, h = bottom - top;
    DWORD imageSize = w * h * 4;
    std::vector<BYTE> file(54 + (size_t)imageSize);
    BYTE *header = file.data();
    header[0] = 'B';
    header[1] = 'M';
    Put32(header + 2, (DWORD)file.size());
    Put32(header + 10, 54);  // pixel data offset
    Put32(header + 14, 40);  // BITMAPINFOHEADER
    Put32(header + 18, w);
    Put32(header + 22, h);   // positive: bottom-up rows
    Put16(header + 26, 1);
    Put16(header + 28, 32);
    Put32(header + 30, 0);   // BI_RGB
    Put32(header + 34, imageSize);
    Put32(header + 38, 2835);  // 72 dpi
    Put32(header + 42, 2835);
    for (UINT row = 0; row < h; ++row)
        memcpy(&file[54 + (size_t)(h - 1 - row) * w * 4], &pixels[((size_t)(top + row) * width + left) * 4], (size_t)w * 4);
    // Written beside the target and renamed over it, so a failed write never
    // leaves a truncated bitmap where a good one was.
    std::string native, unresolved;
    if (!ResolvePath(path, PathUse::Writing, native, unresolved)) {
        SetPlatformError("%s", unresolved.c_str());
        return D3DERR_INVALIDCALL;
    }
    // A read-only file or a directory is refused as Windows refuses to open
    // it for writing (a rename alone would replace a read-only file).
    struct stat existing;
    if (stat(native.c_str(), &existing) == 0 && (S_ISDIR(existing.st_mode) || (existing.st_mode & 0222) == 0)) {
        SetPlatformError("%s: %s", path, strerror(S_ISDIR(existing.st_mode) ? EISDIR : EACCES));
        return D3DERR_INVALIDCALL;
    }
    std::string partial = native + ".partial";
    FILE *out = fopen(partial.c_str(), "wb");
    if (!out) {
        SetPlatformError("%s: %s", path, strerror(errno));
        return D3DERR_INVALIDCALL;
    }
    bool written = fwrite(file.data(), 1, file.size(), out) == file.size();
    int error = errno;
    if (fclose(out) != 0 && written) written = false, error = errno;
    if (written && rename(partial.c_str(), native.c_str()) != 0) written = false, error = errno;
    if (!written) {
        SetPlatformError("%s: write failed: %s", path, strerror(error));
        remove(partial.c_str());
        return D3DERR_INVALIDCALL;
    }
    return D3D_OK;
}
