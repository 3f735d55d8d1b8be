// Where a frame's time goes through the layer, along the program's own steps:
// the occlusion pass in its parts, the main scene in its parts, and
// presentation.
#pragma once

#include <vector>

// Milliseconds of each part of one frame. CPU time between glFinish
// boundaries: the wait in GetData is time the program's thread spends
// blocked, which only the CPU clock sees, and a boundary after each part
// charges the device's work to the part that issued it.
struct FrameBreakdown {
    double depthFill = 0;   // scene begun, cleared, every bounding mesh drawn
    double queryDraws = 0;  // Issue, the bounding mesh's draw, Issue, per tree
    double queryWait = 0;   // polling GetData until the count is there, per tree
    double passEnd = 0;     // the scene into the occlusion buffer ended
    double skyTerrain = 0;  // main scene begun, cleared, skybox and terrain
    double trees = 0;       // the visible trees
    double overlay = 0;     // the statistics text
    double present = 0;     // scene ended and presented
    int treesDrawn = 0;
    double Pass() const { return depthFill + queryDraws + queryWait + passEnd; }
    double Total() const { return Pass() + skyTerrain + trees + overlay + present; }
};

// The program's occlusion pass and main scene, each through the program's
// own steps, with clocks between the steps. Sets every tree's visible flag
// as the program's pass does; the caller checks that they agree.
FrameBreakdown RunFrameInParts();

// One whole frame through the layer with the program's own occlusion pass,
// without the statistics text (the plain OpenGL frame has none), timed from
// one boundary to the next. Returns milliseconds.
double RunLayerFrame();
