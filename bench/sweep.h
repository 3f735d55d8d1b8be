// Where culling starts to pay, and how each method's cost grows: the forest
// rebuilt at growing tree counts in two layouts, every method's frames along
// the camera path at each count, scored against the truth there.
//   same_area:        the program's square (TreeSpread), denser and denser;
//   constant_density: the square grows with the count, 300 trees to the
//                     program's square, so the view holds as many trees
//                     near the camera at every count.
// For each layout and method: the frame and the culling cost (submit + wait
// + GPU) at each count, the count above which its frame beats culling off's
// and frustum culling's, and the exponent of its cost's growth (the slope
// of log cost against log count).
#pragma once

#include <string>
#include <vector>

#include "methods/camera_path.h"
#include "methods/plain_context.h"

// Run after the layer's device has started (its context is current).
// Prints the machine, then sweep_... lines; the CSV has the machine in its
// first lines, then one row per layout, count and method. With `onError`,
// on a debug context whose errors go to it. Returns the process's exit
// status.
int RunSweep(const std::vector<CameraPose> &path, const std::string &pathName, unsigned seed,
             const std::string &csvPath, PlainGlErrorHandler onError);
