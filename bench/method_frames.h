// The benchmark's contenders (every culling method; the temporal one also
// with its answers two and three frames late, conditional rendering also
// without waiting for the queries, the CPU one also on its other thread
// count), each taking its turn on every frame of the path in
// plain OpenGL, timed by the one timing model (methods/timing.h) and scored.
#pragma once

#include <vector>

#include "methods/methods.h"
#include "methods/score.h"

struct Contender {
    const char *name;  // the M of its summary keys and CSV columns
    Method method;
    int lag;           // the temporal method's lag; 0 for the others
    int cpuThreads;    // the CPU method's threads; 0 for the others
    bool noWait;       // conditional rendering with GL_QUERY_NO_WAIT
};
// In the order they run on each frame: the methods' table (stop_and_wait
// first, the reference), each variant after its method.
extern const std::vector<Contender> Contenders;
int ContenderIndex(const char *name);

// One contender's frame: its times, the trees it drew, and its scores
// against the truth and the reference (plain OpenGL's stop-and-wait flags
// of the same frame); pops are counted against the previous frame.
struct MethodFigures {
    MethodTimes times;
    std::vector<bool> drawn;
    FrameScore score;
    int pops = 0;
};

// Each contender's own state (its queries and buffers) and timer on one scene.
struct ContenderStates {
    std::vector<Methods> methods;
    std::vector<CullTimer> timers;
};
bool CreateContenders(ContenderStates &states, GlScene &scene, std::string &error);
void DestroyContenders(ContenderStates &states);
// Each contender run on the camera, frame after frame, until every answer
// it uses was asked for on this camera (the lags filled): no frame of the
// path is then a warm-up.
void WarmContenders(ContenderStates &states, GlScene &scene, const D3DXMATRIX &viewProjection);

// Contender k's frame for the camera, timed between boundaries; the trees
// it drew are read after the timed frame (DrawnTrees).
MethodFigures RunContenderFrame(ContenderStates &states, int k, GlScene &scene, const D3DXMATRIX &viewProjection);
// A method's frame on its own state and timer, the same way.
MethodFigures RunMethodFrame(Methods &methods, Method method, CullTimer &timer, GlScene &scene,
                             const D3DXMATRIX &viewProjection);
