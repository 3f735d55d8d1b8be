// Every culling method behind one switch, in the order of the lab's keys
// 1..6: the program's own pass, batched queries, last frames' results
// (temporal, with its lag), the depth pyramid on the GPU, the CPU
// rasteriser, and no culling.
#pragma once

#include <string>
#include <vector>

#include "methods/cpu_occlusion.h"
#include "methods/hiz_pyramid.h"
#include "methods/plain_gl_scene.h"
#include "methods/strategies.h"

enum class Method { Specified, Batched, Temporal, Hiz, Cpu, Off, Count };
const char *MethodName(Method method);  // "specified", "batched", "temporal", "hiz", "cpu", "off"

// The CPU method's threads. One: on the two shared cores measured, a second
// thread waited to be scheduled longer than it saved (the benchmark times
// the other count beside it, pass_ms_cpu_other_threads).
constexpr int CpuOcclusionThreads = 1;

struct Methods {
    BatchedQueries batched;
    TemporalQueries temporal;
    HizPyramid hiz;
    CpuOcclusion cpu;
};

// For scene.worlds.size() trees; rebuilt when the count changes.
bool CreateMethods(Methods &methods, GlScene &scene, std::string &error);
void DestroyMethods(Methods &methods);
// The forest rebuilt with `count` trees (ForestWorlds) and the methods with
// it; temporal's lag is kept.
bool RebuildForest(GlScene &scene, Methods &methods, int count, std::string &error);
std::vector<bool> RunMethod(Methods &methods, Method method, GlScene &scene, const D3DXMATRIX &viewProjection);
