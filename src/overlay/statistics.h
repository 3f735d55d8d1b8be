// The statistics overlay: frame rate, camera position and counts at the top
// left, the controls legend near the bottom edge.
#pragma once

#include <windows.h>

#include "overlay/text_stream.h"

extern TextBuilder TextStream;

constexpr DWORD StatisticsColour = 0xF5FFFFFF;
constexpr DWORD LegendColour = 0xFFE6F014;
constexpr int LegendBottomOffset = 65;

HRESULT DrawStatistics();
// The legend's y for a back-buffer height: negative when it is under 65.
float LegendY(UINT backBufferHeight);
