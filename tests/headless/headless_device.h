// A device on a headless window, and pixel read-back, for tests that drive
// the real device layer through EGL.
#pragma once

#include <d3dx9.h>
#include <gtest/gtest.h>

#include <vector>

#include "win32/headless.h"

struct HeadlessDevice {
    HWND window = nullptr;
    IDirect3D9 *d3d = nullptr;
    IDirect3DDevice9 *device = nullptr;
    D3DPRESENT_PARAMETERS parameters{};

    // A window and a device with a width x height back buffer and a D16 depth buffer.
    bool Create(UINT width, UINT height);
    void Destroy();
    ~HeadlessDevice() { Destroy(); }

    std::vector<DWORD> Read(IDirect3DSurface9 *surface = nullptr);
};

// The pixels of a render-target surface (the back buffer when null), as
// 0xAARRGGBB, top row first.
std::vector<DWORD> ReadPixels(IDirect3DDevice9 *device, IDirect3DSurface9 *surface = nullptr);

// A pre-transformed, coloured and textured vertex.
struct ScreenVertex {
    float x, y, z, rhw;
    D3DCOLOR colour;
    float u, v;
};
constexpr DWORD ScreenVertexFormat = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

int CountPixels(const std::vector<DWORD> &pixels, DWORD colour);
