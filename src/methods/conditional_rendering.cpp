#include "methods/conditional_rendering.h"

void CreateConditionalRendering(ConditionalRendering &conditional, size_t trees) {
    CreateTreeQueries(conditional.occlusion, trees);
    CreateTreeQueries(conditional.drawn, trees);
    conditional.unconditional.clear();
}

void DestroyConditionalRendering(ConditionalRendering &conditional) {
    DestroyTreeQueries(conditional.occlusion);
    DestroyTreeQueries(conditional.drawn);
    conditional.unconditional.clear();
    RestartConditionalRendering(conditional);
}

void RestartConditionalRendering(ConditionalRendering &conditional) {
    conditional.queriesCulled = conditional.drawnThoughCulled = 0;
}

void ConditionalFrame(GlScene &scene, ConditionalRendering &conditional, const D3DXMATRIX &viewProjection,
                      CullTimer &timer) {
    BeginCulling(timer);
    FillOcclusionTarget(scene, viewProjection);
    IssueQueries(scene, conditional.occlusion, viewProjection);
    conditional.unconditional.assign(scene.worlds.size(), false);
    KeepTreesTheNearPlaneCuts(scene, viewProjection, conditional.unconditional);
    EndCulling(timer);

    // The main scene is no culling work: the GPU's waits for the results
    // (and, on a driver that runs on the CPU, the draw calls that stall on
    // them) fall in the frame's time alone.
    GLenum mode = conditional.wait ? GL_QUERY_WAIT : GL_QUERY_NO_WAIT;
    BeginMainTarget(scene, viewProjection);
    for (size_t i = 0; i < scene.worlds.size(); ++i) {
        bool onCondition = !conditional.unconditional[i];
        glBeginQuery(GL_PRIMITIVES_GENERATED, conditional.drawn.queries[i]);
        if (onCondition) glBeginConditionalRender(conditional.occlusion.queries[i], mode);
        DrawTree(scene, i, viewProjection);
        if (onCondition) glEndConditionalRender();
        glEndQuery(GL_PRIMITIVES_GENERATED);
    }
    EndMainTarget();
}

std::vector<bool> ConditionalTreesDrawn(ConditionalRendering &conditional) {
    size_t trees = conditional.unconditional.size();
    std::vector<bool> drawn(trees);
    for (size_t i = 0; i < trees; ++i) {
        GLuint primitives = 0, samples = 0;
        glGetQueryObjectuiv(conditional.drawn.queries[i], GL_QUERY_RESULT, &primitives);
        drawn[i] = primitives > 0;
        if (conditional.unconditional[i]) continue;
        glGetQueryObjectuiv(conditional.occlusion.queries[i], GL_QUERY_RESULT, &samples);
        if (samples > 0) continue;
        ++conditional.queriesCulled;
        conditional.drawnThoughCulled += drawn[i];
    }
    return drawn;
}
