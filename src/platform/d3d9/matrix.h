// The layer's one 4x4 matrix product, shared by the device, the D3DX math
// and the .x reader so that all of them compute the same bits.
#pragma once

#include "d3d9types.h"

// a then b, for row vectors: each element summed left to right, as
// D3DXMatrixMultiply does.
inline D3DMATRIX MultiplyMatrices(const D3DMATRIX &a, const D3DMATRIX &b) {
    D3DMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
    return r;
}

inline D3DMATRIX IdentityMatrix() {
    D3DMATRIX r{};
    r._11 = r._22 = r._33 = r._44 = 1.0f;
    return r;
}
