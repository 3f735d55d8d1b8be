// Coherent hierarchical culling (CHC++): occlusion queries against the
// main target's own depth while the frame is drawn, steered by last
// frame's visibility, over the forest's grid (cells, then their trees).
//
// - The sky and the terrain are drawn first; then the cells in view are
//   traversed front to back. A tree visible last frame is drawn at once
//   (it occludes with its real mesh, at full resolution, gaps between
//   crowns and all) and queried again only every ChcRequeryInterval
//   frames, the first time at a random offset so that the checks spread
//   over the frames. Such a re-query is issued late (when the method would
//   otherwise wait, or after the frame's trees) and never awaited: an
//   answer not in by the end of the frame is read in a later frame, the
//   tree staying visible until then.
// - A cell hidden last frame is queried as one box; a tree hidden last
//   frame (in a cell that is not) by its bounding mesh. These queries are
//   gathered in batches of ChcBatchSize and issued after the trees found
//   visible so far are drawn. Nodes hidden for frames running, likely to
//   stay hidden, share one query (a multi-query) as long as that lowers
//   the expected number of queries a node; a multi-query that counts a
//   sample is asked again node by node.
// - Answers are read as they arrive, between the cells of the traversal.
//   Those of nodes hidden last frame decide what this frame shows (a cell
//   found visible has its trees queried, a tree found visible is drawn), so
//   once the traversal is done the method waits for the ones still out
//   (AwaitQuery), issuing the due re-queries first to fill the wait: a tree
//   that comes into view is drawn in the very frame it shows.
// - A tree or cell whose bounding box the near plane cuts inside the view
//   is visible, whatever a query would count.
// Queries are drawn with colour and depth writes off, cell boxes with face
// culling off.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include "methods/forest_grid.h"
#include "methods/plain_gl_scene.h"
#include "methods/timing.h"

constexpr int ChcRequeryInterval = 4;  // frames a visible tree goes unqueried
constexpr int ChcBatchSize = 32;       // hidden nodes gathered before their queries are issued
constexpr int ChcMaxMultiQuery = 16;   // nodes in one multi-query, at most

// A node of the hierarchy: a tree, or a cell of the grid.
struct ChcNode {
    bool cell;
    uint32_t index;
};

// What the method did with each tree in its last frame (the lab shows it).
enum class ChcMark : uint8_t {
    None,      // out of view
    Skipped,   // visible last frame, drawn without a query
    Queried,   // its own query, or a multi-query, issued
    InCell,    // its cell's box queried
    InFlight,  // a query of it still unanswered when the frame ended
};

struct ChcQuery {
    GLuint query = 0;
    bool requery = false;        // of a tree visible last frame: never awaited
    std::vector<ChcNode> nodes;  // more than one: a multi-query
};

// A node's visibility at the end of its last frame in view, and its history.
struct ChcVisibility {
    bool visible = false;
    bool pending = false;  // a query of it is out
    int lastInView = -1;   // the last frame it was traversed
    int hiddenFrames = 0;  // frames running it was found hidden
    int nextQuery = 0;     // while visible: the frame it is queried again
};

// What the method's last frame asked.
struct ChcCounts {
    int queries = 0;           // issued this frame, multi-queries counted once
    int multiQueries = 0;      // of which queries of several nodes
    int nodesInMultiQueries = 0;
    int waits = 0;             // answers awaited because nothing else was left to do
    int inFlight = 0;          // re-queries unanswered at the frame's end
};

struct CoherentCulling {
    std::vector<ChcVisibility> trees, cells;
    std::deque<ChcQuery> hiddenQueries, requeries;  // in flight, oldest first
    std::deque<GLuint> idleQueries;                 // query objects not in use, the longest idle first
    GlMesh box;                                     // the unit cube, placed on a cell's box
    GlProgram program;                              // the scene's vertex stage, no colour
    std::minstd_rand random;
    int frame = 0;
    std::vector<ChcMark> marks;  // one per tree, of the last frame
    ChcCounts counts;            // of the last frame
};

// For `grid`'s cells and trees; rebuilt with them.
bool CreateCoherentCulling(CoherentCulling &chc, const ForestGrid &grid, std::string &error);
void DestroyCoherentCulling(CoherentCulling &chc);
// Forgets every node's history and the answers in flight.
void RestartCoherentCulling(CoherentCulling &chc);

// The frame: the main target begun (sky, terrain), the trees drawn as the
// method finds them visible, the target ended. Its culling work is spanned
// in `timer` (the caller starts the timer's frame), the main scene's
// drawing left out. Returns one flag per tree: drawn.
std::vector<bool> CoherentCullingFrame(CoherentCulling &chc, const ForestGrid &grid, GlScene &scene,
                                       const D3DXMATRIX &viewProjection, CullTimer &timer);
