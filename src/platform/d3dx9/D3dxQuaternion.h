#pragma once
// D3DX quaternions (x, y, z, w), identity (0, 0, 0, 1). A unit quaternion
// (sin(a/2) * axis, cos(a/2)) is the same rotation as
// D3DXMatrixRotationAxis(axis, a). Default construction gives all zeros
// (see D3dxMath.h), not the identity.

#include "platform/d3d9/D3d9Types.h"
#include "platform/d3dx9/D3dxVector.h"

struct D3DXMATRIX;

struct D3DXQUATERNION {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  float w = 0.0f;

  D3DXQUATERNION() = default;
  D3DXQUATERNION(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
  D3DXQUATERNION(const float* v) : x(v[0]), y(v[1]), z(v[2]), w(v[3]) {}

  operator float*() { return reinterpret_cast<float*>(this); }
  operator const float*() const { return reinterpret_cast<const float*>(this); }

  D3DXQUATERNION& operator+=(const D3DXQUATERNION& q) { x += q.x; y += q.y; z += q.z; w += q.w; return *this; }
  D3DXQUATERNION& operator-=(const D3DXQUATERNION& q) { x -= q.x; y -= q.y; z -= q.z; w -= q.w; return *this; }
  D3DXQUATERNION& operator*=(const D3DXQUATERNION& q);
  D3DXQUATERNION& operator*=(float s) { x *= s; y *= s; z *= s; w *= s; return *this; }
  D3DXQUATERNION& operator/=(float s) { x /= s; y /= s; z /= s; w /= s; return *this; }

  D3DXQUATERNION operator+() const { return *this; }
  D3DXQUATERNION operator-() const { return {-x, -y, -z, -w}; }
  D3DXQUATERNION operator+(const D3DXQUATERNION& q) const { return {x + q.x, y + q.y, z + q.z, w + q.w}; }
  D3DXQUATERNION operator-(const D3DXQUATERNION& q) const { return {x - q.x, y - q.y, z - q.z, w - q.w}; }
  // D3DXQuaternionMultiply(this, q): this rotation followed by q.
  D3DXQUATERNION operator*(const D3DXQUATERNION& q) const;
  D3DXQUATERNION operator*(float s) const { return {x * s, y * s, z * s, w * s}; }
  D3DXQUATERNION operator/(float s) const { return {x / s, y / s, z / s, w / s}; }

  bool operator==(const D3DXQUATERNION& q) const { return x == q.x && y == q.y && z == q.z && w == q.w; }
  bool operator!=(const D3DXQUATERNION& q) const { return !(*this == q); }
};

inline D3DXQUATERNION operator*(float s, const D3DXQUATERNION& q) { return q * s; }

static_assert(sizeof(D3DXQUATERNION) == 4 * sizeof(float), "D3DXQUATERNION must be four packed floats");

// Every function writes its result through the first pointer and returns it;
// the output may alias any input.

D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* out);
float D3DXQuaternionLength(const D3DXQUATERNION* q);
float D3DXQuaternionDot(const D3DXQUATERNION* a, const D3DXQUATERNION* b);
// A zero quaternion normalises to zero rather than to NaN.
D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* out, const D3DXQUATERNION* q);
// (-x, -y, -z, w): the inverse rotation of a unit quaternion.
D3DXQUATERNION* D3DXQuaternionConjugate(D3DXQUATERNION* out, const D3DXQUATERNION* q);
// Conjugate divided by the squared length. Returns null and leaves out
// untouched for a zero quaternion, which has no inverse.
D3DXQUATERNION* D3DXQuaternionInverse(D3DXQUATERNION* out, const D3DXQUATERNION* q);
// The rotation a followed by b, matching D3DXMatrixRotationQuaternion(a) *
// D3DXMatrixRotationQuaternion(b).
D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* out, const D3DXQUATERNION* a, const D3DXQUATERNION* b);

// The axis need not be unit length.
D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* out, const D3DXVECTOR3* axis, float angle);
// The same rotation as D3DXMatrixRotationYawPitchRoll.
D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* out, float yaw, float pitch, float roll);
// Reads the upper 3x3 of a pure rotation matrix; inverse of
// D3DXMatrixRotationQuaternion.
D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* out, const D3DXMATRIX* m);

// Spherical interpolation along the shorter arc from a (t = 0) to b (t = 1).
// t outside [0, 1] extrapolates along the same great circle.
D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* out, const D3DXQUATERNION* a, const D3DXQUATERNION* b,
                                    float t);
