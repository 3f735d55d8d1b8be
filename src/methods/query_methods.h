// The methods that ask the GPU with occlusion queries, in plain OpenGL on
// the scene's occlusion buffer: after the depth fill, each tree's bounding
// mesh drawn again inside a query of its own.
#pragma once

#include <epoxy/gl.h>

#include <vector>

#include "methods/plain_gl_scene.h"
#include "methods/timing.h"

// Every tree's query.
struct TreeQueries {
    std::vector<GLuint> queries;
};
void CreateTreeQueries(TreeQueries &set, size_t trees);
void DestroyTreeQueries(TreeQueries &set);
// Each tree's bounding mesh drawn into the target bound, inside its own
// samples-passed query, with a flush after every QueryFlushInterval
// queries. Mesa's llvmpipe (22.3) miscounts in one flush of the depth fill
// and thousands of queries: at 10 000 trees a hidden tree's query counted
// 154 samples, 0 when the same commands were flushed every 5 000 queries or
// fewer (the benchmark's check of batched against stop-and-wait found it).
// On any driver a flush only hands the work over sooner.
constexpr size_t QueryFlushInterval = 1024;
void IssueQueries(GlScene &scene, const TreeQueries &set, const D3DXMATRIX &viewProjection);
// The near-plane rule of the program's pass: a tree whose bounding box the
// near plane cuts inside the view is drawn, whatever its query counted
// (standing in the bounding mesh, every face left is turned away).
void KeepTreesTheNearPlaneCuts(const GlScene &scene, const D3DXMATRIX &viewProjection, std::vector<bool> &visible);

// The program's pass (stop-and-wait): each tree's answer awaited before the
// next query is issued.
std::vector<bool> StopAndWaitPass(GlScene &scene, TreeQueries &set, const D3DXMATRIX &viewProjection,
                                  CullTimer &timer);

// Batched: every query issued, then all read: one wait.
std::vector<bool> BatchedPass(GlScene &scene, TreeQueries &set, const D3DXMATRIX &viewProjection, CullTimer &timer);

// Temporal: this frame's queries issued, and the results of `lag` frames
// ago used at once without waiting, as a GPU delivers them when nobody
// waits. A result not there yet, and the first `lag` frames, count as visible.
constexpr int MaxQueryLag = 3;
struct TemporalQueries {
    TreeQueries sets[MaxQueryLag + 1];
    int lag = 1;  // 1 .. MaxQueryLag
    int frame = 0;
    int unavailable = 0;  // results that were not ready when read, over all frames
};
void CreateTemporalQueries(TemporalQueries &temporal, size_t trees);
void DestroyTemporalQueries(TemporalQueries &temporal);
// Forgets the results in flight: the next frame starts afresh.
void RestartTemporalQueries(TemporalQueries &temporal);
std::vector<bool> TemporalPass(GlScene &scene, TemporalQueries &temporal, const D3DXMATRIX &viewProjection,
                               CullTimer &timer);
