// The forest with any number of trees, for measuring where culling starts to
// pay: the program's placement rules (the same area, x drawn before z, the
// same height) from the benchmark's fixed seed, so ForestWorlds(300) is the
// benchmark's own forest.
#pragma once

#include <d3dx9.h>

#include <vector>

std::vector<D3DXMATRIX> ForestWorlds(int count);
