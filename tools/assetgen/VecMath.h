#pragma once
// Small vector helpers over the generator's Vec2 and Vec3 and a 3x3 rotation
// in the row-vector convention of the game (v' = v * M), so that rotations
// composed here read like the game's own matrix products.

#include <cmath>

#include "MeshModel.h"

namespace assetgen {

constexpr float kPi = 3.14159265358979f;
constexpr float kDegrees = kPi / 180.0f;

inline Vec3 V3(float x, float y, float z) { return Vec3{x, y, z}; }
inline Vec2 V2(float x, float y) { return Vec2{x, y}; }

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator-(Vec3 a) { return {-a.x, -a.y, -a.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vec3 operator*(float s, Vec3 a) { return a * s; }
inline Vec3 operator/(Vec3 a, float s) { return {a.x / s, a.y / s, a.z / s}; }
inline Vec3& operator+=(Vec3& a, Vec3 b) { return a = a + b; }
inline Vec3& operator-=(Vec3& a, Vec3 b) { return a = a - b; }
inline Vec3& operator*=(Vec3& a, float s) { return a = a * s; }
inline Vec3 Mul(Vec3 a, Vec3 b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }

inline Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
inline Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
inline Vec2 operator*(Vec2 a, float s) { return {a.x * s, a.y * s}; }

inline float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline float Length(Vec3 a) { return std::sqrt(Dot(a, a)); }
inline float Distance(Vec3 a, Vec3 b) { return Length(a - b); }
inline Vec3 Normalize(Vec3 a, Vec3 fallback = {0.0f, 1.0f, 0.0f}) {
  const float length = Length(a);
  return length > 1e-12f ? a / length : fallback;
}
inline Vec3 Lerp(Vec3 a, Vec3 b, float t) { return a + (b - a) * t; }
inline float Lerp(float a, float b, float t) { return a + (b - a) * t; }
inline float Clamp(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }
inline float Saturate(float v) { return Clamp(v, 0.0f, 1.0f); }
inline float SmoothStep(float edge0, float edge1, float x) {
  const float t = Saturate((x - edge0) / (edge1 - edge0));
  return t * t * (3.0f - 2.0f * t);
}
// Any unit vector perpendicular to n.
inline Vec3 AnyPerpendicular(Vec3 n) {
  const Vec3 helper = std::fabs(n.x) < 0.9f ? Vec3{1, 0, 0} : Vec3{0, 1, 0};
  return Normalize(Cross(n, helper));
}

// A rotation (or any linear map) as three rows; a row vector v maps to
// v.x * r[0] + v.y * r[1] + v.z * r[2].
struct Mat3 {
  Vec3 r[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
};

inline Vec3 operator*(Vec3 v, const Mat3& m) { return m.r[0] * v.x + m.r[1] * v.y + m.r[2] * v.z; }
// a * b applies a first, then b.
inline Mat3 operator*(const Mat3& a, const Mat3& b) {
  Mat3 out;
  for (int i = 0; i < 3; ++i) out.r[i] = a.r[i] * b;
  return out;
}
inline Mat3 Transpose(const Mat3& m) {
  Mat3 t;
  t.r[0] = {m.r[0].x, m.r[1].x, m.r[2].x};
  t.r[1] = {m.r[0].y, m.r[1].y, m.r[2].y};
  t.r[2] = {m.r[0].z, m.r[1].z, m.r[2].z};
  return t;
}
inline Mat3 Scale3(float s) {
  Mat3 m;
  for (Vec3& row : m.r) row *= s;
  return m;
}

// The rotations of the D3DX functions of the same names.
inline Mat3 RotationX(float a) {
  const float c = std::cos(a), s = std::sin(a);
  Mat3 m;
  m.r[1] = {0, c, s};
  m.r[2] = {0, -s, c};
  return m;
}
inline Mat3 RotationY(float a) {
  const float c = std::cos(a), s = std::sin(a);
  Mat3 m;
  m.r[0] = {c, 0, -s};
  m.r[2] = {s, 0, c};
  return m;
}
inline Mat3 RotationZ(float a) {
  const float c = std::cos(a), s = std::sin(a);
  Mat3 m;
  m.r[0] = {c, s, 0};
  m.r[1] = {-s, c, 0};
  return m;
}
// Roll about Z first, then pitch about X, then yaw about Y.
inline Mat3 RotationYawPitchRoll(float yaw, float pitch, float roll) {
  return RotationZ(roll) * RotationX(pitch) * RotationY(yaw);
}
// Rotation by angle about a unit axis, turning the same way as RotationX/Y/Z
// do about their axes.
inline Mat3 RotationAxis(Vec3 axis, float angle) {
  const Vec3 a = Normalize(axis);
  const float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
  Mat3 m;
  m.r[0] = {t * a.x * a.x + c, t * a.x * a.y + s * a.z, t * a.x * a.z - s * a.y};
  m.r[1] = {t * a.x * a.y - s * a.z, t * a.y * a.y + c, t * a.y * a.z + s * a.x};
  m.r[2] = {t * a.x * a.z + s * a.y, t * a.y * a.z - s * a.x, t * a.z * a.z + c};
  return m;
}

}  // namespace assetgen
