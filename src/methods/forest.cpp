#include "methods/forest.h"

#include "methods/common.h"
#include "scene/scene.h"

std::vector<D3DXMATRIX> ForestWorlds(int count) {
    unsigned state = FixedSeed;
    std::vector<D3DXMATRIX> worlds(count > 0 ? count : 0);
    for (D3DXMATRIX &world : worlds) {
        float x = FoldSigned(NextRandom(state)) * TreeSpread;
        float z = FoldSigned(NextRandom(state)) * TreeSpread;
        D3DXMatrixTranslation(&world, x, TreeY, z);
    }
    return worlds;
}
