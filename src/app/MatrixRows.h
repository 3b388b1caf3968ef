#pragma once
// Row operations on the upper 3x3 of a Direct3D matrix (row vectors: each
// row is one axis of the object's frame).

#include "platform/d3dx9/D3dxMath.h"

// Makes each axis unit length, removing a scale carried in the rows.
inline void NormalizeRotationRows(D3DXMATRIX* matrix) {
  for (int row = 0; row < 3; ++row) {
    D3DXVECTOR3 axis(matrix->m[row][0], matrix->m[row][1], matrix->m[row][2]);
    D3DXVec3Normalize(&axis, &axis);
    matrix->m[row][0] = axis.x;
    matrix->m[row][1] = axis.y;
    matrix->m[row][2] = axis.z;
  }
}
