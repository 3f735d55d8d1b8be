#include "methods/forest.h"
#include "methods/methods.h"
#include "scene/scene.h"

std::vector<D3DXMATRIX> ForestWorlds(int count) {
    std::vector<D3DXMATRIX> worlds(count);
    for (D3DXMATRIX &w : worlds) {
        float x = (FixedRandom() / 16383.5f - 1.0f) * TreeSpread;
        float z = (FixedRandom() / 16383.5f - 1.0f) * TreeSpread;
        D3DXMatrixTranslation(&w, x, TreeY, z);
    }
    return worlds;
}
const char *MethodName(Method method) {
    const char *names[] = {"specified", "batched", "temporal", "hiz", "cpu", "off"};
    return names[(int)method];
}
bool CreateMethods(Methods &methods, GlScene &scene, std::string &error) {
    CreateBatchedQueries(methods.batched, scene.worlds.size());
    CreateTemporalQueries(methods.temporal, scene.worlds.size());
    return CreateHizPyramid(methods.hiz, scene.worlds.size(), error);
}
void DestroyMethods(Methods &methods) { methods = Methods(); }
std::vector<bool> RunMethod(Methods &methods, Method method, GlScene &scene, const D3DXMATRIX &vp) {
    switch (method) {
    case Method::Specified: return ProgramPassGl(scene, vp);
    case Method::Batched: return BatchedPassGl(scene, methods.batched, vp);
    case Method::Temporal: return TemporalPassGl(scene, methods.temporal, vp);
    case Method::Hiz: return HizPassGl(scene, methods.hiz, vp);
    case Method::Cpu: return CpuPass(methods.cpu, scene, vp);
    default: return std::vector<bool>(scene.worlds.size(), true);
    }
}
