#pragma once
// Conversions between Direct3D's row-vector matrices and Bullet's
// column-vector transforms: the 3x3 part is transposed, the translation row
// becomes the origin.

#include "LinearMath/btTransform.h"
#include "platform/d3dx9/D3dxMath.h"

inline btVector3 ToBtVector3(const D3DXVECTOR3& v) { return btVector3(v.x, v.y, v.z); }

inline D3DXVECTOR3 ToD3dVector3(const btVector3& v) { return D3DXVECTOR3(v.x(), v.y(), v.z()); }

inline btTransform ToBtTransform(const D3DXMATRIX& m) {
  const btMatrix3x3 basis(m._11, m._21, m._31,  //
                          m._12, m._22, m._32,  //
                          m._13, m._23, m._33);
  return btTransform(basis, btVector3(m._41, m._42, m._43));
}

inline D3DXMATRIX ToD3dMatrix(const btTransform& t) {
  const btMatrix3x3& b = t.getBasis();
  const btVector3& o = t.getOrigin();
  return D3DXMATRIX(b[0].x(), b[1].x(), b[2].x(), 0.0f,  //
                    b[0].y(), b[1].y(), b[2].y(), 0.0f,  //
                    b[0].z(), b[1].z(), b[2].z(), 0.0f,  //
                    o.x(), o.y(), o.z(), 1.0f);
}
