// D3DX math: row-vector, left-handed, single precision, as Direct3D 9
// defines it.
#pragma once

#include "../d3d9/d3d9types.h"

#define D3DX_PI ((FLOAT)3.141592654f)

struct D3DXVECTOR3 : public D3DVECTOR {
    D3DXVECTOR3() {}
    D3DXVECTOR3(FLOAT vx, FLOAT vy, FLOAT vz) {
        x = vx;
        y = vy;
        z = vz;
    }
};

struct D3DXQUATERNION {
    FLOAT x, y, z, w;
    D3DXQUATERNION() {}
    D3DXQUATERNION(FLOAT qx, FLOAT qy, FLOAT qz, FLOAT qw) : x(qx), y(qy), z(qz), w(qw) {}
};

struct D3DXMATRIX : public D3DMATRIX {
    D3DXMATRIX() {}
    D3DXMATRIX(const D3DMATRIX &matrix) : D3DMATRIX(matrix) {}
    D3DXMATRIX(FLOAT f11, FLOAT f12, FLOAT f13, FLOAT f14, FLOAT f21, FLOAT f22, FLOAT f23, FLOAT f24, FLOAT f31,
               FLOAT f32, FLOAT f33, FLOAT f34, FLOAT f41, FLOAT f42, FLOAT f43, FLOAT f44);
    FLOAT &operator()(UINT row, UINT column) { return m[row][column]; }
    FLOAT operator()(UINT row, UINT column) const { return m[row][column]; }
    D3DXMATRIX operator*(const D3DXMATRIX &other) const;
    bool operator==(const D3DXMATRIX &other) const;
};

typedef D3DXMATRIX *LPD3DXMATRIX;
typedef D3DXVECTOR3 *LPD3DXVECTOR3;
typedef D3DXQUATERNION *LPD3DXQUATERNION;

D3DXMATRIX *WINAPI D3DXMatrixIdentity(D3DXMATRIX *pOut);
D3DXMATRIX *WINAPI D3DXMatrixMultiply(D3DXMATRIX *pOut, const D3DXMATRIX *pM1, const D3DXMATRIX *pM2);
D3DXMATRIX *WINAPI D3DXMatrixTranslation(D3DXMATRIX *pOut, FLOAT x, FLOAT y, FLOAT z);
D3DXMATRIX *WINAPI D3DXMatrixAffineTransformation(D3DXMATRIX *pOut, FLOAT Scaling,
                                                  const D3DXVECTOR3 *pRotationCenter,
                                                  const D3DXQUATERNION *pRotation,
                                                  const D3DXVECTOR3 *pTranslation);
D3DXMATRIX *WINAPI D3DXMatrixInverse(D3DXMATRIX *pOut, FLOAT *pDeterminant, const D3DXMATRIX *pM);
D3DXMATRIX *WINAPI D3DXMatrixPerspectiveFovLH(D3DXMATRIX *pOut, FLOAT fovy, FLOAT Aspect, FLOAT zn, FLOAT zf);
D3DXQUATERNION *WINAPI D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION *pOut, FLOAT Yaw, FLOAT Pitch,
                                                          FLOAT Roll);
D3DXVECTOR3 *WINAPI D3DXVec3TransformNormal(D3DXVECTOR3 *pOut, const D3DXVECTOR3 *pV, const D3DXMATRIX *pM);
D3DXVECTOR3 *WINAPI D3DXVec3TransformCoord(D3DXVECTOR3 *pOut, const D3DXVECTOR3 *pV, const D3DXMATRIX *pM);
// The smallest box holding NumVertices positions, each dwStride bytes after the last.
HRESULT WINAPI D3DXComputeBoundingBox(const D3DXVECTOR3 *pFirstPosition, DWORD NumVertices, DWORD dwStride,
                                      D3DXVECTOR3 *pMin, D3DXVECTOR3 *pMax);
