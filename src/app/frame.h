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
