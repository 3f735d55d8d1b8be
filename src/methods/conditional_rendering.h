// Conditional rendering: each tree's bounding-mesh query, issued after the
// depth fill as stop-and-wait issues it, decides on the GPU whether the
// tree's own mesh is drawn in the main scene (glBeginConditionalRender), so
// the CPU never reads a result within the frame. A tree whose bounding box
// the near plane cuts inside the view is drawn unconditionally, as in every
// query method.
//
// With GL_QUERY_WAIT the GPU waits for each result before the tree's draw;
// with GL_QUERY_NO_WAIT it may draw the tree anyway when the result is not
// in yet. Which trees were really drawn is measured, not assumed: each
// tree's draw sits inside a GL_PRIMITIVES_GENERATED query of its own (a
// discarded draw generates none), read after the frame with the
// bounding-mesh queries.
#pragma once

#include <vector>

#include "methods/query_methods.h"

struct ConditionalRendering {
    TreeQueries occlusion;  // each tree's bounding mesh in the occlusion buffer: samples passed
    TreeQueries drawn;      // each tree's own mesh in the main scene: primitives generated
    std::vector<bool> unconditional;  // the last frame's trees the near plane cuts
    bool wait = true;                 // GL_QUERY_WAIT, else GL_QUERY_NO_WAIT
    // Over the frames read since the restart: trees drawn on their query's
    // condition that it passed no sample, and of those, the trees drawn all the same.
    long queriesCulled = 0, drawnThoughCulled = 0;
};
void CreateConditionalRendering(ConditionalRendering &conditional, size_t trees);
void DestroyConditionalRendering(ConditionalRendering &conditional);
// The counts start again (the mode is kept).
void RestartConditionalRendering(ConditionalRendering &conditional);

// The frame: the depth fill and the queries in culling spans of `timer`,
// then the main scene, each tree drawn on its query's condition.
void ConditionalFrame(GlScene &scene, ConditionalRendering &conditional, const D3DXMATRIX &viewProjection,
                      CullTimer &timer);
// After the frame (waiting for it to execute): one flag per tree, drawn;
// the counts above take in the frame.
std::vector<bool> ConditionalTreesDrawn(ConditionalRendering &conditional);
