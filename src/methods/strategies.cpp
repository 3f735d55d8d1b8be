#include "methods/strategies.h"

namespace {

void IssueQueries(GlScene &scene, const std::vector<GLuint> &queries, const D3DXMATRIX &viewProjection) {
    for (size_t i = 0; i < scene.worlds.size(); ++i) {
        glBeginQuery(GL_SAMPLES_PASSED, queries[i]);
        DrawBounding(scene, i, viewProjection);
        glEndQuery(GL_SAMPLES_PASSED);
    }
}

}  // namespace

void CreateBatchedQueries(BatchedQueries &batched, size_t trees) {
    batched.queries.resize(trees);
    glGenQueries((GLsizei)trees, batched.queries.data());
}

std::vector<bool> BatchedPassGl(GlScene &scene, BatchedQueries &batched, const D3DXMATRIX &viewProjection) {
    FillOcclusionDepth(scene, viewProjection);
    IssueQueries(scene, batched.queries, viewProjection);
    glFlush();
    std::vector<bool> visible;
    // Results come back in order, so waiting for the first read is the one
    // wait; the rest are ready by then or soon after.
    for (GLuint query : batched.queries) visible.push_back(QueryResult(query) != 0);
    return visible;
}

void CreateTemporalQueries(TemporalQueries &temporal, size_t trees) {
    for (std::vector<GLuint> &set : temporal.sets) {
        set.resize(trees);
        glGenQueries((GLsizei)trees, set.data());
    }
}

void DestroyBatchedQueries(BatchedQueries &batched) {
    glDeleteQueries((GLsizei)batched.queries.size(), batched.queries.data());
    batched.queries.clear();
}

void DestroyTemporalQueries(TemporalQueries &temporal) {
    for (std::vector<GLuint> &set : temporal.sets) {
        glDeleteQueries((GLsizei)set.size(), set.data());
        set.clear();
    }
    temporal.frame = temporal.unavailable = 0;
}

std::vector<bool> TemporalPassGl(GlScene &scene, TemporalQueries &temporal, const D3DXMATRIX &viewProjection) {
    constexpr int Sets = MaxQueryLag + 1;
    int lag = temporal.lag < 1 ? 1 : temporal.lag > MaxQueryLag ? MaxQueryLag : temporal.lag;
    std::vector<bool> visible(scene.worlds.size(), true);
    if (temporal.frame >= lag) {
        const std::vector<GLuint> &last = temporal.sets[(temporal.frame - lag) % Sets];
        for (size_t i = 0; i < last.size(); ++i) {
            GLuint available = 0;
            glGetQueryObjectuiv(last[i], GL_QUERY_RESULT_AVAILABLE, &available);
            if (!available) {
                ++temporal.unavailable;
                continue;
            }
            visible[i] = QueryResult(last[i]) != 0;
        }
    }
    FillOcclusionDepth(scene, viewProjection);
    IssueQueries(scene, temporal.sets[temporal.frame % Sets], viewProjection);
    glFlush();
    ++temporal.frame;
    return visible;
}
