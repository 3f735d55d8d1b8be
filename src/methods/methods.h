// Every culling method behind one switch, in the order of the lab's keys
// 1..6, with what the benchmark, the lab and the docs say of each.
#pragma once

#include <string>
#include <vector>

#include "methods/cpu_occlusion.h"
#include "methods/hiz_pyramid.h"
#include "methods/plain_gl_scene.h"
#include "methods/query_methods.h"
#include "methods/timing.h"

enum class Method { StopAndWait, Batched, Temporal, Hiz, Cpu, Off, Count };
constexpr int MethodCount = (int)Method::Count;

struct MethodInfo {
    const char *name;   // in summary keys, CSV columns and the lab's announcements
    const char *label;  // in the lab's list
    const char *help;   // one sentence on what it does
    bool fillsOcclusionBuffer;  // draws the bounding meshes into the occlusion buffer
};
const MethodInfo &DescribeMethod(Method method);
inline const char *MethodName(Method method) { return DescribeMethod(method).name; }

// The CPU method's threads. One: on the two shared cores measured, a second
// thread waited to be scheduled longer than it saved (the benchmark times
// the other count beside it, pass_ms_cpu_other_threads).
constexpr int CpuOcclusionThreads = 1;

struct Methods {
    TreeQueries stopAndWait, batched;
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
// Which trees to draw this frame: one flag per tree. The time it spends
// blocked on the GPU's answers is added to `timer`.
std::vector<bool> CullTrees(Methods &methods, Method method, GlScene &scene, const D3DXMATRIX &viewProjection,
                            CullTimer &timer);
