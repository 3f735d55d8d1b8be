// The benchmark's contenders (every culling method, and the temporal one
// also with its answers two and three frames late), each taking its turn on
// every frame of the path in plain OpenGL, timed and scored.
#pragma once

#include <vector>

#include "methods/methods.h"
#include "methods/score.h"

struct Contender {
    const char *name;  // in the summary keys
    Method method;
    int lag;           // the temporal method's lag; 0 for the others
};
// In the order they run on each frame.
extern const Contender Contenders[];
extern const int ContenderCount;
int ContenderIndex(const char *name);

// One contender's frame: the time until its flags are known (when the main
// scene can start) and the whole frame, in ms; its flags against the
// program's pass through the layer and against the truth.
struct MethodFigures {
    double pass = 0, frame = 0;
    FrameScore score;
};

// Each contender's own state (its queries and buffers) on one scene.
struct ContenderStates {
    std::vector<Methods> methods;  // one per contender
};
bool CreateContenders(ContenderStates &states, GlScene &scene, std::string &error);
// Results in flight are forgotten: the temporal ones start afresh.
void RestartContenders(ContenderStates &states);

// Contender k's frame for the camera: culled, then the main scene drawn with
// its flags; timed between boundaries.
struct TimedFrame {
    double pass = 0, frame = 0;
    std::vector<bool> flags;
};
TimedFrame RunTimedFrame(Methods &methods, Method method, GlScene &scene, const D3DXMATRIX &viewProjection);
TimedFrame RunContenderFrame(ContenderStates &states, int k, GlScene &scene, const D3DXMATRIX &viewProjection);
