// The frame driver: one complete frame, and the counts the overlay shows.
#pragma once

#include <windows.h>

struct FrameTallies {
    UINT verticesRendered;
    INT objectsRendered;
};

extern FrameTallies FrameCounters;

constexpr DWORD SceneClearColour = 0xFFFF0000;

HRESULT RenderFrame();
// The main scene of a frame: cleared, skybox, terrain, the visible trees
// counted, the overlay. Fails only when the scene cannot begin.
HRESULT DrawMainScene();

// The steps of the main scene, in order, for a caller that times each one:
// begun and cleared (fails when the scene cannot begin), skybox and terrain,
// the visible trees counted in FrameCounters; then DrawStatistics and the
// device's EndScene.
HRESULT BeginMainScene();
void DrawSkyAndTerrain();
void DrawVisibleTrees();
