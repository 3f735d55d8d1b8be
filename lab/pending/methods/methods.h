#pragma once
#include <string>
#include <vector>
#include "methods/cpu_occlusion.h"
#include "methods/hiz_pyramid.h"
#include "methods/strategies.h"
enum class Method { Specified, Batched, Temporal, Hiz, Cpu, Off, Count };
const char *MethodName(Method method);
struct Methods {
    BatchedQueries batched;
    TemporalQueries temporal;
    HizPyramid hiz;
    CpuOcclusion cpu;
};
bool CreateMethods(Methods &methods, GlScene &scene, std::string &error);
void DestroyMethods(Methods &methods);
std::vector<bool> RunMethod(Methods &methods, Method method, GlScene &scene, const D3DXMATRIX &viewProjection);
