#include "method_frames.h"

#include <cstring>

namespace {

// Every method of the table in its order, the variants after their method.
std::vector<Contender> AllContenders() {
    std::vector<Contender> contenders;
    for (int m = 0; m < MethodCount; ++m) {
        Method method = (Method)m;
        contenders.push_back({MethodName(method), method, method == Method::Temporal ? 1 : 0,
                              method == Method::Cpu ? CpuOcclusionThreads : 0, false});
        if (method == Method::Temporal) {
            contenders.push_back({"temporal_lag2", method, 2, 0, false});
            contenders.push_back({"temporal_lag3", method, 3, 0, false});
        }
        if (method == Method::Conditional) contenders.push_back({"conditional_no_wait", method, 0, 0, true});
        if (method == Method::Cpu)
            contenders.push_back({"cpu_other_threads", method, 0, CpuOcclusionThreads == 1 ? 2 : 1, false});
    }
    return contenders;
}

}  // namespace

const std::vector<Contender> Contenders = AllContenders();

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
        if (!CreateMethod(methods, Contenders[k].method, scene, error)) return false;
        if (Contenders[k].lag) methods.temporal.lag = Contenders[k].lag;
        if (Contenders[k].noWait) methods.conditional.wait = false;
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
        SettleMethod(states.methods[k], Contenders[k].method, scene, viewProjection, states.timers[k]);
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
    figures.drawn = DrawnTrees(methods, method, scene, figures.drawn);
    figures.times.submit = timer.submit;
    figures.times.wait = timer.waited;
    figures.times.gpu = CullGpuMilliseconds(timer);
    return figures;
}

MethodFigures RunContenderFrame(ContenderStates &states, int k, GlScene &scene, const D3DXMATRIX &viewProjection) {
    return RunMethodFrame(states.methods[k], Contenders[k].method, states.timers[k], scene, viewProjection);
}
