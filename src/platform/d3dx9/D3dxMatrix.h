#pragma once
// The D3DX 4x4 matrix and the functions that build and combine matrices.
// Row vectors: v' = v * M, A * B applies A first, translation in row 4.
// Coordinates are left-handed: a positive angle turns clockwise seen from the
// positive end of the axis, so RotationY(+a) turns +Z toward +X.

#include "platform/d3d9/D3d9Types.h"
#include "platform/d3dx9/D3dxVector.h"

struct D3DXQUATERNION;

struct D3DXMATRIX : D3DMATRIX {
  // All zeros (see D3dxMath.h); use D3DXMatrixIdentity for the identity.
  D3DXMATRIX() : D3DMATRIX{} {}
  D3DXMATRIX(const D3DMATRIX& other) : D3DMATRIX(other) {}
  // Sixteen floats in row order.
  D3DXMATRIX(const float* values);
  D3DXMATRIX(float f11, float f12, float f13, float f14,
             float f21, float f22, float f23, float f24,
             float f31, float f32, float f33, float f34,
             float f41, float f42, float f43, float f44);

  float& operator()(UINT row, UINT column) { return m[row][column]; }
  float operator()(UINT row, UINT column) const { return m[row][column]; }

  operator float*() { return reinterpret_cast<float*>(this); }
  operator const float*() const { return reinterpret_cast<const float*>(this); }

  D3DXMATRIX& operator*=(const D3DXMATRIX& other);
  D3DXMATRIX& operator+=(const D3DXMATRIX& other);
  D3DXMATRIX& operator-=(const D3DXMATRIX& other);
  D3DXMATRIX& operator*=(float s);
  D3DXMATRIX& operator/=(float s);

  D3DXMATRIX operator+() const { return *this; }
  D3DXMATRIX operator-() const { return *this * -1.0f; }
  D3DXMATRIX operator*(const D3DXMATRIX& other) const;
  D3DXMATRIX operator+(const D3DXMATRIX& other) const { return D3DXMATRIX(*this) += other; }
  D3DXMATRIX operator-(const D3DXMATRIX& other) const { return D3DXMATRIX(*this) -= other; }
  D3DXMATRIX operator*(float s) const { return D3DXMATRIX(*this) *= s; }
  D3DXMATRIX operator/(float s) const { return D3DXMATRIX(*this) /= s; }

  bool operator==(const D3DXMATRIX& other) const;
  bool operator!=(const D3DXMATRIX& other) const { return !(*this == other); }
};

inline D3DXMATRIX operator*(float s, const D3DXMATRIX& matrix) { return matrix * s; }

static_assert(sizeof(D3DXMATRIX) == 16 * sizeof(float), "D3DXMATRIX must be sixteen packed floats");

// Every function writes its result through the first pointer and returns it;
// the output may alias any input.

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out);
// Exact comparison, as callers use it to skip work for untouched matrices.
BOOL D3DXMatrixIsIdentity(const D3DXMATRIX* m);
// a * b: the transform of a followed by that of b.
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b);
float D3DXMatrixDeterminant(const D3DXMATRIX* m);
// Returns null and leaves out untouched when m is singular (determinant 0).
// determinant may be null; otherwise it receives the determinant of m.
D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* m);
D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m);

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z);
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float x, float y, float z);
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle);
// The axis need not be unit length; a zero axis gives a pure scale by cos(angle).
D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, float angle);
// RotationZ(roll) * RotationX(pitch) * RotationY(yaw): roll first, yaw last.
D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, float yaw, float pitch, float roll);
// q is expected to be unit length. Defined beside D3DXQuaternionRotationMatrix,
// its exact inverse.
D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q);

// View matrix for a camera at eye looking toward at.
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up);
// Projection to clip space with depth 0 at zn and 1 at zf; fovy in radians.
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovy, float aspect, float zn, float zf);
D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* out, float width, float height, float zn, float zf);
D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* out, float left, float right, float bottom, float top,
                                       float zn, float zf);
