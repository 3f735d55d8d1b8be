// The occlusion buffer and the per-frame pass that decides which trees are
// drawn: every bounding mesh fills a small depth buffer, then each is drawn
// again inside its own occlusion query.
#pragma once

#include <d3dx9.h>

struct SceneObject;

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

// The steps of the pass, in order, for a caller that times each one: the
// buffer's scene begun and cleared (fails, keeping last frame's flags, when
// the buffer is missing or cannot begin), every bounding mesh into its depth,
// then per object its bounding mesh drawn inside the query and the count
// awaited into its flag (without OcclusionQuery nothing is drawn and the
// object is visible), and the buffer's scene ended (saved as buffer.bmp
// while the save key is held).
HRESULT BeginOcclusionPass();
void FillOcclusionDepth();
void IssueVisibilityQuery(SceneObject &object);
void AwaitVisibility(SceneObject &object);
void EndOcclusionPass();
