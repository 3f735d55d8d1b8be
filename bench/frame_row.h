// One frame's figures along the path, and their CSV file.
#pragma once

#include <string>
#include <vector>

// One method's frame in plain OpenGL: its time until the flags are known
// and its whole frame; its flags against the program's exact pass; and
// against the truth (trees showing a pixel with every tree drawn), the
// visible trees it culled, their pixels and the hidden trees it drew.
struct MethodScore {
    double pass = 0, frame = 0;
    int drawn = 0, wronglyCulled = 0, wronglyDrawn = 0, differing = 0;
    int missedTruth = 0, missedPixels = 0, wasted = 0;
};

struct FrameRow {
    int frame = 0;
    int treesExact = 0;
    // Through the layer, the program's own frame in parts (frame_breakdown.h).
    double depthFill = 0, queryDraws = 0, queryWait = 0, passEnd = 0;
    double skyTerrain = 0, trees = 0, overlay = 0, present = 0;
    // Through the layer without the statistics text, and the same in OpenGL.
    double layerFrame = 0, glFrame = 0;
    // Plain OpenGL, each method; the temporal one also with its query
    // results used two and three frames late (lag2, lag3).
    MethodScore specified, batched, temporal, hiz, cpu, lag2, lag3;
    double offFrame = 0;              // culling off: every tree drawn
    double cpuPassOtherThreads = 0;   // the CPU pass on its other thread count
    int truthVisible = 0;
};

// False with the reason on standard error when the file cannot be written.
bool WriteFrameCsv(const std::string &path, const std::vector<FrameRow> &rows);
