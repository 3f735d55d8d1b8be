// One frame's figures along the path, and their CSV file.
#pragma once

#include <string>
#include <vector>

struct FrameRow {
    int frame = 0;
    int treesExact = 0;
    // Through the layer, the program's own frame in parts (frame_breakdown.h).
    double depthFill = 0, queryDraws = 0, queryWait = 0, passEnd = 0;
    double skyTerrain = 0, trees = 0, overlay = 0, present = 0;
    // Through the layer without the statistics text, and the same in OpenGL.
    double layerFrame = 0, glFrame = 0;
    // Plain OpenGL: each method's time until its flags are known, and its
    // whole frame; culling off draws every tree.
    double programPass = 0, programFrame = 0;
    double batchedPass = 0, batchedFrame = 0;
    int batchedDiffering = 0;
    double temporalPass = 0, temporalFrame = 0;
    int temporalDrawn = 0, temporalWronglyCulled = 0, temporalWronglyDrawn = 0;
    double hizPass = 0, hizFrame = 0;
    int hizDrawn = 0, hizMissed = 0, hizExtra = 0;
    double offFrame = 0;
    // The CPU rasteriser: its times, and its flags against the program's pass.
    double cpuPass = 0, cpuFrame = 0, cpuPassOtherThreads = 0;
    int cpuDrawn = 0, cpuMissed = 0, cpuExtra = 0;
    // Against the truth (trees showing a pixel with every tree drawn): the
    // visible trees each method culled, their pixels, the hidden trees it drew.
    int truthVisible = 0;
    int specifiedMissedTruth = 0, specifiedMissedPixels = 0, specifiedWasted = 0;
    int batchedMissedTruth = 0, batchedMissedPixels = 0, batchedWasted = 0;
    int temporalMissedTruth = 0, temporalMissedPixels = 0, temporalWasted = 0;
    int hizMissedTruth = 0, hizMissedPixels = 0, hizWasted = 0;
    int cpuMissedTruth = 0, cpuMissedPixels = 0, cpuWasted = 0;
    // Query results used two and three frames late (temporal is one).
    double lag2Frame = 0, lag3Frame = 0;
    int lag2MissedTruth = 0, lag2MissedPixels = 0, lag2Wasted = 0;
    int lag3MissedTruth = 0, lag3MissedPixels = 0, lag3Wasted = 0;
};

// False with the reason on standard error when the file cannot be written.
bool WriteFrameCsv(const std::string &path, const std::vector<FrameRow> &rows);
