#include "methods/coherent_culling.h"

#include <algorithm>
#include <cmath>

#include "occlusion/occlusion.h"

namespace {

const char *NoColourSource =
    "#version 430 core\n"
    "out vec4 fragColour;\n"
    "void main() { fragColour = vec4(1.0); }\n";

// A query object is used again only after this many others were given
// back since: llvmpipe can corrupt its heap when a query is begun again
// right after its result was read.
constexpr size_t IdleBeforeReuse = 16;

// The chance that a node hidden for `frames` frames running is still
// hidden next frame (the fit the CHC++ paper gives).
double StaysHidden(int frames) { return 0.99 - 0.7 * std::exp(-(double)frames); }

// One frame's work and its queues.
struct Frame {
    CoherentCulling &chc;
    const ForestGrid &grid;
    GlScene &scene;
    const D3DXMATRIX &viewProjection;
    CullTimer &timer;
    std::vector<bool> drawn;
    std::vector<uint32_t> toDraw;   // found visible, not drawn yet
    std::vector<ChcNode> hidden;    // hidden last frame, their queries not issued yet
    std::vector<ChcNode> singles;   // of multi-queries that counted a sample, asked again one by one
    std::vector<uint32_t> due;      // visible trees due a re-query, not issued yet
};

ChcVisibility &State(Frame &f, ChcNode node) { return node.cell ? f.chc.cells[node.index] : f.chc.trees[node.index]; }

bool NearPlaneCuts(const Frame &f, ChcNode node) {
    if (node.cell) {
        const Box &box = f.grid.cells[node.index].box;
        return NearPlaneCutsBox(box, f.viewProjection);
    }
    const Box &bounds = f.scene.bounding.bounds;
    return NearPlaneCutsBox(bounds, f.scene.worlds[node.index] * f.viewProjection);
}

GLuint TakeQuery(CoherentCulling &chc) {
    GLuint query = 0;
    if (chc.idleQueries.size() > IdleBeforeReuse) {
        query = chc.idleQueries.front();
        chc.idleQueries.pop_front();
    } else {
        glGenQueries(1, &query);
    }
    return query;
}

// The trees found visible since the last call, drawn into the main target:
// main-scene work, outside the culling spans.
void DrawFound(Frame &f) {
    if (f.toDraw.empty()) return;
    EndCulling(f.timer);
    DrawTrees(f.scene, f.viewProjection, f.toDraw);
    BeginCulling(f.timer);
    f.toDraw.clear();
}

// Drawn this frame (once), visible for the next, and its cell with it.
void MarkVisible(Frame &f, uint32_t tree) {
    f.chc.trees[tree].visible = true;
    f.chc.cells[f.grid.cellOf[tree]].visible = true;
    if (f.drawn[tree]) return;
    f.drawn[tree] = true;
    f.toDraw.push_back(tree);
}

void VisitTree(Frame &f, uint32_t tree) {
    ChcVisibility &state = f.chc.trees[tree];
    if (state.lastInView == f.chc.frame) return;  // visited already
    if (BoxOutsideFrustum(f.scene.tree.bounds, f.scene.worlds[tree] * f.viewProjection)) return;
    bool wasVisible = state.visible && state.lastInView == f.chc.frame - 1;
    if (state.lastInView != f.chc.frame - 1) state.hiddenFrames = 0;  // its history is of another view
    state.lastInView = f.chc.frame;
    f.chc.marks[tree] = ChcMark::Skipped;
    if (NearPlaneCuts(f, {false, tree})) {
        MarkVisible(f, tree);
    } else if (wasVisible) {
        MarkVisible(f, tree);
        if (!state.pending && f.chc.frame >= state.nextQuery) f.due.push_back(tree);
    } else {
        state.visible = false;
        f.hidden.push_back({false, tree});
    }
}

void OpenCell(Frame &f, uint32_t cell) {
    const GridCell &c = f.grid.cells[cell];
    for (uint32_t k = c.first; k < c.first + c.count; ++k) VisitTree(f, f.grid.trees[k]);
}

// A cell visible last frame is opened; a hidden one waits for its box's query.
void VisitCell(Frame &f, uint32_t cell) {
    ChcVisibility &state = f.chc.cells[cell];
    bool wasVisible = state.visible && state.lastInView == f.chc.frame - 1;
    if (state.lastInView != f.chc.frame - 1) state.hiddenFrames = 0;
    state.lastInView = f.chc.frame;
    state.visible = false;  // until a tree of it, or its own query, is found visible
    if (wasVisible || NearPlaneCuts(f, {true, cell}))
        OpenCell(f, cell);
    else
        f.hidden.push_back({true, cell});
}

// A query's answer: `counted` is whether any sample passed.
void Answer(Frame &f, const ChcQuery &query, bool counted) {
    for (ChcNode node : query.nodes) State(f, node).pending = false;
    if (query.requery) {
        ChcVisibility &state = State(f, query.nodes[0]);
        if (counted) {
            state.nextQuery = f.chc.frame + ChcRequeryInterval;
        } else {
            state.visible = false;  // drawn this frame already; queried as hidden from the next
            state.hiddenFrames = 1;
        }
        return;
    }
    if (counted && query.nodes.size() > 1) {
        f.singles.insert(f.singles.end(), query.nodes.begin(), query.nodes.end());
        return;
    }
    for (ChcNode node : query.nodes) {
        ChcVisibility &state = State(f, node);
        if (!counted) {
            state.visible = false;
            ++state.hiddenFrames;
        } else if (node.cell) {
            state.visible = true;
            state.hiddenFrames = 0;
            OpenCell(f, node.index);
        } else {
            MarkVisible(f, node.index);
            state.hiddenFrames = 0;
            // Its first re-query at a random offset, so that trees coming
            // into view together are not all asked again together.
            state.nextQuery = f.chc.frame + 1 + (int)(f.chc.random() % ChcRequeryInterval);
        }
    }
}

// The oldest query of `queue`, its answer awaited if need be.
void AnswerOldest(Frame &f, std::deque<ChcQuery> &queue) {
    ChcQuery query = std::move(queue.front());
    queue.pop_front();
    bool counted = AwaitQuery(f.timer, query.query) != 0;
    f.chc.idleQueries.push_back(query.query);
    Answer(f, query, counted);
}

// Every answer already in, oldest first, without waiting.
void ReadAnswers(Frame &f) {
    for (std::deque<ChcQuery> *queue : {&f.chc.hiddenQueries, &f.chc.requeries})
        while (!queue->empty() && QueryAnswered(queue->front().query)) AnswerOldest(f, *queue);
}

// Query draws: the scene's vertex stage, no colour, depth tested but not written.
void BeginQueryDraws(Frame &f) {
    const GlProgram &program = f.chc.program;
    glUseProgram(program.program);
    f.scene.current = nullptr;  // the scene's next draw binds its own program again
    glUniformMatrix4fv(program.viewProjectionUniform, 1, GL_FALSE, &f.viewProjection.m[0][0]);
    glUniform2fv(program.offsetUniform, 1, f.scene.pixelOffset);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glDepthMask(GL_FALSE);
}

void EndQueryDraws() {
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
}

// A tree's bounding mesh, or a cell's box: the unit cube scaled and moved
// onto it, drawn from both sides (the eye may stand in it).
void DrawNode(Frame &f, ChcNode node) {
    const GlProgram &program = f.chc.program;
    if (!node.cell) {
        glUniform1i(program.instancedUniform, 1);
        DrawMeshInstances(f.scene.bounding, f.scene.everyTree, node.index, 1);
        return;
    }
    const Box &box = f.grid.cells[node.index].box;
    D3DXMATRIX world;
    D3DXMatrixTranslation(&world, box.min[0], box.min[1], box.min[2]);
    world._11 = box.max[0] - box.min[0];
    world._22 = box.max[1] - box.min[1];
    world._33 = box.max[2] - box.min[2];
    D3DXMATRIX worldViewProjection = world * f.viewProjection;
    glUniform1i(program.instancedUniform, 0);
    glUniformMatrix4fv(program.worldViewProjectionUniform, 1, GL_FALSE, &worldViewProjection.m[0][0]);
    glDisable(GL_CULL_FACE);
    DrawMeshInstances(f.chc.box, f.scene.everyTree, 0, 1);
    glEnable(GL_CULL_FACE);
}

void Issue(Frame &f, const ChcNode *nodes, size_t count, bool requery) {
    ChcQuery query;
    query.query = TakeQuery(f.chc);
    query.requery = requery;
    query.nodes.assign(nodes, nodes + count);
    glBeginQuery(GL_SAMPLES_PASSED, query.query);
    for (ChcNode node : query.nodes) {
        DrawNode(f, node);
        State(f, node).pending = true;
        if (!node.cell) {
            f.chc.marks[node.index] = ChcMark::Queried;
            continue;
        }
        const GridCell &cell = f.grid.cells[node.index];
        for (uint32_t k = cell.first; k < cell.first + cell.count; ++k) f.chc.marks[f.grid.trees[k]] = ChcMark::InCell;
    }
    glEndQuery(GL_SAMPLES_PASSED);
    ++f.chc.counts.queries;
    if (count > 1) {
        ++f.chc.counts.multiQueries;
        f.chc.counts.nodesInMultiQueries += (int)count;
    }
    (requery ? f.chc.requeries : f.chc.hiddenQueries).push_back(std::move(query));
}

// How many nodes of the batch, from `first` on (the likeliest to stay
// hidden first), share one query: as many as raise the expected nodes
// answered a query. A query of one node is answered by itself; a
// multi-query M that counts a sample costs a query a node more, so it
// answers |M| / (1 + P(some node of M shows) |M|) nodes a query.
size_t MultiQuerySize(Frame &f, const std::vector<ChcNode> &batch, size_t first) {
    double allHidden = StaysHidden(State(f, batch[first]).hiddenFrames), best = 1;
    size_t size = 1;
    for (size_t n = 2; n <= (size_t)ChcMaxMultiQuery && first + n <= batch.size(); ++n) {
        allHidden *= StaysHidden(State(f, batch[first + n - 1]).hiddenFrames);
        double value = n / (1 + (1 - allHidden) * n);
        if (value <= best) break;
        best = value, size = n;
    }
    return size;
}

// The hidden nodes gathered so far queried, after the trees found visible
// are drawn so that they occlude: those of failed multi-queries one by
// one, the rest grouped into multi-queries.
void IssueHidden(Frame &f) {
    if (f.hidden.empty() && f.singles.empty()) return;
    DrawFound(f);
    BeginQueryDraws(f);
    for (const ChcNode &node : f.singles) Issue(f, &node, 1, false);
    f.singles.clear();
    std::stable_sort(f.hidden.begin(), f.hidden.end(), [&](ChcNode a, ChcNode b) {
        return State(f, a).hiddenFrames > State(f, b).hiddenFrames;
    });
    for (size_t first = 0; first < f.hidden.size();) {
        size_t size = MultiQuerySize(f, f.hidden, first);
        Issue(f, &f.hidden[first], size, false);
        first += size;
    }
    f.hidden.clear();
    EndQueryDraws();
    glFlush();  // the GPU starts on them while the traversal goes on
}

// The due re-queries of visible trees, after the trees found visible are drawn.
void IssueRequeries(Frame &f) {
    DrawFound(f);
    if (f.due.empty()) return;
    BeginQueryDraws(f);
    for (uint32_t tree : f.due) {
        ChcNode node = {false, tree};
        Issue(f, &node, 1, true);
    }
    f.due.clear();
    EndQueryDraws();
    glFlush();
}

// The cells not wholly outside the view, nearest first (by their nearest
// corner's distance along the view, its clip w).
std::vector<uint32_t> CellsInView(const Frame &f) {
    const D3DXMATRIX &m = f.viewProjection;
    std::vector<std::pair<double, uint32_t>> byDistance;
    for (uint32_t c = 0; c < f.grid.cells.size(); ++c) {
        const Box &box = f.grid.cells[c].box;
        if (BoxOutsideFrustum(box, m)) continue;
        double nearest = 1e30;
        for (int corner = 0; corner < 8; ++corner) {
            D3DXVECTOR3 p = BoxCorner(box, corner);
            nearest = std::min(nearest, (double)p.x * m._14 + p.y * m._24 + p.z * m._34 + m._44);
        }
        byDistance.push_back({nearest, c});
    }
    std::sort(byDistance.begin(), byDistance.end());
    std::vector<uint32_t> cells;
    for (const auto &entry : byDistance) cells.push_back(entry.second);
    return cells;
}

// After the traversal: every query of a node hidden last frame answered,
// waiting when none is in, and the due re-queries issued first to fill
// the wait. An answer may open a cell or split a multi-query: their
// queries are issued in turn.
void AnswerHiddenNodes(Frame &f) {
    for (;;) {
        ReadAnswers(f);
        if (!f.hidden.empty() || !f.singles.empty()) {
            IssueHidden(f);
        } else if (f.chc.hiddenQueries.empty()) {
            return;
        } else if (!f.due.empty()) {
            IssueRequeries(f);
        } else {
            ++f.chc.counts.waits;
            AnswerOldest(f, f.chc.hiddenQueries);
        }
    }
}

}  // namespace

bool CreateCoherentCulling(CoherentCulling &chc, const ForestGrid &grid, std::string &error) {
    chc.program.program = LinkSceneProgram(NoColourSource, error);
    if (!chc.program.program) return false;
    FindSceneUniforms(chc.program);
    std::vector<GlVertex> corners;
    for (int c = 0; c < 8; ++c)
        corners.push_back({{(float)(c & 1), (float)((c >> 1) & 1), (float)((c >> 2) & 1)}, {255, 255, 255, 255}, {0, 0}});
    // Two triangles a face; drawn from both sides, so their winding does not matter.
    const std::vector<uint32_t> faces = {0, 1, 3, 0, 3, 2, 4, 6, 7, 4, 7, 5, 0, 4, 5, 0, 5, 1,
                                         2, 3, 7, 2, 7, 6, 0, 2, 6, 0, 6, 4, 1, 5, 7, 1, 7, 3};
    MakeGlMesh(chc.box, corners, faces, {GlMeshPart{0, 0, (GLsizei)faces.size()}});
    chc.trees.assign(grid.cellOf.size(), {});
    chc.cells.assign(grid.cells.size(), {});
    chc.marks.assign(grid.cellOf.size(), ChcMark::None);
    return true;
}

void DestroyCoherentCulling(CoherentCulling &chc) {
    RestartCoherentCulling(chc);
    for (GLuint query : chc.idleQueries) glDeleteQueries(1, &query);
    glDeleteProgram(chc.program.program);
    DestroyGlMesh(chc.box);
    chc = CoherentCulling();
}

// The queries in flight are deleted, not reused: their answers may still come.
void RestartCoherentCulling(CoherentCulling &chc) {
    for (std::deque<ChcQuery> *queue : {&chc.hiddenQueries, &chc.requeries}) {
        for (const ChcQuery &query : *queue) glDeleteQueries(1, &query.query);
        queue->clear();
    }
    std::fill(chc.trees.begin(), chc.trees.end(), ChcVisibility());
    std::fill(chc.cells.begin(), chc.cells.end(), ChcVisibility());
    std::fill(chc.marks.begin(), chc.marks.end(), ChcMark::None);
    chc.counts = ChcCounts();
    chc.random.seed();
    chc.frame = 0;
}

std::vector<bool> CoherentCullingFrame(CoherentCulling &chc, const ForestGrid &grid, GlScene &scene,
                                       const D3DXMATRIX &viewProjection, CullTimer &timer) {
    Frame f{chc, grid, scene, viewProjection, timer, std::vector<bool>(scene.worlds.size(), false), {}, {}, {}, {}};
    BeginCulling(timer);
    ++chc.frame;
    std::fill(chc.marks.begin(), chc.marks.end(), ChcMark::None);
    chc.counts = ChcCounts();
    ReadAnswers(f);  // re-queries of earlier frames
    std::vector<uint32_t> cells = CellsInView(f);
    EndCulling(timer);
    BeginMainTarget(scene, viewProjection);
    BeginCulling(timer);
    for (uint32_t cell : cells) {
        ReadAnswers(f);
        VisitCell(f, cell);
        if (f.hidden.size() + f.singles.size() >= (size_t)ChcBatchSize) IssueHidden(f);
    }
    AnswerHiddenNodes(f);
    IssueRequeries(f);  // the rest, after the last trees are drawn, so against the frame's whole depth
    for (const ChcQuery &query : chc.requeries) chc.marks[query.nodes[0].index] = ChcMark::InFlight;
    chc.counts.inFlight = (int)chc.requeries.size();
    EndCulling(timer);
    EndMainTarget();
    return f.drawn;
}
