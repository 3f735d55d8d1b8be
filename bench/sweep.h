// Where culling starts to pay: the forest rebuilt with 30 .. 10 000 trees
// (the same area, placement rules and seed), every method's frame against
// no culling at each count along the camera path, and the count above which
// each method's frame is the faster.
#pragma once

#include <string>

// Run after the layer's device has started (the path's matrices come from
// its camera). Prints sweep_... lines; one CSV row per count and method.
// Returns the process's exit status.
int RunSweep(int frames, const std::string &csvPath);
