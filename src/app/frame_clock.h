// The frame clock and the frame-rate meter.
#pragma once

#include <windows.h>

extern float FrameRate;           // frames counted in the last interval of just over a second
extern int FrameCount;            // calls counted in the current interval
extern float LastPublishTime;     // clock reading at which the current interval began
extern LARGE_INTEGER CounterFrequency;
extern bool CounterFrequencyRead;  // GetSeconds has read the frequency
extern bool FrameIntervalStarted;  // UpdateFrameRate has begun the first interval

float GetSeconds();
HRESULT UpdateFrameRate();
