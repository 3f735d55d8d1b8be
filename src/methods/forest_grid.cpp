#include "methods/forest_grid.h"

#include <algorithm>
#include <cmath>

namespace {

// A cell's box is grown by this much (world units) on every side, so that
// the rounding of a tree's own test (its box placed by world times
// view-projection) never puts a tree outside its cell's box: a cell found
// wholly outside the view then has every tree outside too.
constexpr float CellMargin = 0.01f;

struct GridShape {
    float minX = 0, minZ = 0, width = 0, depth = 0;
    int columns = 1, rows = 1;
};

// About TreesPerCell trees a cell over the square the trees stand on, the
// cells as near to square as the counts allow.
GridShape ShapeFor(const std::vector<D3DXMATRIX> &worlds) {
    GridShape shape;
    float maxX = worlds[0]._41, maxZ = worlds[0]._43;
    shape.minX = maxX, shape.minZ = maxZ;
    for (const D3DXMATRIX &w : worlds) {
        shape.minX = std::min(shape.minX, w._41), maxX = std::max(maxX, w._41);
        shape.minZ = std::min(shape.minZ, w._43), maxZ = std::max(maxZ, w._43);
    }
    shape.width = maxX - shape.minX, shape.depth = maxZ - shape.minZ;
    int cells = std::max(1, (int)((worlds.size() + TreesPerCell - 1) / TreesPerCell));
    double aspect = shape.depth > 0 ? shape.width / shape.depth : cells;
    shape.columns = std::clamp((int)std::lround(std::sqrt(cells * aspect)), 1, cells);
    shape.rows = (cells + shape.columns - 1) / shape.columns;
    return shape;
}

int Slot(float value, float from, float extent, int slots) {
    if (extent <= 0) return 0;
    return std::clamp((int)((value - from) / extent * slots), 0, slots - 1);
}

}  // namespace

Box PlacedBox(const Box &box, const D3DXMATRIX &world) {
    Box placed;
    for (int corner = 0; corner < 8; ++corner) {
        D3DXVECTOR3 p = BoxCorner(box, corner), q;
        D3DXVec3TransformCoord(&q, &p, &world);
        const float at[3] = {q.x, q.y, q.z};
        for (int k = 0; k < 3; ++k) {
            placed.min[k] = corner ? std::min(placed.min[k], at[k]) : at[k];
            placed.max[k] = corner ? std::max(placed.max[k], at[k]) : at[k];
        }
    }
    return placed;
}

Box BoxUnion(const Box &a, const Box &b) {
    Box both;
    for (int k = 0; k < 3; ++k) {
        both.min[k] = std::min(a.min[k], b.min[k]);
        both.max[k] = std::max(a.max[k], b.max[k]);
    }
    return both;
}

void BuildForestGrid(ForestGrid &grid, const GlScene &scene) {
    grid = ForestGrid();
    const std::vector<D3DXMATRIX> &worlds = scene.worlds;
    if (worlds.empty()) return;
    GridShape shape = ShapeFor(worlds);
    // Each tree's slot, then the trees sorted by slot (a counting sort).
    std::vector<int> slotOf(worlds.size());
    std::vector<uint32_t> start(shape.columns * shape.rows + 1, 0);
    for (size_t i = 0; i < worlds.size(); ++i) {
        slotOf[i] = Slot(worlds[i]._41, shape.minX, shape.width, shape.columns) +
                    Slot(worlds[i]._43, shape.minZ, shape.depth, shape.rows) * shape.columns;
        ++start[slotOf[i] + 1];
    }
    for (size_t s = 1; s < start.size(); ++s) start[s] += start[s - 1];
    grid.trees.resize(worlds.size());
    std::vector<uint32_t> next(start.begin(), start.end() - 1);
    for (size_t i = 0; i < worlds.size(); ++i) grid.trees[next[slotOf[i]]++] = (uint32_t)i;

    Box local = BoxUnion(scene.tree.bounds, scene.bounding.bounds);
    grid.cellOf.resize(worlds.size());
    for (size_t s = 0; s + 1 < start.size(); ++s) {
        if (start[s] == start[s + 1]) continue;
        GridCell cell;
        cell.first = start[s];
        cell.count = start[s + 1] - start[s];
        cell.box = PlacedBox(local, worlds[grid.trees[cell.first]]);
        for (uint32_t k = cell.first; k < cell.first + cell.count; ++k) {
            cell.box = BoxUnion(cell.box, PlacedBox(local, worlds[grid.trees[k]]));
            grid.cellOf[grid.trees[k]] = (uint32_t)grid.cells.size();
        }
        for (int k = 0; k < 3; ++k) {
            cell.box.min[k] -= CellMargin;
            cell.box.max[k] += CellMargin;
        }
        grid.cells.push_back(cell);
    }
}

std::vector<uint32_t> TreesInViewCells(const ForestGrid &grid, const D3DXMATRIX &viewProjection) {
    std::vector<uint32_t> trees;
    for (const GridCell &cell : grid.cells)
        if (!BoxOutsideFrustum(cell.box, viewProjection))
            trees.insert(trees.end(), grid.trees.begin() + cell.first, grid.trees.begin() + cell.first + cell.count);
    return trees;
}

std::vector<uint32_t> EveryTree(size_t count) {
    std::vector<uint32_t> trees(count);
    for (size_t i = 0; i < count; ++i) trees[i] = (uint32_t)i;
    return trees;
}
