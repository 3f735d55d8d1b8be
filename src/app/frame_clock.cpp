#include "app/frame_clock.h"

float FrameRate = 300.0f;
int FrameCount = 1;
float LastPublishTime = 0.0f;
LARGE_INTEGER CounterFrequency;

bool CounterFrequencyRead = false;
bool FrameIntervalStarted = false;

float GetSeconds() {
    if (!CounterFrequencyRead) {
        QueryPerformanceFrequency(&CounterFrequency);
        CounterFrequencyRead = true;
    }
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return (float)((double)count.QuadPart / (double)CounterFrequency.QuadPart);
}

// Publishes the number of calls counted once more than a second has passed.
// The publishing call ends one interval and begins the next, so it counts in
// both.
HRESULT UpdateFrameRate() {
    if (!FrameIntervalStarted) {
        LastPublishTime = GetSeconds();
        FrameIntervalStarted = true;
    }
    float elapsed = GetSeconds() - LastPublishTime;
    if (elapsed > 1.0f) {
        FrameRate = (float)FrameCount;
        FrameCount = 1;
        LastPublishTime = GetSeconds();
    }
    ++FrameCount;
    return S_OK;
}
