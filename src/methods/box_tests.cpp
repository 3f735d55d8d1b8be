#include "methods/box_tests.h"

#include "occlusion/occlusion.h"

D3DXVECTOR3 BoxCorner(const Box &box, int corner) {
    return D3DXVECTOR3((corner & 1) ? box.max[0] : box.min[0], (corner & 2) ? box.max[1] : box.min[1],
                       (corner & 4) ? box.max[2] : box.min[2]);
}

bool BoxOutsideFrustum(const Box &box, const D3DXMATRIX &m) {
    int beyond[6] = {};
    for (int c = 0; c < 8; ++c) {
        D3DXVECTOR3 p = BoxCorner(box, c);
        double clip[4];
        for (int k = 0; k < 4; ++k) clip[k] = p.x * m.m[0][k] + p.y * m.m[1][k] + p.z * m.m[2][k] + m.m[3][k];
        double w = clip[3];
        beyond[0] += clip[0] < -w;
        beyond[1] += clip[0] > w;
        beyond[2] += clip[1] < -w;
        beyond[3] += clip[1] > w;
        beyond[4] += clip[2] < 0;
        beyond[5] += clip[2] > w;
    }
    for (int plane = 0; plane < 6; ++plane)
        if (beyond[plane] == 8) return true;
    return false;
}

bool NearPlaneCutsBox(const Box &box, const D3DXMATRIX &worldViewProjection) {
    return NearPlaneCutsBox(BoxCorner(box, 0), BoxCorner(box, 7), worldViewProjection);
}
