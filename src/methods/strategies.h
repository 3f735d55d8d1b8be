// Ways of hiding the occlusion queries' latency, run in plain OpenGL on the
// same scene, matrices and bounding meshes as the program's pass. Each
// returns one flag per tree; the caller checks them against the exact ones.
#pragma once

#include <epoxy/gl.h>

#include <vector>

#include "methods/plain_gl_scene.h"

// Every tree's query issued after the depth fill, then all read: one wait.
struct BatchedQueries {
    std::vector<GLuint> queries;
};
void CreateBatchedQueries(BatchedQueries &batched, size_t trees);
std::vector<bool> BatchedPassGl(GlScene &scene, BatchedQueries &batched, const D3DXMATRIX &viewProjection);

// This frame's queries issued, and the results of `lag` frames ago used at
// once without waiting, as a GPU delivers them when nobody waits. A result
// not there yet, and the first `lag` frames, count as visible.
constexpr int MaxQueryLag = 3;
struct TemporalQueries {
    std::vector<GLuint> sets[MaxQueryLag + 1];
    int lag = 1;  // 1 .. MaxQueryLag
    int frame = 0;
    int unavailable = 0;  // results that were not ready when read, over all frames
};
void CreateTemporalQueries(TemporalQueries &temporal, size_t trees);
void DestroyBatchedQueries(BatchedQueries &batched);
void DestroyTemporalQueries(TemporalQueries &temporal);
std::vector<bool> TemporalPassGl(GlScene &scene, TemporalQueries &temporal, const D3DXMATRIX &viewProjection);
