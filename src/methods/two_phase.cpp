#include "methods/two_phase.h"

#include "methods/hiz_pyramid.h"
#include "methods/pixel_grid.h"

bool CreateTwoPhase(TwoPhase &twoPhase, const GlScene &scene, std::string &error) {
    if (!CreateDepthPyramid(twoPhase.pyramid, MainTargetWidth, MainTargetHeight, error)) return false;
    twoPhase.testProgram = LinkBoxTestProgram(error);
    if (!twoPhase.testProgram) return false;
    glGenBuffers(1, &twoPhase.results);
    glBindBuffer(GL_SHADER_STORAGE_BUFFER, twoPhase.results);
    glBufferData(GL_SHADER_STORAGE_BUFFER, std::max<size_t>(scene.worlds.size(), 1) * sizeof(uint32_t), nullptr,
                 GL_DYNAMIC_READ);
    twoPhase.visibleLast.assign(scene.worlds.size(), 0);
    return glGetError() == GL_NO_ERROR;
}

void DestroyTwoPhase(TwoPhase &twoPhase) {
    DestroyDepthPyramid(twoPhase.pyramid);
    glDeleteProgram(twoPhase.testProgram);
    glDeleteBuffers(1, &twoPhase.results);
    twoPhase = TwoPhase{};
}

void RestartTwoPhase(TwoPhase &twoPhase) { std::fill(twoPhase.visibleLast.begin(), twoPhase.visibleLast.end(), 0); }

std::vector<bool> TwoPhaseFrame(GlScene &scene, TwoPhase &twoPhase, const D3DXMATRIX &viewProjection,
                                CullTimer &timer) {
    size_t trees = scene.worlds.size();
    twoPhase.visibleLast.resize(trees, 0);
    // Phase 1: last frame's visible trees, those still in view.
    std::vector<uint32_t> first;
    for (size_t i = 0; i < trees; ++i)
        if (twoPhase.visibleLast[i] && !BoxOutsideFrustum(scene.tree.bounds, scene.worlds[i] * viewProjection))
            first.push_back((uint32_t)i);
    EndCulling(timer);
    BeginMainTarget(scene, viewProjection);
    DrawTrees(scene, viewProjection, first);
    BeginCulling(timer);

    // Their depth, and the terrain's, as a pyramid; every tree tested.
    BuildDepthPyramid(twoPhase.pyramid, scene.mainDepth);
    // The trees' own boxes: the depth is the real trees'.
    std::vector<bool> visible = TestBoxes(scene, twoPhase.testProgram, twoPhase.pyramid, twoPhase.results,
                                          scene.tree.bounds, viewProjection, timer);

    // Phase 2: the visible trees not drawn yet.
    std::vector<bool> drawn(trees, false);
    for (uint32_t i : first) drawn[i] = true;
    std::vector<uint32_t> second;
    for (size_t i = 0; i < trees; ++i) {
        twoPhase.visibleLast[i] = visible[i];
        if (visible[i] && !drawn[i]) second.push_back((uint32_t)i), drawn[i] = true;
    }
    EndCulling(timer);
    BindMainTarget(scene);
    DrawTrees(scene, viewProjection, second);
    EndMainTarget();
    BeginCulling(timer);
    return drawn;
}
