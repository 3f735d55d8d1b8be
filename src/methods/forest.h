// The forest with any number of trees, placed by the program's own rule
// (PlaceTrees) from a seed, so the forest of 300 trees at a seed is the one
// the program places from that seed.
#pragma once

#include <d3dx9.h>

#include <vector>

constexpr unsigned DefaultForestSeed = 2026;
// The most trees the benchmark and the lab place.
constexpr int MaxForestTrees = 100000;

// The half-side of a square that holds `count` trees as densely as the
// program's square holds its TreeCount.
float ConstantDensitySpread(int count);

// `count` trees' world matrices. With `spread` above the program's
// TreeSpread the forest is stretched to cover a larger square, keeping the
// same layout.
std::vector<D3DXMATRIX> ForestWorlds(int count, unsigned seed = DefaultForestSeed, float spread = 0);
