#include "methods/forest.h"

#include <algorithm>
#include <cmath>

#include "scene/scene.h"

float ConstantDensitySpread(int count) {
    return TreeSpread * std::sqrt(std::max(count, 1) / (float)TreeCount);
}

std::vector<D3DXMATRIX> ForestWorlds(int count, unsigned seed, float spread) {
    float stretch = spread > 0 ? spread / TreeSpread : 1.0f;
    std::vector<D3DXMATRIX> worlds;
    for (const D3DXVECTOR3 &p : PlaceTrees(count > 0 ? (unsigned)count : 0, seed)) {
        D3DXMATRIX world;
        D3DXMatrixTranslation(&world, p.x * stretch, p.y, p.z * stretch);
        worlds.push_back(world);
    }
    return worlds;
}
