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
};

// False with the reason on standard error when the file cannot be written.
bool WriteFrameCsv(const std::string &path, const std::vector<FrameRow> &rows);
