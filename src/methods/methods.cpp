#include "methods/methods.h"

#include "methods/forest.h"

#include <algorithm>

namespace {

const MethodInfo Infos[MethodCount] = {
    {"stop_and_wait", "stop-and-wait (the program's pass)",
     "One occlusion query per tree, each awaited before the next is issued.", true, false, false},
    {"batched", "batched queries", "Every tree's query issued after the depth fill, then all read: one wait.", true,
     false, false},
    {"temporal", "temporal (last frames' answers)",
     "This frame's queries issued, the answers of a frame or more ago used at once: no wait, but late.", true, false,
     false},
    {"conditional", "conditional rendering",
     "Each tree's query issued as stop-and-wait issues it, and its mesh drawn on the query's result by the GPU "
     "(glBeginConditionalRender): the CPU never waits, the GPU does.",
     true, true, false},
    {"chc", "coherent hierarchical (CHC++)",
     "Last frame's visible trees drawn first and re-queried only now and then; hidden cells and trees queried "
     "in batches against the frame's real depth, answers read as they come.",
     false, true, true},
    {"hiz", "depth pyramid (GPU)",
     "A max-depth pyramid built from the bounding meshes by compute shaders; each box tested against it.", true, false,
     false},
    {"twophase", "two-phase depth pyramid (GPU)",
     "Last frame's visible trees drawn first; a depth pyramid of that real depth (trees and terrain); every box "
     "tested against it, and the newly visible drawn.",
     false, true, false},
    {"gpudriven", "GPU-driven (indirect draws)",
     "The two phases on the GPU: compute shaders cull into lists of trees drawn by indirect draws; the CPU reads "
     "nothing back.",
     false, true, false},
    {"cpu", "CPU rasteriser",
     "The bounding meshes rasterised in software at the occlusion buffer's size; each box tested against that depth.",
     false, false, true},
    {"cpu_inner", "CPU rasteriser, inner occluders",
     "The trees' inner occluders (pieces of trunk and crown that lie inside each tree) rasterised in software; "
     "each box tested against that depth: it culls only what the trees themselves hide.",
     false, false, true},
    {"frustum", "frustum only",
     "Each tree's box against the six planes of the view: what culling gets without occlusion.", false, false, true},
    {"off", "culling off", "Every tree drawn: the cost that culling saves.", false, false, false},
};

}  // namespace

std::vector<bool> FrustumPass(const GlScene &scene, const D3DXMATRIX &viewProjection, const ForestGrid *grid) {
    std::vector<bool> visible(scene.worlds.size(), false);
    for (uint32_t i : grid ? TreesInViewCells(*grid, viewProjection) : EveryTree(scene.worlds.size()))
        visible[i] = !BoxOutsideFrustum(scene.tree.bounds, scene.worlds[i] * viewProjection);
    return visible;
}

const MethodInfo &DescribeMethod(Method method) { return Infos[(int)method]; }

bool MethodNamed(const std::string &name, Method &method) {
    for (int m = 0; m < MethodCount; ++m)
        if (name == Infos[m].name) {
            method = (Method)m;
            return true;
        }
    return false;
}

bool CreateMethod(Methods &methods, Method method, GlScene &scene, std::string &error) {
    if (methods.made[(int)method]) return true;
    methods.made[(int)method] = true;
    if (Infos[(int)method].usesGrid && methods.grid.cellOf.size() != scene.worlds.size())
        BuildForestGrid(methods.grid, scene);
    size_t trees = scene.worlds.size();
    switch (method) {
    case Method::StopAndWait: CreateTreeQueries(methods.stopAndWait, trees); return true;
    case Method::Batched: CreateTreeQueries(methods.batched, trees); return true;
    case Method::Temporal: CreateTemporalQueries(methods.temporal, trees); return true;
    case Method::Conditional: CreateConditionalRendering(methods.conditional, trees); return true;
    case Method::Chc: return CreateCoherentCulling(methods.chc, methods.grid, error);
    case Method::Hiz: return CreateHizPyramid(methods.hiz, trees, error);
    case Method::TwoPhase: return CreateTwoPhase(methods.twoPhase, scene, error);
    case Method::GpuDriven: return CreateGpuDriven(methods.gpuDriven, scene, error);
    case Method::Cpu: return CreateCpuOcclusion(methods.cpu, scene, CpuOcclusionThreads, error);
    case Method::CpuInner:
        return CreateCpuOcclusion(methods.cpuInner, scene, CpuOcclusionThreads, error, &scene.occluder);
    case Method::Frustum:
    case Method::Off:
    case Method::Count: break;
    }
    return true;
}

bool CreateMethods(Methods &methods, GlScene &scene, std::string &error) {
    for (int m = 0; m < MethodCount; ++m)
        if (!CreateMethod(methods, (Method)m, scene, error)) return false;
    return true;
}

void DestroyMethods(Methods &methods) {
    int lag = methods.temporal.lag;
    bool wait = methods.conditional.wait;
    DestroyTreeQueries(methods.stopAndWait);
    DestroyTreeQueries(methods.batched);
    DestroyTemporalQueries(methods.temporal);
    DestroyConditionalRendering(methods.conditional);
    DestroyCoherentCulling(methods.chc);
    DestroyHizPyramid(methods.hiz);
    DestroyTwoPhase(methods.twoPhase);
    DestroyGpuDriven(methods.gpuDriven);
    DestroyCpuOcclusion(methods.cpu);
    DestroyCpuOcclusion(methods.cpuInner);
    methods.grid = ForestGrid();
    methods.temporal.lag = lag;  // settings, kept across a rebuild
    methods.conditional.wait = wait;
    std::fill(methods.made, methods.made + MethodCount, false);
}

bool RebuildForest(GlScene &scene, Methods &methods, int count, unsigned seed, float spread, std::string &error) {
    bool made[MethodCount];
    std::copy(methods.made, methods.made + MethodCount, made);
    DestroyMethods(methods);
    scene.worlds = ForestWorlds(count, seed, spread);
    UploadWorlds(scene);
    for (int m = 0; m < MethodCount; ++m)
        if (made[m] && !CreateMethod(methods, (Method)m, scene, error)) return false;
    return true;
}

void RestartMethods(Methods &methods) {
    RestartTemporalQueries(methods.temporal);
    RestartConditionalRendering(methods.conditional);
    RestartCoherentCulling(methods.chc);
    RestartTwoPhase(methods.twoPhase);
    RestartGpuDriven(methods.gpuDriven);
}

const DepthPyramid *MethodPyramid(const Methods &methods, Method method) {
    if (method == Method::Hiz) return &methods.hiz.pyramid;
    if (method == Method::TwoPhase) return &methods.twoPhase.pyramid;
    if (method == Method::GpuDriven) return &methods.gpuDriven.pyramid;
    return nullptr;
}

std::vector<bool> CullTrees(Methods &methods, Method method, GlScene &scene, const D3DXMATRIX &viewProjection,
                            CullTimer &timer) {
    switch (method) {
    case Method::StopAndWait: return StopAndWaitPass(scene, methods.stopAndWait, viewProjection, timer);
    case Method::Batched: return BatchedPass(scene, methods.batched, viewProjection, timer);
    case Method::Temporal: return TemporalPass(scene, methods.temporal, viewProjection, timer);
    case Method::Chc: return CoherentCullingFrame(methods.chc, methods.grid, scene, viewProjection, timer);
    case Method::Hiz: return HizPass(scene, methods.hiz, viewProjection, timer);
    case Method::Conditional: ConditionalFrame(scene, methods.conditional, viewProjection, timer); return {};
    case Method::TwoPhase: return TwoPhaseFrame(scene, methods.twoPhase, viewProjection, timer);
    case Method::GpuDriven: GpuDrivenFrame(scene, methods.gpuDriven, viewProjection, timer); return {};
    case Method::Cpu: return CpuPass(methods.cpu, scene, viewProjection, &methods.grid);
    case Method::CpuInner: return CpuPass(methods.cpuInner, scene, viewProjection, &methods.grid);
    case Method::Frustum: return FrustumPass(scene, viewProjection, &methods.grid);
    case Method::Off:
    case Method::Count: break;
    }
    return std::vector<bool>(scene.worlds.size(), true);
}

std::vector<bool> DrawFrame(Methods &methods, Method method, GlScene &scene, const D3DXMATRIX &viewProjection,
                            CullTimer &timer) {
    StartCullFrame(timer);
    BeginCulling(timer);
    std::vector<bool> flags = CullTrees(methods, method, scene, viewProjection, timer);
    EndCulling(timer);
    if (!DescribeMethod(method).drawsItsFrame) MainSceneGl(scene, viewProjection, flags);
    return flags;
}

void SettleMethod(Methods &methods, Method method, GlScene &scene, const D3DXMATRIX &viewProjection, CullTimer &timer) {
    for (int frame = 0; frame < SettleFrames; ++frame) {
        DrawFrame(methods, method, scene, viewProjection, timer);
        FinishGpu();
    }
}

std::vector<bool> DrawnTrees(Methods &methods, Method method, const GlScene &scene, std::vector<bool> returned) {
    if (!returned.empty() || scene.worlds.empty()) return returned;
    if (method == Method::GpuDriven) return ReadGpuDrivenDrawn(methods.gpuDriven, scene.worlds.size());
    if (method == Method::Conditional) return ConditionalTreesDrawn(methods.conditional);
    return std::vector<bool>(scene.worlds.size(), false);
}
