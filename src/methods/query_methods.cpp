#include "methods/query_methods.h"

#include "occlusion/occlusion.h"

void KeepTreesTheNearPlaneCuts(const GlScene &scene, const D3DXMATRIX &viewProjection, std::vector<bool> &visible) {
    D3DXVECTOR3 boxMin = BoxCorner(scene.bounding.bounds, 0), boxMax = BoxCorner(scene.bounding.bounds, 7);
    for (size_t i = 0; i < visible.size(); ++i)
        if (!visible[i] && NearPlaneCutsBox(boxMin, boxMax, scene.worlds[i] * viewProjection)) visible[i] = true;
}

void IssueQueries(GlScene &scene, const TreeQueries &set, const D3DXMATRIX &viewProjection) {
    for (size_t i = 0; i < scene.worlds.size(); ++i) {
        glBeginQuery(GL_SAMPLES_PASSED, set.queries[i]);
        DrawBounding(scene, i, viewProjection);
        glEndQuery(GL_SAMPLES_PASSED);
        if (i % QueryFlushInterval == QueryFlushInterval - 1) glFlush();
    }
}

void CreateTreeQueries(TreeQueries &set, size_t trees) {
    set.queries.resize(trees);
    glGenQueries((GLsizei)trees, set.queries.data());
}

void DestroyTreeQueries(TreeQueries &set) {
    glDeleteQueries((GLsizei)set.queries.size(), set.queries.data());
    set.queries.clear();
}

// One query object a tree, each read once a frame: reusing one object for
// every tree (as the layer's device does for the program's one query) needs
// the layer's ring of GL queries, since llvmpipe can corrupt its heap when a
// query is begun again right after its result was read.
std::vector<bool> StopAndWaitPass(GlScene &scene, TreeQueries &set, const D3DXMATRIX &viewProjection,
                                  CullTimer &timer) {
    FillOcclusionTarget(scene, viewProjection);
    std::vector<bool> visible;
    for (size_t i = 0; i < scene.worlds.size(); ++i) {
        glBeginQuery(GL_SAMPLES_PASSED, set.queries[i]);
        DrawBounding(scene, i, viewProjection);
        glEndQuery(GL_SAMPLES_PASSED);
        // The program waits for each answer before the next draw; in plain
        // OpenGL that wait is one blocking read, which flushes by itself.
        visible.push_back(AwaitQuery(timer, set.queries[i]) != 0);
    }
    KeepTreesTheNearPlaneCuts(scene, viewProjection, visible);
    return visible;
}

std::vector<bool> BatchedPass(GlScene &scene, TreeQueries &set, const D3DXMATRIX &viewProjection, CullTimer &timer) {
    FillOcclusionTarget(scene, viewProjection);
    IssueQueries(scene, set, viewProjection);
    glFlush();
    std::vector<bool> visible;
    // Results come back in order, so waiting for the first read is the one
    // wait; the rest are ready by then or soon after.
    for (GLuint query : set.queries) visible.push_back(AwaitQuery(timer, query) != 0);
    KeepTreesTheNearPlaneCuts(scene, viewProjection, visible);
    return visible;
}

void CreateTemporalQueries(TemporalQueries &temporal, size_t trees) {
    for (TreeQueries &set : temporal.sets) CreateTreeQueries(set, trees);
}

void DestroyTemporalQueries(TemporalQueries &temporal) {
    for (TreeQueries &set : temporal.sets) DestroyTreeQueries(set);
    RestartTemporalQueries(temporal);
}

void RestartTemporalQueries(TemporalQueries &temporal) { temporal.frame = temporal.unavailable = 0; }

std::vector<bool> TemporalPass(GlScene &scene, TemporalQueries &temporal, const D3DXMATRIX &viewProjection,
                               CullTimer &timer) {
    constexpr int Sets = MaxQueryLag + 1;
    int lag = temporal.lag < 1 ? 1 : temporal.lag > MaxQueryLag ? MaxQueryLag : temporal.lag;
    std::vector<bool> visible(scene.worlds.size(), true);
    if (temporal.frame >= lag) {
        const TreeQueries &last = temporal.sets[(temporal.frame - lag) % Sets];
        for (size_t i = 0; i < last.queries.size(); ++i) {
            if (!QueryAnswered(last.queries[i])) {
                ++temporal.unavailable;
                continue;
            }
            visible[i] = AwaitQuery(timer, last.queries[i]) != 0;
        }
    }
    FillOcclusionTarget(scene, viewProjection);
    IssueQueries(scene, temporal.sets[temporal.frame % Sets], viewProjection);
    glFlush();
    ++temporal.frame;
    KeepTreesTheNearPlaneCuts(scene, viewProjection, visible);
    return visible;
}
