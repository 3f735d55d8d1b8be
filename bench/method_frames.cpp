#include "method_frames.h"

#include <cstring>

const Contender Contenders[] = {
    {"specified", Method::StopAndWait, 0}, {"off", Method::Off, 0},  {"batched", Method::Batched, 0},
    {"temporal", Method::Temporal, 1},     {"hiz", Method::Hiz, 0},  {"cpu", Method::Cpu, 0},
    {"temporal_lag2", Method::Temporal, 2}, {"temporal_lag3", Method::Temporal, 3},
};
const int ContenderCount = sizeof Contenders / sizeof Contenders[0];

int ContenderIndex(const char *name) {
    for (int k = 0; k < ContenderCount; ++k)
        if (strcmp(Contenders[k].name, name) == 0) return k;
    return -1;
}

bool CreateContenders(ContenderStates &states, GlScene &scene, std::string &error) {
    states.methods.resize(ContenderCount);
    for (int k = 0; k < ContenderCount; ++k) {
        if (!CreateMethods(states.methods[k], scene, error)) return false;
        if (Contenders[k].lag) states.methods[k].temporal.lag = Contenders[k].lag;
    }
    return true;
}

void RestartContenders(ContenderStates &states) {
    for (Methods &methods : states.methods) RestartTemporalQueries(methods.temporal);
}

TimedFrame RunContenderFrame(ContenderStates &states, int k, GlScene &scene, const D3DXMATRIX &viewProjection) {
    return RunTimedFrame(states.methods[k], Contenders[k].method, scene, viewProjection);
}

TimedFrame RunTimedFrame(Methods &methods, Method method, GlScene &scene, const D3DXMATRIX &viewProjection) {
    TimedFrame result;
    CullTimer timer;
    FinishGpu();
    Clock::time_point start = Clock::now();
    result.flags = CullTrees(methods, method, scene, viewProjection, timer);
    Clock::time_point flagsKnown = Clock::now();
    MainSceneGl(scene, viewProjection, result.flags);
    FinishGpu();
    result.pass = Milliseconds(start, flagsKnown);
    result.frame = Milliseconds(start, Clock::now());
    return result;
}
