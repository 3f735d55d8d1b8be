// Every culling method behind one switch, in the order of the lab's keys
// 1, 2, ..., with what the benchmark, the lab and the docs say of each.
//
// Adding a method: its files (its state, Create/Destroy, and a pass that
// returns one flag per tree, or draws the frame itself), an entry in Method
// and in the table in methods.cpp, its state in Methods, and its cases in
// CreateMethod, DestroyMethods (and RestartMethods if it keeps state from
// frame to frame) and CullTrees. The benchmark, its CSV and summary, the
// sweep, the plots and the lab's list and keys follow the table.
#pragma once

#include <string>
#include <vector>

#include "methods/coherent_culling.h"
#include "methods/conditional_rendering.h"
#include "methods/cpu_occlusion.h"
#include "methods/forest_grid.h"
#include "methods/gpu_driven.h"
#include "methods/hiz_pyramid.h"
#include "methods/plain_gl_scene.h"
#include "methods/query_methods.h"
#include "methods/timing.h"
#include "methods/two_phase.h"

enum class Method {
    StopAndWait, Batched, Temporal, Conditional, Chc, Hiz, TwoPhase, GpuDriven, Cpu, CpuInner, Frustum, Off, Count
};
constexpr int MethodCount = (int)Method::Count;

struct MethodInfo {
    const char *name;   // in summary keys, CSV columns, plots and the lab's announcements
    const char *label;  // in the lab's list
    const char *help;   // one sentence on what it does
    bool fillsOcclusionBuffer;  // draws the bounding meshes into the occlusion buffer
    bool drawsItsFrame;         // draws the main scene as it culls, rather than returning flags to draw with
    bool usesGrid;              // visits the forest's grid (made with the method's state)
};
const MethodInfo &DescribeMethod(Method method);
inline const char *MethodName(Method method) { return DescribeMethod(method).name; }
// The method of that name; false when there is none.
bool MethodNamed(const std::string &name, Method &method);

// Frames a method needs on a still camera before its answers are its
// settled ones: temporal's longest lag, chc's re-query interval and its
// first visits.
constexpr int SettleFrames = 8;

// The CPU method's threads. One: on the two shared cores measured, a second
// thread waited to be scheduled longer than it saved (the benchmark times
// the other count beside it, the contender cpu_other_threads).
constexpr int CpuOcclusionThreads = 1;

struct Methods {
    ForestGrid grid;  // the scene's forest in cells, for the methods that use it (built with the first)
    TreeQueries stopAndWait, batched;
    TemporalQueries temporal;
    ConditionalRendering conditional;
    CoherentCulling chc;
    HizPyramid hiz;
    TwoPhase twoPhase;
    GpuDriven gpuDriven;
    CpuOcclusion cpu, cpuInner;  // the bounding meshes as occluders, and the trees' inner occluders
    bool made[MethodCount] = {};  // which methods' state exists
};

// The state of one method, for scene.worlds.size() trees, made when it is
// first asked for (a method already made is left as it is), so that a run
// at many trees holds only the state of the methods it runs.
bool CreateMethod(Methods &methods, Method method, GlScene &scene, std::string &error);
// Every method's state.
bool CreateMethods(Methods &methods, GlScene &scene, std::string &error);
void DestroyMethods(Methods &methods);
// The forest rebuilt with `count` trees (ForestWorlds from `seed` over a
// square of half-side `spread`) and the methods that were made with it;
// temporal's lag and conditional rendering's mode are kept.
bool RebuildForest(GlScene &scene, Methods &methods, int count, unsigned seed, float spread, std::string &error);
// Results in flight, and what was visible, belong to another camera or
// forest: forgotten.
void RestartMethods(Methods &methods);
// The depth pyramid the method built last, or null for a method without one.
const DepthPyramid *MethodPyramid(const Methods &methods, Method method);

// Which trees to draw this frame: one flag per tree. Its waits are taken
// out of `timer`'s spans; the caller spans its work. A method that draws its
// frame (drawsItsFrame) draws it here, the spans around its own drawing
// ended, and returns the trees it drew (none when they stay on the GPU).
std::vector<bool> CullTrees(Methods &methods, Method method, GlScene &scene, const D3DXMATRIX &viewProjection,
                            CullTimer &timer);
// One frame with the method: its culling timed by `timer` (StartCullFrame,
// then spans around its work only) and the main scene drawn with the trees
// it keeps. Returns one flag per tree: drawn; none for a method whose choice
// stays on the GPU (DrawnTrees reads it once the frame is done).
std::vector<bool> DrawFrame(Methods &methods, Method method, GlScene &scene, const D3DXMATRIX &viewProjection,
                            CullTimer &timer);
// SettleFrames frames with the method on one camera, each finished: its
// answers are then its settled ones.
void SettleMethod(Methods &methods, Method method, GlScene &scene, const D3DXMATRIX &viewProjection, CullTimer &timer);
// The trees the last frame drew: the flags DrawFrame returned, or, when it
// returned none (the GPU chose: conditional rendering, GPU-driven culling),
// read back from the GPU, which waits for the frame: call it after the
// frame's timing.
std::vector<bool> DrawnTrees(Methods &methods, Method method, const GlScene &scene, std::vector<bool> returned);
// The frustum method: trees whose own box is not wholly outside the view.
// With a grid, only the trees of cells not wholly outside it are tested
// (the flags are the same).
std::vector<bool> FrustumPass(const GlScene &scene, const D3DXMATRIX &viewProjection, const ForestGrid *grid);
