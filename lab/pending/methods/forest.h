#pragma once
#include <d3dx9.h>
#include <vector>
std::vector<D3DXMATRIX> ForestWorlds(int count);
