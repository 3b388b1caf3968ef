#include "platform/d3dx9/D3dxMatrix.h"

#include <cmath>
#include <cstring>

D3DXMATRIX::D3DXMATRIX(const float* values) : D3DMATRIX{} { std::memcpy(m, values, sizeof(m)); }

D3DXMATRIX::D3DXMATRIX(float f11, float f12, float f13, float f14,
                       float f21, float f22, float f23, float f24,
                       float f31, float f32, float f33, float f34,
                       float f41, float f42, float f43, float f44)
    : D3DMATRIX{{{f11, f12, f13, f14, f21, f22, f23, f24, f31, f32, f33, f34, f41, f42, f43, f44}}} {}

D3DXMATRIX& D3DXMATRIX::operator*=(const D3DXMATRIX& other) { return *D3DXMatrixMultiply(this, this, &other); }

D3DXMATRIX& D3DXMATRIX::operator+=(const D3DXMATRIX& other) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) m[r][c] += other.m[r][c];
  return *this;
}

D3DXMATRIX& D3DXMATRIX::operator-=(const D3DXMATRIX& other) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) m[r][c] -= other.m[r][c];
  return *this;
}

D3DXMATRIX& D3DXMATRIX::operator*=(float s) {
  for (auto& row : m)
    for (float& value : row) value *= s;
  return *this;
}

D3DXMATRIX& D3DXMATRIX::operator/=(float s) {
  for (auto& row : m)
    for (float& value : row) value /= s;
  return *this;
}

D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& other) const {
  D3DXMATRIX product;
  D3DXMatrixMultiply(&product, this, &other);
  return product;
}

bool D3DXMATRIX::operator==(const D3DXMATRIX& other) const {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      if (m[r][c] != other.m[r][c]) return false;
  return true;
}

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out) {
  *out = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
  return out;
}

BOOL D3DXMatrixIsIdentity(const D3DXMATRIX* m) {
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  return *m == identity ? TRUE : FALSE;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
  D3DXMATRIX product;  // separate storage so out may alias a or b
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      product.m[r][c] = a->m[r][0] * b->m[0][c] + a->m[r][1] * b->m[1][c] + a->m[r][2] * b->m[2][c] +
                        a->m[r][3] * b->m[3][c];
  *out = product;
  return out;
}

namespace {

// The 2x2 minors of rows 0-1 (top) and rows 2-3 (bottom). The determinant and
// every cofactor of a 4x4 matrix are sums of products of these (Laplace
// expansion along the row pairs), which costs far less than 16 3x3 minors.
struct RowPairMinors {
  float top[6];
  float bottom[6];
};

RowPairMinors ComputeRowPairMinors(const D3DXMATRIX& a) {
  const auto& m = a.m;
  return {{m[0][0] * m[1][1] - m[1][0] * m[0][1], m[0][0] * m[1][2] - m[1][0] * m[0][2],
           m[0][0] * m[1][3] - m[1][0] * m[0][3], m[0][1] * m[1][2] - m[1][1] * m[0][2],
           m[0][1] * m[1][3] - m[1][1] * m[0][3], m[0][2] * m[1][3] - m[1][2] * m[0][3]},
          {m[2][0] * m[3][1] - m[3][0] * m[2][1], m[2][0] * m[3][2] - m[3][0] * m[2][2],
           m[2][0] * m[3][3] - m[3][0] * m[2][3], m[2][1] * m[3][2] - m[3][1] * m[2][2],
           m[2][1] * m[3][3] - m[3][1] * m[2][3], m[2][2] * m[3][3] - m[3][2] * m[2][3]}};
}

float DeterminantFromMinors(const RowPairMinors& k) {
  const float* s = k.top;
  const float* c = k.bottom;
  return s[0] * c[5] - s[1] * c[4] + s[2] * c[3] + s[3] * c[2] - s[4] * c[1] + s[5] * c[0];
}

}  // namespace

float D3DXMatrixDeterminant(const D3DXMATRIX* m) { return DeterminantFromMinors(ComputeRowPairMinors(*m)); }

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* matrix) {
  const RowPairMinors minors = ComputeRowPairMinors(*matrix);
  const float det = DeterminantFromMinors(minors);
  if (determinant) *determinant = det;
  if (det == 0.0f || !std::isfinite(det)) return nullptr;

  const auto& a = matrix->m;
  const float* s = minors.top;
  const float* c = minors.bottom;
  // Adjugate (transposed cofactors), scaled by 1/det.
  const D3DXMATRIX adjugate(
      a[1][1] * c[5] - a[1][2] * c[4] + a[1][3] * c[3], -a[0][1] * c[5] + a[0][2] * c[4] - a[0][3] * c[3],
      a[3][1] * s[5] - a[3][2] * s[4] + a[3][3] * s[3], -a[2][1] * s[5] + a[2][2] * s[4] - a[2][3] * s[3],

      -a[1][0] * c[5] + a[1][2] * c[2] - a[1][3] * c[1], a[0][0] * c[5] - a[0][2] * c[2] + a[0][3] * c[1],
      -a[3][0] * s[5] + a[3][2] * s[2] - a[3][3] * s[1], a[2][0] * s[5] - a[2][2] * s[2] + a[2][3] * s[1],

      a[1][0] * c[4] - a[1][1] * c[2] + a[1][3] * c[0], -a[0][0] * c[4] + a[0][1] * c[2] - a[0][3] * c[0],
      a[3][0] * s[4] - a[3][1] * s[2] + a[3][3] * s[0], -a[2][0] * s[4] + a[2][1] * s[2] - a[2][3] * s[0],

      -a[1][0] * c[3] + a[1][1] * c[1] - a[1][2] * c[0], a[0][0] * c[3] - a[0][1] * c[1] + a[0][2] * c[0],
      -a[3][0] * s[3] + a[3][1] * s[1] - a[3][2] * s[0], a[2][0] * s[3] - a[2][1] * s[1] + a[2][2] * s[0]);
  *out = adjugate * (1.0f / det);
  return out;
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m) {
  D3DXMATRIX transposed;  // separate storage so out may alias m
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) transposed.m[r][c] = m->m[c][r];
  *out = transposed;
  return out;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z) {
  *out = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1);
  return out;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float x, float y, float z) {
  *out = D3DXMATRIX(x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1);
  return out;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle) {
  const float c = std::cos(angle);
  const float s = std::sin(angle);
  *out = D3DXMATRIX(1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1);
  return out;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle) {
  const float c = std::cos(angle);
  const float s = std::sin(angle);
  *out = D3DXMATRIX(c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1);
  return out;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle) {
  const float c = std::cos(angle);
  const float s = std::sin(angle);
  *out = D3DXMATRIX(c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
  return out;
}

D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, float angle) {
  D3DXVECTOR3 n;
  D3DXVec3Normalize(&n, axis);
  const float c = std::cos(angle);
  const float s = std::sin(angle);
  const float t = 1.0f - c;
  // Rodrigues' formula, transposed for row vectors.
  *out = D3DXMATRIX(t * n.x * n.x + c, t * n.x * n.y + s * n.z, t * n.x * n.z - s * n.y, 0,
                    t * n.x * n.y - s * n.z, t * n.y * n.y + c, t * n.y * n.z + s * n.x, 0,
                    t * n.x * n.z + s * n.y, t * n.y * n.z - s * n.x, t * n.z * n.z + c, 0,
                    0, 0, 0, 1);
  return out;
}

D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, float yaw, float pitch, float roll) {
  D3DXMATRIX rollMatrix, pitchMatrix, yawMatrix;
  D3DXMatrixRotationZ(&rollMatrix, roll);
  D3DXMatrixRotationX(&pitchMatrix, pitch);
  D3DXMatrixRotationY(&yawMatrix, yaw);
  *out = rollMatrix * pitchMatrix * yawMatrix;
  return out;
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up) {
  D3DXVECTOR3 zAxis = *at - *eye;
  D3DXVec3Normalize(&zAxis, &zAxis);
  D3DXVECTOR3 xAxis;
  D3DXVec3Cross(&xAxis, up, &zAxis);
  D3DXVec3Normalize(&xAxis, &xAxis);
  D3DXVECTOR3 yAxis;
  D3DXVec3Cross(&yAxis, &zAxis, &xAxis);
  // The camera axes as columns (the inverse of the camera's rotation), then
  // the eye moved to the origin.
  *out = D3DXMATRIX(xAxis.x, yAxis.x, zAxis.x, 0,
                    xAxis.y, yAxis.y, zAxis.y, 0,
                    xAxis.z, yAxis.z, zAxis.z, 0,
                    -D3DXVec3Dot(&xAxis, eye), -D3DXVec3Dot(&yAxis, eye), -D3DXVec3Dot(&zAxis, eye), 1);
  return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovy, float aspect, float zn, float zf) {
  const float yScale = 1.0f / std::tan(fovy / 2.0f);
  const float xScale = yScale / aspect;
  const float depthScale = zf / (zf - zn);
  *out = D3DXMATRIX(xScale, 0, 0, 0, 0, yScale, 0, 0, 0, 0, depthScale, 1, 0, 0, -zn * depthScale, 0);
  return out;
}

D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* out, float width, float height, float zn, float zf) {
  const float halfWidth = width / 2.0f;
  const float halfHeight = height / 2.0f;
  return D3DXMatrixOrthoOffCenterLH(out, -halfWidth, halfWidth, -halfHeight, halfHeight, zn, zf);
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* out, float left, float right, float bottom, float top,
                                       float zn, float zf) {
  *out = D3DXMATRIX(2.0f / (right - left), 0, 0, 0,
                    0, 2.0f / (top - bottom), 0, 0,
                    0, 0, 1.0f / (zf - zn), 0,
                    (left + right) / (left - right), (top + bottom) / (bottom - top), zn / (zn - zf), 1);
  return out;
}
