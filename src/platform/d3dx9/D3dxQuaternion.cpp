#include "platform/d3dx9/D3dxQuaternion.h"

#include <cmath>

#include "platform/d3dx9/D3dxMatrix.h"

D3DXQUATERNION& D3DXQUATERNION::operator*=(const D3DXQUATERNION& q) { return *D3DXQuaternionMultiply(this, this, &q); }

D3DXQUATERNION D3DXQUATERNION::operator*(const D3DXQUATERNION& q) const {
  D3DXQUATERNION product;
  D3DXQuaternionMultiply(&product, this, &q);
  return product;
}

D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* out) {
  *out = D3DXQUATERNION(0, 0, 0, 1);
  return out;
}

float D3DXQuaternionLength(const D3DXQUATERNION* q) { return std::sqrt(D3DXQuaternionDot(q, q)); }

float D3DXQuaternionDot(const D3DXQUATERNION* a, const D3DXQUATERNION* b) {
  return a->x * b->x + a->y * b->y + a->z * b->z + a->w * b->w;
}

D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
  const float length = D3DXQuaternionLength(q);
  *out = length > 0.0f ? *q / length : D3DXQUATERNION();
  return out;
}

D3DXQUATERNION* D3DXQuaternionConjugate(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
  *out = D3DXQUATERNION(-q->x, -q->y, -q->z, q->w);
  return out;
}

D3DXQUATERNION* D3DXQuaternionInverse(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
  const float lengthSq = D3DXQuaternionDot(q, q);
  if (!(lengthSq > 0.0f)) return nullptr;
  D3DXQUATERNION conjugate;
  D3DXQuaternionConjugate(&conjugate, q);
  *out = conjugate / lengthSq;
  return out;
}

D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* out, const D3DXQUATERNION* a, const D3DXQUATERNION* b) {
  // The Hamilton product b * a: with row vectors, a's rotation applies first.
  const D3DXQUATERNION& p = *b;
  const D3DXQUATERNION& q = *a;
  *out = D3DXQUATERNION(p.w * q.x + p.x * q.w + p.y * q.z - p.z * q.y,
                        p.w * q.y - p.x * q.z + p.y * q.w + p.z * q.x,
                        p.w * q.z + p.x * q.y - p.y * q.x + p.z * q.w,
                        p.w * q.w - p.x * q.x - p.y * q.y - p.z * q.z);
  return out;
}

D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* out, const D3DXVECTOR3* axis, float angle) {
  D3DXVECTOR3 n;
  D3DXVec3Normalize(&n, axis);
  const float s = std::sin(angle / 2.0f);
  *out = D3DXQUATERNION(n.x * s, n.y * s, n.z * s, std::cos(angle / 2.0f));
  return out;
}

D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* out, float yaw, float pitch, float roll) {
  const D3DXVECTOR3 xAxis(1, 0, 0), yAxis(0, 1, 0), zAxis(0, 0, 1);
  D3DXQUATERNION rollRotation, pitchRotation, yawRotation;
  D3DXQuaternionRotationAxis(&rollRotation, &zAxis, roll);
  D3DXQuaternionRotationAxis(&pitchRotation, &xAxis, pitch);
  D3DXQuaternionRotationAxis(&yawRotation, &yAxis, yaw);
  *out = rollRotation * pitchRotation * yawRotation;
  return out;
}

D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q) {
  const float x = q->x, y = q->y, z = q->z, w = q->w;
  *out = D3DXMATRIX(1 - 2 * (y * y + z * z), 2 * (x * y + z * w), 2 * (x * z - y * w), 0,
                    2 * (x * y - z * w), 1 - 2 * (x * x + z * z), 2 * (y * z + x * w), 0,
                    2 * (x * z + y * w), 2 * (y * z - x * w), 1 - 2 * (x * x + y * y), 0,
                    0, 0, 0, 1);
  return out;
}

D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* out, const D3DXMATRIX* matrix) {
  const D3DXMATRIX& m = *matrix;
  // Solve first for the largest of |w|, |x|, |y|, |z|, read from the trace or
  // a diagonal term, so the divisor below is never small; the other three
  // components come from sums and differences of the off-diagonal terms.
  const float trace = m._11 + m._22 + m._33;
  D3DXQUATERNION q;
  if (trace > 0.0f) {
    const float s = 2.0f * std::sqrt(1.0f + trace);  // 4w
    q = D3DXQUATERNION((m._23 - m._32) / s, (m._31 - m._13) / s, (m._12 - m._21) / s, s / 4.0f);
  } else if (m._11 >= m._22 && m._11 >= m._33) {
    const float s = 2.0f * std::sqrt(1.0f + m._11 - m._22 - m._33);  // 4x
    q = D3DXQUATERNION(s / 4.0f, (m._12 + m._21) / s, (m._13 + m._31) / s, (m._23 - m._32) / s);
  } else if (m._22 >= m._33) {
    const float s = 2.0f * std::sqrt(1.0f + m._22 - m._11 - m._33);  // 4y
    q = D3DXQUATERNION((m._12 + m._21) / s, s / 4.0f, (m._23 + m._32) / s, (m._31 - m._13) / s);
  } else {
    const float s = 2.0f * std::sqrt(1.0f + m._33 - m._11 - m._22);  // 4z
    q = D3DXQUATERNION((m._13 + m._31) / s, (m._23 + m._32) / s, s / 4.0f, (m._12 - m._21) / s);
  }
  *out = q;
  return out;
}

D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* out, const D3DXQUATERNION* a, const D3DXQUATERNION* b,
                                    float t) {
  // q and -q are the same rotation; flipping b when the dot is negative
  // makes the path take the shorter arc.
  float cosAngle = D3DXQuaternionDot(a, b);
  const float bSign = cosAngle < 0.0f ? -1.0f : 1.0f;
  cosAngle *= bSign;

  float aWeight, bWeight;
  if (1.0f - cosAngle < 1e-5f) {
    // Nearly parallel: sin(angle) ~ 0 would blow up the weights below, and a
    // straight line is within float precision of the arc here. Not
    // renormalised, as the length error is of the same tiny order.
    aWeight = 1.0f - t;
    bWeight = t;
  } else {
    // These weights keep their meaning for t outside [0, 1], which is what
    // makes extrapolation follow the same great circle.
    const float angle = std::acos(cosAngle);
    const float sinAngle = std::sin(angle);
    aWeight = std::sin((1.0f - t) * angle) / sinAngle;
    bWeight = std::sin(t * angle) / sinAngle;
  }
  *out = *a * aWeight + *b * (bWeight * bSign);
  return out;
}
