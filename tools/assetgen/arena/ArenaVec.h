#pragma once
// Small vector types for building and lighting the arena. They live in their
// own namespace so that the generator's other parts can define helpers of
// their own on the shared Vec3 without any clash.

#include <cmath>

namespace assetgen::arena {

struct V2 {
  float x = 0.0f, y = 0.0f;
};

struct V3 {
  float x = 0.0f, y = 0.0f, z = 0.0f;
};

inline V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 operator-(V3 a) { return {-a.x, -a.y, -a.z}; }
inline V3 operator*(V3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline V3 operator*(float s, V3 a) { return {a.x * s, a.y * s, a.z * s}; }
inline V3 Mul(V3 a, V3 b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }
inline float Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline V3 Cross(V3 a, V3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float Length(V3 a) { return std::sqrt(Dot(a, a)); }
inline V3 Normalize(V3 a) {
  const float len = Length(a);
  return len > 0.0f ? a * (1.0f / len) : V3{0.0f, 0.0f, 0.0f};
}
inline V3 Lerp(V3 a, V3 b, float t) { return a + (b - a) * t; }
inline V3 Min(V3 a, V3 b) { return {std::fmin(a.x, b.x), std::fmin(a.y, b.y), std::fmin(a.z, b.z)}; }
inline V3 Max(V3 a, V3 b) { return {std::fmax(a.x, b.x), std::fmax(a.y, b.y), std::fmax(a.z, b.z)}; }
inline float Component(V3 a, int axis) { return axis == 0 ? a.x : (axis == 1 ? a.y : a.z); }

inline float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }
inline float Smoothstep(float edge0, float edge1, float v) {
  const float t = Clamp01((v - edge0) / (edge1 - edge0));
  return t * t * (3.0f - 2.0f * t);
}

constexpr float kPi = 3.14159265358979f;

}  // namespace assetgen::arena
