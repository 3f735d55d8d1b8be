// The forest in a uniform grid on the ground (x, z): each cell holds the
// trees standing in it and a box that holds all of their meshes, so that a
// whole cell can be culled, or queried, at once. Built again whenever the
// forest changes.
#pragma once

#include <d3dx9.h>

#include <cstdint>
#include <vector>

#include "methods/plain_gl_scene.h"

// About this many trees a cell, on average.
constexpr int TreesPerCell = 8;

struct GridCell {
    Box box;               // world space: every mesh of its trees, grown a little (see forest_grid.cpp)
    uint32_t first = 0;    // its trees: ForestGrid::trees[first .. first + count)
    uint32_t count = 0;
};

struct ForestGrid {
    std::vector<GridCell> cells;   // the cells that hold a tree
    std::vector<uint32_t> trees;   // tree numbers, cell after cell
    std::vector<uint32_t> cellOf;  // each tree's cell
};

// The grid of scene.worlds; a tree's meshes are scene.tree's and scene.bounding's.
void BuildForestGrid(ForestGrid &grid, const GlScene &scene);

// The world-space box that holds `box` (in a mesh's own space) placed by `world`.
Box PlacedBox(const Box &box, const D3DXMATRIX &world);
Box BoxUnion(const Box &a, const Box &b);

// The trees of every cell whose box is not wholly outside the view, cell
// after cell: every tree whose own box may reach into the view is among them.
std::vector<uint32_t> TreesInViewCells(const ForestGrid &grid, const D3DXMATRIX &viewProjection);
// Every tree number 0 .. count - 1: the same list without a grid.
std::vector<uint32_t> EveryTree(size_t count);
