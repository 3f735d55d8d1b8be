// The one Direct3D device: creation with fixed presentation parameters, the
// fixed render states, reset on a change of client size, and teardown.
#pragma once

#include <d3d9.h>

extern IDirect3D9 *Direct3DObject;
extern IDirect3DDevice9 *Device;
extern D3DPRESENT_PARAMETERS PresentParameters;

// The back buffer's size when the device is created.
constexpr UINT BackBufferWidthAtStart = 1024, BackBufferHeightAtStart = 768;

HRESULT InitDevice();
HRESULT ApplyRenderStates();
void CheckClientSize();
HRESULT ResetDevice();
HRESULT ReleaseAll();
