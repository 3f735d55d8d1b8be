#include "method_frames.h"

#include <cstring>

const std::vector<Contender> Contenders = {
    {"stop_and_wait", Method::StopAndWait, 0, 0},
    {"batched", Method::Batched, 0, 0},
    {"temporal", Method::Temporal, 1, 0},
    {"temporal_lag2", Method::Temporal, 2, 0},
    {"temporal_lag3", Method::Temporal, 3, 0},
    {"hiz", Method::Hiz, 0, 0},
    {"cpu", Method::Cpu, 0, CpuOcclusionThreads},
    {"cpu_other_threads", Method::Cpu, 0, CpuOcclusionThreads == 1 ? 2 : 1},
    {"frustum", Method::Frustum, 0, 0},
    {"off", Method::Off, 0, 0},
};

int ContenderIndex(const char *name) {
    for (size_t k = 0; k < Contenders.size(); ++k)
        if (strcmp(Contenders[k].name, name) == 0) return (int)k;
    return -1;
}

bool CreateContenders(ContenderStates &states, GlScene &scene, std::string &error) {
    states.methods.resize(Contenders.size());
    states.timers.resize(Contenders.size());
    for (size_t k = 0; k < Contenders.size(); ++k) {
        Methods &methods = states.methods[k];
        if (!CreateMethods(methods, scene, error)) return false;
        if (Contenders[k].lag) methods.temporal.lag = Contenders[k].lag;
        if (Contenders[k].cpuThreads && !CreateCpuOcclusion(methods.cpu, scene, Contenders[k].cpuThreads, error))
            return false;
    }
    return true;
}

void DestroyContenders(ContenderStates &states) {
    for (Methods &methods : states.methods) DestroyMethods(methods);
    for (CullTimer &timer : states.timers) DestroyCullTimer(timer);
    states = ContenderStates();
}

void WarmContenders(ContenderStates &states, GlScene &scene, const D3DXMATRIX &viewProjection) {
    for (size_t k = 0; k < Contenders.size(); ++k) {
        RestartMethods(states.methods[k]);
        for (int frame = 0; frame <= MaxQueryLag; ++frame) {
            DrawFrame(states.methods[k], Contenders[k].method, scene, viewProjection, states.timers[k]);
            FinishGpu();
        }
    }
}

MethodFigures RunMethodFrame(Methods &methods, Method method, CullTimer &timer, GlScene &scene,
                             const D3DXMATRIX &viewProjection) {
    MethodFigures figures;
    FinishGpu();
    Clock::time_point start = Clock::now();
    figures.drawn = DrawFrame(methods, method, scene, viewProjection, timer);
    FinishGpu();
    figures.times.frame = Milliseconds(start, Clock::now());
    figures.times.submit = timer.submit;
    figures.times.wait = timer.waited;
    figures.times.gpu = CullGpuMilliseconds(timer);
    return figures;
}

MethodFigures RunContenderFrame(ContenderStates &states, int k, GlScene &scene, const D3DXMATRIX &viewProjection) {
    return RunMethodFrame(states.methods[k], Contenders[k].method, states.timers[k], scene, viewProjection);
}
