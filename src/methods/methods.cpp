#include "methods/methods.h"

#include "methods/forest.h"

const char *MethodName(Method method) {
    switch (method) {
    case Method::Specified: return "specified";
    case Method::Batched: return "batched";
    case Method::Temporal: return "temporal";
    case Method::Hiz: return "hiz";
    case Method::Cpu: return "cpu";
    case Method::Off: return "off";
    case Method::Count: break;
    }
    return "?";
}

bool CreateMethods(Methods &methods, GlScene &scene, std::string &error) {
    size_t trees = scene.worlds.size();
    CreateBatchedQueries(methods.batched, trees);
    CreateTemporalQueries(methods.temporal, trees);
    return CreateHizPyramid(methods.hiz, trees, error) &&
           CreateCpuOcclusion(methods.cpu, scene, CpuOcclusionThreads, error);
}

void DestroyMethods(Methods &methods) {
    int lag = methods.temporal.lag;
    DestroyBatchedQueries(methods.batched);
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

std::vector<bool> RunMethod(Methods &methods, Method method, GlScene &scene, const D3DXMATRIX &viewProjection) {
    switch (method) {
    case Method::Specified: return ProgramPassGl(scene, viewProjection);
    case Method::Batched: return BatchedPassGl(scene, methods.batched, viewProjection);
    case Method::Temporal: return TemporalPassGl(scene, methods.temporal, viewProjection);
    case Method::Hiz: return HizPassGl(scene, methods.hiz, viewProjection);
    case Method::Cpu: return CpuPass(methods.cpu, scene, viewProjection);
    case Method::Off:
    case Method::Count: break;
    }
    return std::vector<bool>(scene.worlds.size(), true);
}
