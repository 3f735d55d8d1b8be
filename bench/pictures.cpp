#include "pictures.h"

#include <epoxy/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "device/device.h"

std::vector<uint32_t> ReadLayerBackBuffer() {
    IDirect3DSurface9 *backBuffer = nullptr, *copy = nullptr;
    std::vector<uint32_t> pixels;
    if (FAILED(Device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer))) return pixels;
    D3DSURFACE_DESC desc;
    backBuffer->GetDesc(&desc);
    D3DLOCKED_RECT locked;
    if (SUCCEEDED(Device->CreateOffscreenPlainSurface(desc.Width, desc.Height, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM,
                                                      &copy, NULL)) &&
        SUCCEEDED(Device->GetRenderTargetData(backBuffer, copy)) && SUCCEEDED(copy->LockRect(&locked, NULL, 0))) {
        pixels.resize((size_t)desc.Width * desc.Height);
        for (UINT y = 0; y < desc.Height; ++y)
            memcpy(&pixels[(size_t)y * desc.Width], (BYTE *)locked.pBits + (size_t)y * locked.Pitch, desc.Width * 4);
        copy->UnlockRect();
    }
    if (copy) copy->Release();
    backBuffer->Release();
    return pixels;
}

std::vector<uint32_t> ReadGlMainTarget(const GlScene &scene) {
    GLint width = 0, height = 0;
    glBindTexture(GL_TEXTURE_2D, scene.mainColour);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    std::vector<uint32_t> pixels((size_t)width * height);
    // Rows are top first already (the targets are laid out as Direct3D's).
    glBindFramebuffer(GL_READ_FRAMEBUFFER, scene.mainFramebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels.data());
    return pixels;
}

int CountDifferingPixels(const std::vector<uint32_t> &a, const std::vector<uint32_t> &b, int tolerance) {
    if (a.size() != b.size()) return (int)std::max(a.size(), b.size());
    int differing = 0;
    for (size_t i = 0; i < a.size(); ++i)
        for (int shift = 0; shift < 24; shift += 8)
            if (abs((int)((a[i] >> shift) & 0xFF) - (int)((b[i] >> shift) & 0xFF)) > tolerance) {
                ++differing;
                break;
            }
    return differing;
}

void SavePpm(const std::vector<uint32_t> &pixels, int width, int height, const char *path) {
    FILE *file = fopen(path, "wb");
    if (!file) return;
    fprintf(file, "P6\n%d %d\n255\n", width, height);
    for (uint32_t p : pixels) {
        unsigned char rgb[3] = {(unsigned char)(p >> 16), (unsigned char)(p >> 8), (unsigned char)p};
        fwrite(rgb, 1, 3, file);
    }
    fclose(file);
}
