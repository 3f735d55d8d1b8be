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

// Whether the near plane cuts the box (a mesh's bounds in its own space,
// placed by world-view-projection) inside the view, as it does when the box
// holds the eye. A tree whose bounding box it cuts may fill the view while
// its query counts nothing: the faces of its bounding mesh before the eye
// are clipped and only faces turned away remain. The pass draws such a tree.
bool NearPlaneCutsBox(const D3DXVECTOR3 &boxMin, const D3DXVECTOR3 &boxMax, const D3DXMATRIX &worldViewProjection);

// The steps of the pass, in order, for a caller that times each one: the
// buffer's scene begun and cleared (fails, keeping last frame's flags, when
// the buffer is missing or cannot begin), every bounding mesh into its depth,
// then per object its bounding mesh drawn inside the query and the count
// awaited into its flag (visible also when the near plane cuts its bounding
// box; without OcclusionQuery nothing is drawn and the object is visible),
// and the buffer's scene ended (saved as buffer.bmp while the save key is
// held).
HRESULT BeginOcclusionPass();
void FillOcclusionDepth();
void IssueVisibilityQuery(SceneObject &object);
void AwaitVisibility(SceneObject &object);
void EndOcclusionPass();
