#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

#include "../d3d9/matrix.h"
#include "d3dx9math.h"

D3DXMATRIX::D3DXMATRIX(FLOAT f11, FLOAT f12, FLOAT f13, FLOAT f14, FLOAT f21, FLOAT f22, FLOAT f23, FLOAT f24,
                       FLOAT f31, FLOAT f32, FLOAT f33, FLOAT f34, FLOAT f41, FLOAT f42, FLOAT f43, FLOAT f44) {
    _11 = f11, _12 = f12, _13 = f13, _14 = f14;
    _21 = f21, _22 = f22, _23 = f23, _24 = f24;
    _31 = f31, _32 = f32, _33 = f33, _34 = f34;
    _41 = f41, _42 = f42, _43 = f43, _44 = f44;
}

D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX &other) const {
    D3DXMATRIX result;
    D3DXMatrixMultiply(&result, this, &other);
    return result;
}

bool D3DXMATRIX::operator==(const D3DXMATRIX &other) const {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            if (m[i][j] != other.m[i][j]) return false;
    return true;
}

D3DXMATRIX *WINAPI D3DXMatrixIdentity(D3DXMATRIX *out) {
    *out = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX *WINAPI D3DXMatrixMultiply(D3DXMATRIX *out, const D3DXMATRIX *a, const D3DXMATRIX *b) {
    *static_cast<D3DMATRIX *>(out) = MultiplyMatrices(*a, *b);
    return out;
}

D3DXMATRIX *WINAPI D3DXMatrixTranslation(D3DXMATRIX *out, FLOAT x, FLOAT y, FLOAT z) {
    D3DXMatrixIdentity(out);
    out->_41 = x;
    out->_42 = y;
    out->_43 = z;
    return out;
}

// Scale, then rotate about the centre, then translate.
D3DXMATRIX *WINAPI D3DXMatrixAffineTransformation(D3DXMATRIX *out, FLOAT scaling, const D3DXVECTOR3 *center,
                                                  const D3DXQUATERNION *rotation, const D3DXVECTOR3 *translation) {
    D3DXMatrixIdentity(out);
    float r[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    if (rotation) {
        float x = rotation->x, y = rotation->y, z = rotation->z, w = rotation->w;
        r[0][0] = 1.0f - 2.0f * (y * y + z * z);
        r[0][1] = 2.0f * (x * y + z * w);
        r[0][2] = 2.0f * (x * z - y * w);
        r[1][0] = 2.0f * (x * y - z * w);
        r[1][1] = 1.0f - 2.0f * (x * x + z * z);
        r[1][2] = 2.0f * (y * z + x * w);
        r[2][0] = 2.0f * (x * z + y * w);
        r[2][1] = 2.0f * (y * z - x * w);
        r[2][2] = 1.0f - 2.0f * (x * x + y * y);
    }
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) out->m[i][j] = scaling * r[i][j];
    if (center && rotation) {
        // The centre moves by (I - R) c, so that it stays where it was.
        for (int j = 0; j < 3; ++j)
            out->m[3][j] = (j == 0 ? center->x : j == 1 ? center->y : center->z) -
                           (center->x * r[0][j] + center->y * r[1][j] + center->z * r[2][j]);
    }
    if (translation) {
        out->_41 += translation->x;
        out->_42 += translation->y;
        out->_43 += translation->z;
    }
    return out;
}

// Inverse by cofactors; null when the matrix is singular.
D3DXMATRIX *WINAPI D3DXMatrixInverse(D3DXMATRIX *out, FLOAT *determinant, const D3DXMATRIX *in) {
    const float(*a)[4] = in->m;
    float s0 = a[0][0] * a[1][1] - a[1][0] * a[0][1];
    float s1 = a[0][0] * a[1][2] - a[1][0] * a[0][2];
    float s2 = a[0][0] * a[1][3] - a[1][0] * a[0][3];
    float s3 = a[0][1] * a[1][2] - a[1][1] * a[0][2];
    float s4 = a[0][1] * a[1][3] - a[1][1] * a[0][3];
    float s5 = a[0][2] * a[1][3] - a[1][2] * a[0][3];
    float c5 = a[2][2] * a[3][3] - a[3][2] * a[2][3];
    float c4 = a[2][1] * a[3][3] - a[3][1] * a[2][3];
    float c3 = a[2][1] * a[3][2] - a[3][1] * a[2][2];
    float c2 = a[2][0] * a[3][3] - a[3][0] * a[2][3];
    float c1 = a[2][0] * a[3][2] - a[3][0] * a[2][2];
    float c0 = a[2][0] * a[3][1] - a[3][0] * a[2][1];
    float det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
    if (det == 0.0f) return nullptr;
    if (determinant) *determinant = det;
    float inv = 1.0f / det;
    D3DXMATRIX r;
    r.m[0][0] = (a[1][1] * c5 - a[1][2] * c4 + a[1][3] * c3) * inv;
    r.m[0][1] = (-a[0][1] * c5 + a[0][2] * c4 - a[0][3] * c3) * inv;
    r.m[0][2] = (a[3][1] * s5 - a[3][2] * s4 + a[3][3] * s3) * inv;
    r.m[0][3] = (-a[2][1] * s5 + a[2][2] * s4 - a[2][3] * s3) * inv;
    r.m[1][0] = (-a[1][0] * c5 + a[1][2] * c2 - a[1][3] * c1) * inv;
    r.m[1][1] = (a[0][0] * c5 - a[0][2] * c2 + a[0][3] * c1) * inv;
    r.m[1][2] = (-a[3][0] * s5 + a[3][2] * s2 - a[3][3] * s1) * inv;
    r.m[1][3] = (a[2][0] * s5 - a[2][2] * s2 + a[2][3] * s1) * inv;
    r.m[2][0] = (a[1][0] * c4 - a[1][1] * c2 + a[1][3] * c0) * inv;
    r.m[2][1] = (-a[0][0] * c4 + a[0][1] * c2 - a[0][3] * c0) * inv;
    r.m[2][2] = (a[3][0] * s4 - a[3][1] * s2 + a[3][3] * s0) * inv;
    r.m[2][3] = (-a[2][0] * s4 + a[2][1] * s2 - a[2][3] * s0) * inv;
    r.m[3][0] = (-a[1][0] * c3 + a[1][1] * c1 - a[1][2] * c0) * inv;
    r.m[3][1] = (a[0][0] * c3 - a[0][1] * c1 + a[0][2] * c0) * inv;
    r.m[3][2] = (-a[3][0] * s3 + a[3][1] * s1 - a[3][2] * s0) * inv;
    r.m[3][3] = (a[2][0] * s3 - a[2][1] * s1 + a[2][2] * s0) * inv;
    *out = r;
    return out;
}

D3DXMATRIX *WINAPI D3DXMatrixPerspectiveFovLH(D3DXMATRIX *out, FLOAT fovy, FLOAT aspect, FLOAT zn, FLOAT zf) {
    float yScale = 1.0f / tanf(fovy / 2.0f);
    D3DXMatrixIdentity(out);
    out->_11 = yScale / aspect;
    out->_22 = yScale;
    out->_33 = zf / (zf - zn);
    out->_34 = 1.0f;
    out->_43 = -zn * zf / (zf - zn);
    out->_44 = 0.0f;
    return out;
}

// Roll about z, then pitch about x, then yaw about y.
D3DXQUATERNION *WINAPI D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION *out, FLOAT yaw, FLOAT pitch, FLOAT roll) {
    float sy = sinf(yaw / 2.0f), cy = cosf(yaw / 2.0f);
    float sp = sinf(pitch / 2.0f), cp = cosf(pitch / 2.0f);
    float sr = sinf(roll / 2.0f), cr = cosf(roll / 2.0f);
    out->x = cy * sp * cr + sy * cp * sr;
    out->y = sy * cp * cr - cy * sp * sr;
    out->z = cy * cp * sr - sy * sp * cr;
    out->w = cy * cp * cr + sy * sp * sr;
    return out;
}

D3DXVECTOR3 *WINAPI D3DXVec3TransformNormal(D3DXVECTOR3 *out, const D3DXVECTOR3 *v, const D3DXMATRIX *m) {
    D3DXVECTOR3 r(m->_11 * v->x + m->_21 * v->y + m->_31 * v->z, m->_12 * v->x + m->_22 * v->y + m->_32 * v->z,
                  m->_13 * v->x + m->_23 * v->y + m->_33 * v->z);
    *out = r;
    return out;
}

D3DXVECTOR3 *WINAPI D3DXVec3TransformCoord(D3DXVECTOR3 *out, const D3DXVECTOR3 *v, const D3DXMATRIX *m) {
    float w = m->_14 * v->x + m->_24 * v->y + m->_34 * v->z + m->_44;
    float inv = w != 0.0f ? 1.0f / w : 0.0f;
    D3DXVECTOR3 r((m->_11 * v->x + m->_21 * v->y + m->_31 * v->z + m->_41) * inv,
                  (m->_12 * v->x + m->_22 * v->y + m->_32 * v->z + m->_42) * inv,
                  (m->_13 * v->x + m->_23 * v->y + m->_33 * v->z + m->_43) * inv);
    *out = r;
    return out;
}

HRESULT WINAPI D3DXComputeBoundingBox(const D3DXVECTOR3 *first, DWORD count, DWORD stride, D3DXVECTOR3 *min,
                                      D3DXVECTOR3 *max) {
    if (!first || !min || !max) return D3DERR_INVALIDCALL;
    *min = D3DXVECTOR3(FLT_MAX, FLT_MAX, FLT_MAX);
    *max = D3DXVECTOR3(-FLT_MAX, -FLT_MAX, -FLT_MAX);
    const BYTE *at = reinterpret_cast<const BYTE *>(first);
    for (DWORD i = 0; i < count; ++i, at += stride) {
        D3DXVECTOR3 p;
        memcpy(&p, at, sizeof p);
        min->x = std::min(min->x, p.x), min->y = std::min(min->y, p.y), min->z = std::min(min->z, p.z);
        max->x = std::max(max->x, p.x), max->y = std::max(max->y, p.y), max->z = std::max(max->z, p.z);
    }
    return D3D_OK;
}
