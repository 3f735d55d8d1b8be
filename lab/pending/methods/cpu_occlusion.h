#pragma once
#include <string>
#include <vector>
#include "methods/plain_gl_scene.h"
struct CpuOcclusion { std::vector<float> depth = std::vector<float>(320 * 240, 1.0f); };
inline bool CreateCpuOcclusion(CpuOcclusion &, const GlScene &, int, std::string &) { return true; }
inline std::vector<bool> CpuPass(CpuOcclusion &, const GlScene &scene, const D3DXMATRIX &) {
    return std::vector<bool>(scene.worlds.size(), true);
}
inline const float *CpuDepth(const CpuOcclusion &cpu) { return cpu.depth.data(); }
