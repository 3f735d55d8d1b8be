// The program's own frame through the layer, measured: with culling on and
// off, taken apart along the program's own steps, whole without the
// statistics text, and the occlusion pass alone.
#pragma once

#include <d3dx9.h>

#include <vector>

#include "methods/camera_path.h"

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
};

struct FrameTimes {
    double occlusion = 0, main = 0;  // ms: the pass (or its stand-in with culling off), the rest
    int trees = 0;
};

// The program's camera put at the pose and its frame's matrices set on the
// device (UpdateCamera with no key held).
void PlaceProgramCamera(const CameraPose &pose);
// The device's view times projection, and every tree's visible flag.
D3DXMATRIX ProgramViewProjection();
std::vector<bool> ProgramFlags();

// The program's frame for the camera set, culling on, or off (every tree
// drawn, the pass skipped).
FrameTimes RunProgramFrame(bool culling);
// The same frame through the program's own steps, with clocks between the
// steps; sets every tree's flag as the pass does.
FrameBreakdown RunFrameInParts();
// One whole frame without the statistics text (the plain OpenGL frame has
// none), from one boundary to the next; milliseconds.
double RunLayerFrame();
// The occlusion pass alone, between boundaries; milliseconds.
double RunPassAlone();
