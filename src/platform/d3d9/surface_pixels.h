// Reading back any surface of the device, whatever holds it (a texture, a
// render target, a depth buffer or system memory): what the D3DX helpers
// need beyond the Direct3D 9 interfaces to save a surface.
#pragma once

#include <vector>

#include "d3d9.h"

// Reads a surface's pixels as 32-bit B, G, R, A rows, top row first.
HRESULT ReadSurfaceBGRA(IDirect3DSurface9 *surface, std::vector<BYTE> &pixels, UINT &width, UINT &height);
