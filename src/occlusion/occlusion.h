// The occlusion buffer and the per-frame pass that decides which trees are
// drawn: every bounding mesh fills a small depth buffer, then each is drawn
// again inside its own occlusion query.
#pragma once

#include <d3dx9.h>

extern IDirect3DQuery9 *OcclusionQuery;
extern IDirect3DTexture9 *OcclusionTexture;
extern IDirect3DSurface9 *OcclusionSurface;
extern ID3DXRenderToSurface *OcclusionRenderToSurface;

constexpr UINT OcclusionWidth = 320;
constexpr UINT OcclusionHeight = 240;
constexpr D3DCOLOR OcclusionClearColour = 0xFFC8C8C8;
constexpr BYTE SaveBufferKey = 'M';

HRESULT CreateOcclusionResources();
HRESULT RunOcclusionPass();
