// GPU time of a span of commands (GL timer queries), read a few frames
// later so that reading it never waits.
#pragma once

#include <epoxy/gl.h>

struct GpuTimer {
    static constexpr int Ring = 4;
    GLuint queries[Ring] = {};
    bool pending[Ring] = {};
    int next = 0;
    double milliseconds = 0;  // the newest result read back
};

void CreateGpuTimer(GpuTimer &timer);
void DestroyGpuTimer(GpuTimer &timer);
void BeginGpuTimer(GpuTimer &timer);
// Ends the span and takes up any earlier span's result that is ready.
void EndGpuTimer(GpuTimer &timer);
