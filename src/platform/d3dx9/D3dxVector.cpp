#include "platform/d3dx9/D3dxVector.h"

#include <cmath>

#include "platform/d3dx9/D3dxMatrix.h"

namespace {

// Row vector (x, y, z, w) times m.
D3DXVECTOR4 MultiplyRow(float x, float y, float z, float w, const D3DXMATRIX& m) {
  return {x * m._11 + y * m._21 + z * m._31 + w * m._41,
          x * m._12 + y * m._22 + z * m._32 + w * m._42,
          x * m._13 + y * m._23 + z * m._33 + w * m._43,
          x * m._14 + y * m._24 + z * m._34 + w * m._44};
}

}  // namespace

float D3DXVec2Length(const D3DXVECTOR2* v) { return std::sqrt(D3DXVec2Dot(v, v)); }

float D3DXVec2Dot(const D3DXVECTOR2* a, const D3DXVECTOR2* b) { return a->x * b->x + a->y * b->y; }

D3DXVECTOR2* D3DXVec2Normalize(D3DXVECTOR2* out, const D3DXVECTOR2* v) {
  const float length = D3DXVec2Length(v);
  *out = length > 0.0f ? *v / length : D3DXVECTOR2();
  return out;
}

float D3DXVec3Length(const D3DXVECTOR3* v) { return std::sqrt(D3DXVec3LengthSq(v)); }

float D3DXVec3LengthSq(const D3DXVECTOR3* v) { return D3DXVec3Dot(v, v); }

float D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b) { return a->x * b->x + a->y * b->y + a->z * b->z; }

D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  *out = D3DXVECTOR3(a->y * b->z - a->z * b->y, a->z * b->x - a->x * b->z, a->x * b->y - a->y * b->x);
  return out;
}

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v) {
  const float length = D3DXVec3Length(v);
  *out = length > 0.0f ? *v / length : D3DXVECTOR3();
  return out;
}

D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  *out = *a + *b;
  return out;
}

D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  *out = *a - *b;
  return out;
}

D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* out, const D3DXVECTOR3* v, float s) {
  *out = *v * s;
  return out;
}

D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b, float s) {
  *out = *a + (*b - *a) * s;
  return out;
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  const D3DXVECTOR4 r = MultiplyRow(v->x, v->y, v->z, 1.0f, *m);
  const D3DXVECTOR3 xyz(r.x, r.y, r.z);
  *out = r.w != 0.0f ? xyz / r.w : xyz;
  return out;
}

D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  const D3DXVECTOR4 r = MultiplyRow(v->x, v->y, v->z, 0.0f, *m);
  *out = D3DXVECTOR3(r.x, r.y, r.z);
  return out;
}

D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  *out = MultiplyRow(v->x, v->y, v->z, 1.0f, *m);
  return out;
}

float D3DXVec4Dot(const D3DXVECTOR4* a, const D3DXVECTOR4* b) {
  return a->x * b->x + a->y * b->y + a->z * b->z + a->w * b->w;
}

D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* out, const D3DXVECTOR4* v, const D3DXMATRIX* m) {
  *out = MultiplyRow(v->x, v->y, v->z, v->w, *m);
  return out;
}
