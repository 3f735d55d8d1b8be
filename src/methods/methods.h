// Every culling method behind one switch, in the order of the lab's keys
// 1, 2, ..., with what the benchmark, the lab and the docs say of each.
//
// Adding a method: its files (its state, Create/Destroy, and a pass that
// returns one flag per tree, or draws the frame itself), an entry in Method
// and in the table in methods.cpp, its state in Methods, and its case in
// CreateMethods, DestroyMethods and CullTrees (or DrawFrame, and
// ReadDrawnTrees when the GPU chooses what is drawn). The benchmark,
// its CSV and summary, the sweep, the plots and the lab's list follow the
// table.
#pragma once

#include <string>
#include <vector>

#include "methods/conditional_rendering.h"
#include "methods/cpu_occlusion.h"
#include "methods/hiz_pyramid.h"
#include "methods/plain_gl_scene.h"
#include "methods/query_methods.h"
#include "methods/timing.h"

enum class Method { StopAndWait, Batched, Temporal, Conditional, Hiz, Cpu, CpuInner, Frustum, Off, Count };
constexpr int MethodCount = (int)Method::Count;

struct MethodInfo {
    const char *name;   // in summary keys, CSV columns, plots and the lab's announcements
    const char *label;  // in the lab's list
    const char *help;   // one sentence on what it does
    bool fillsOcclusionBuffer;  // draws the bounding meshes into the occlusion buffer
};
const MethodInfo &DescribeMethod(Method method);
inline const char *MethodName(Method method) { return DescribeMethod(method).name; }
// The method of that name; false when there is none.
bool MethodNamed(const std::string &name, Method &method);

// The CPU method's threads. One: on the two shared cores measured, a second
// thread waited to be scheduled longer than it saved (the benchmark times
// the other count beside it, the contender cpu_other_threads).
constexpr int CpuOcclusionThreads = 1;

struct Methods {
    TreeQueries stopAndWait, batched;
    TemporalQueries temporal;
    ConditionalRendering conditional;
    HizPyramid hiz;
    CpuOcclusion cpu, cpuInner;  // the bounding meshes as occluders, and the trees' inner occluders
};

// For scene.worlds.size() trees; rebuilt when the count changes.
bool CreateMethods(Methods &methods, GlScene &scene, std::string &error);
void DestroyMethods(Methods &methods);
// The forest rebuilt with `count` trees (ForestWorlds from `seed`) and the
// methods with it; temporal's lag and conditional rendering's mode are kept.
bool RebuildForest(GlScene &scene, Methods &methods, int count, unsigned seed, std::string &error);
// Results in flight belong to another camera or forest: forgotten.
void RestartMethods(Methods &methods);

// Which trees to draw this frame: one flag per tree. Its waits are taken
// out of `timer`'s spans; the caller spans its work. Conditional rendering
// culls nothing on the CPU: the GPU decides in its frame (DrawFrame).
std::vector<bool> CullTrees(Methods &methods, Method method, GlScene &scene, const D3DXMATRIX &viewProjection,
                            CullTimer &timer);
// One frame with the method: its culling timed by `timer` (StartCullFrame,
// then spans around its work only) and the main scene drawn with the trees
// it keeps. Returns one flag per tree: drawn, or, for conditional
// rendering, submitted (every tree) until ReadDrawnTrees.
std::vector<bool> DrawFrame(Methods &methods, Method method, GlScene &scene, const D3DXMATRIX &viewProjection,
                            CullTimer &timer);
// After the frame, outside its timing (it waits for the frame to execute):
// the flags DrawFrame returned made the trees really drawn, where the GPU
// chose them (conditional rendering); others' flags stand.
void ReadDrawnTrees(Methods &methods, Method method, std::vector<bool> &flags);
