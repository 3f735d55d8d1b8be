#include "methods/methods.h"

#include "methods/forest.h"

namespace {

const MethodInfo Infos[MethodCount] = {
    {"stop_and_wait", "stop-and-wait (the program's pass)",
     "One occlusion query per tree, each awaited before the next is issued.", true},
    {"batched", "batched queries", "Every tree's query issued after the depth fill, then all read: one wait.", true},
    {"temporal", "temporal (last frames' answers)",
     "This frame's queries issued, the answers of a frame or more ago used at once: no wait, but late.", true},
    {"conditional", "conditional rendering",
     "Each tree's query issued as stop-and-wait issues it, and its mesh drawn on the query's result by the GPU "
     "(glBeginConditionalRender): the CPU never waits, the GPU does.",
     true},
    {"hiz", "depth pyramid (GPU)",
     "A max-depth pyramid built from the bounding meshes by compute shaders; each box tested against it.", true},
    {"cpu", "CPU rasteriser",
     "The bounding meshes rasterised in software at the occlusion buffer's size; each box tested against that depth.",
     false},
    {"cpu_inner", "CPU rasteriser, inner occluders",
     "The trees' inner occluders (pieces of trunk and crown that lie inside each tree) rasterised in software; "
     "each box tested against that depth: it culls only what the trees themselves hide.",
     false},
    {"frustum", "frustum only", "Each tree's box against the six planes of the view: what culling gets without "
                                "occlusion.", false},
    {"off", "culling off", "Every tree drawn: the cost that culling saves.", false},
};

// Trees whose box (the tree's own bounds) is not wholly outside the view.
std::vector<bool> FrustumPass(const GlScene &scene, const D3DXMATRIX &viewProjection) {
    std::vector<bool> visible(scene.worlds.size());
    for (size_t i = 0; i < visible.size(); ++i)
        visible[i] = !BoxOutsideFrustum(scene.tree.bounds, scene.worlds[i] * viewProjection);
    return visible;
}

}  // namespace

const MethodInfo &DescribeMethod(Method method) { return Infos[(int)method]; }

bool MethodNamed(const std::string &name, Method &method) {
    for (int m = 0; m < MethodCount; ++m)
        if (name == Infos[m].name) {
            method = (Method)m;
            return true;
        }
    return false;
}

bool CreateMethods(Methods &methods, GlScene &scene, std::string &error) {
    size_t trees = scene.worlds.size();
    CreateTreeQueries(methods.stopAndWait, trees);
    CreateTreeQueries(methods.batched, trees);
    CreateTemporalQueries(methods.temporal, trees);
    CreateConditionalRendering(methods.conditional, trees);
    return CreateHizPyramid(methods.hiz, trees, error) &&
           CreateCpuOcclusion(methods.cpu, scene, CpuOcclusionThreads, error) &&
           CreateCpuOcclusion(methods.cpuInner, scene, CpuOcclusionThreads, error, &scene.occluder);
}

void DestroyMethods(Methods &methods) {
    int lag = methods.temporal.lag;
    bool wait = methods.conditional.wait;
    DestroyTreeQueries(methods.stopAndWait);
    DestroyTreeQueries(methods.batched);
    DestroyTemporalQueries(methods.temporal);
    DestroyConditionalRendering(methods.conditional);
    DestroyHizPyramid(methods.hiz);
    DestroyCpuOcclusion(methods.cpu);
    DestroyCpuOcclusion(methods.cpuInner);
    methods.temporal.lag = lag;  // settings, kept across a rebuild
    methods.conditional.wait = wait;
}

bool RebuildForest(GlScene &scene, Methods &methods, int count, unsigned seed, std::string &error) {
    DestroyMethods(methods);
    scene.worlds = ForestWorlds(count, seed);
    UploadWorlds(scene);
    return CreateMethods(methods, scene, error);
}

void RestartMethods(Methods &methods) {
    RestartTemporalQueries(methods.temporal);
    RestartConditionalRendering(methods.conditional);
}

std::vector<bool> CullTrees(Methods &methods, Method method, GlScene &scene, const D3DXMATRIX &viewProjection,
                            CullTimer &timer) {
    switch (method) {
    case Method::StopAndWait: return StopAndWaitPass(scene, methods.stopAndWait, viewProjection, timer);
    case Method::Batched: return BatchedPass(scene, methods.batched, viewProjection, timer);
    case Method::Temporal: return TemporalPass(scene, methods.temporal, viewProjection, timer);
    case Method::Hiz: return HizPass(scene, methods.hiz, viewProjection, timer);
    case Method::Cpu: return CpuPass(methods.cpu, scene, viewProjection);
    case Method::CpuInner: return CpuPass(methods.cpuInner, scene, viewProjection);
    case Method::Frustum: return FrustumPass(scene, viewProjection);
    case Method::Conditional:
    case Method::Off:
    case Method::Count: break;
    }
    return std::vector<bool>(scene.worlds.size(), true);
}

std::vector<bool> DrawFrame(Methods &methods, Method method, GlScene &scene, const D3DXMATRIX &viewProjection,
                            CullTimer &timer) {
    StartCullFrame(timer);
    if (method == Method::Conditional) {
        ConditionalFrame(scene, methods.conditional, viewProjection, timer);
        return std::vector<bool>(scene.worlds.size(), true);
    }
    BeginCulling(timer);
    std::vector<bool> flags = CullTrees(methods, method, scene, viewProjection, timer);
    EndCulling(timer);
    MainSceneGl(scene, viewProjection, flags);
    return flags;
}

void ReadDrawnTrees(Methods &methods, Method method, std::vector<bool> &flags) {
    if (method == Method::Conditional && methods.conditional.unconditional.size() == flags.size())
        flags = ConditionalTreesDrawn(methods.conditional);
}
