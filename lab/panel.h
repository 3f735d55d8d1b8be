// The lab's window layout and its ImGui windows: the controls and numbers
// on the right, what the method saw along the bottom, the scene in the rest.
#pragma once

#include "lab/lab.h"

struct LabLayout {
    int sceneX = 0, sceneY = 0, sceneWidth = 0, sceneHeight = 0;  // 4:3, top left
    int panelX = 0, panelWidth = 0;                                 // full height, right
    int stripY = 0, stripHeight = 0, insetWidth = 0, insetHeight = 0;
    int height = 0;
};

LabLayout LayOut(int width, int height);

// The key on the digit row that picks method m (1 .. 9, 0, -, = for the
// first twelve), by its name as SDL knows it; "" for a method without one.
const char *MethodKeyName(int m);

// What the user asked for through the panel this frame (applied by the caller).
struct PanelRequests {
    int method = -1;  // a Method, or -1
    int freeze = -1;  // 0 or 1, or -1
    int trees = 0;    // a new tree count, or 0
    int lag = 0;      // the temporal method's new lag in frames, or 0
    int wait = -1;    // conditional rendering's mode: 1 wait for the queries, 0 not, or -1
};

void DrawPanel(Lab &lab, const LabLayout &layout, PanelRequests &requests);
void DrawInsets(Lab &lab, const LabLayout &layout, const D3DXMATRIX &viewer);
