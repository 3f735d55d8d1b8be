#include "methods/methods.h"

#include "methods/forest.h"

namespace {

const MethodInfo Infos[MethodCount] = {
    {"specified", "the program's pass",
     "One occlusion query per tree, each awaited before the next is issued.", true},
    {"batched", "batched queries", "Every tree's query issued after the depth fill, then all read: one wait.", true},
    {"temporal", "temporal (last frames' answers)",
     "This frame's queries issued, the answers of a frame or more ago used at once: no wait, but late.", true},
    {"hiz", "depth pyramid (GPU)",
     "A max-depth pyramid built from the bounding meshes by compute shaders; each box tested against it.", true},
    {"cpu", "CPU rasteriser",
     "The bounding meshes rasterised in software at the occlusion buffer's size; each box tested against that depth.",
     false},
    {"off", "culling off", "Every tree drawn: the cost that culling saves.", false},
};

}  // namespace

const MethodInfo &DescribeMethod(Method method) { return Infos[(int)method]; }

bool CreateMethods(Methods &methods, GlScene &scene, std::string &error) {
    size_t trees = scene.worlds.size();
    CreateTreeQueries(methods.stopAndWait, trees);
    CreateTreeQueries(methods.batched, trees);
    CreateTemporalQueries(methods.temporal, trees);
    return CreateHizPyramid(methods.hiz, trees, error) &&
           CreateCpuOcclusion(methods.cpu, scene, CpuOcclusionThreads, error);
}

void DestroyMethods(Methods &methods) {
    int lag = methods.temporal.lag;
    DestroyTreeQueries(methods.stopAndWait);
    DestroyTreeQueries(methods.batched);
    DestroyTemporalQueries(methods.temporal);
    DestroyHizPyramid(methods.hiz);
    methods.cpu = CpuOcclusion{};
    methods.temporal.lag = lag;  // a setting, kept across a rebuild
}

bool RebuildForest(GlScene &scene, Methods &methods, int count, std::string &error) {
    DestroyMethods(methods);
    scene.worlds = ForestWorlds(count);
    return CreateMethods(methods, scene, error);
}

std::vector<bool> CullTrees(Methods &methods, Method method, GlScene &scene, const D3DXMATRIX &viewProjection,
                            CullTimer &timer) {
    switch (method) {
    case Method::StopAndWait: return StopAndWaitPass(scene, methods.stopAndWait, viewProjection, timer);
    case Method::Batched: return BatchedPass(scene, methods.batched, viewProjection, timer);
    case Method::Temporal: return TemporalPass(scene, methods.temporal, viewProjection, timer);
    case Method::Hiz: return HizPass(scene, methods.hiz, viewProjection, timer);
    case Method::Cpu: return CpuPass(methods.cpu, scene, viewProjection);
    case Method::Off:
    case Method::Count: break;
    }
    return std::vector<bool>(scene.worlds.size(), true);
}
