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

// The CPU method's threads: two, one per core of the machine measured.
constexpr int CpuOcclusionThreads = 2;

struct Methods {
    BatchedQueries batched;
    TemporalQueries temporal;
    HizPyramid hiz;
    CpuOcclusion cpu;
};

// For scene.worlds.size() trees; rebuilt when the count changes.
bool CreateMethods(Methods &methods, GlScene &scene, std::string &error);
void DestroyMethods(Methods &methods);
std::vector<bool> RunMethod(Methods &methods, Method method, GlScene &scene, const D3DXMATRIX &viewProjection);
