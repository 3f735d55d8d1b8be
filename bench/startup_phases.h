// Start-up through the layer, one phase at a time (named as summary keys):
// the window, the device, each mesh file, the glyph atlas, the first frame.
#pragma once

#include <string>
#include <vector>

struct StartupPhase {
    std::string name;
    double ms;
};

// Leaves the window, device and scene up, as the program's start-up does.
// False (with the failure reported on standard error) when a step fails.
bool StartUpTimed(std::vector<StartupPhase> &phases);
