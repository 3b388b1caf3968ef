#include "Sdf.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace assetgen {

namespace {

// Polynomial smooth minimum: exactly min(a, b) once they differ by more
// than k, so primitives far from a point can be skipped without error.
// Plain comparisons instead of fmin/fmax: the field has no NaNs, and these
// run millions of times per model.
inline float Min(float a, float b) { return a < b ? a : b; }
inline float Max(float a, float b) { return a > b ? a : b; }

float SmoothMin(float a, float b, float k) {
  if (k <= 0.0f) return Min(a, b);
  const float h = Max(k - std::fabs(a - b), 0.0f) / k;
  return Min(a, b) - h * h * k * 0.25f;
}

float SmoothMax(float a, float b, float k) { return -SmoothMin(-a, -b, k); }

// The point in the primitive's own frame (rows of axes are its axes).
Vec3 Local(const SdfPrimitive& s, Vec3 p) {
  const Vec3 d = p - s.centre;
  return {Dot(d, s.axes.r[0]), Dot(d, s.axes.r[1]), Dot(d, s.axes.r[2])};
}

// Sphere swept between two points with linearly changing radius (the exact
// distance of a round cone).
float RoundConeDistance(Vec3 p, Vec3 a, Vec3 b, float r1, float r2) {
  const Vec3 ba = b - a;
  const float l2 = Dot(ba, ba);
  if (l2 < 1e-12f) return Length(p - a) - std::fmax(r1, r2);
  const float rr = r1 - r2;
  const float a2 = l2 - rr * rr;
  const float il2 = 1.0f / l2;
  const Vec3 pa = p - a;
  const float y = Dot(pa, ba);
  const float z = y - l2;
  const Vec3 xv = pa * l2 - ba * y;
  const float x2 = Dot(xv, xv);
  const float y2 = y * y * l2;
  const float z2 = z * z * l2;
  const float k = (rr >= 0.0f ? 1.0f : -1.0f) * rr * rr * x2;
  if ((z >= 0.0f ? 1.0f : -1.0f) * a2 * z2 > k) return std::sqrt(x2 + z2) * il2 - r2;
  if ((y >= 0.0f ? 1.0f : -1.0f) * a2 * y2 < k) return std::sqrt(x2 + y2) * il2 - r1;
  return (std::sqrt(x2 * a2 * il2) + y * rr) * il2 - r1;
}

float EllipsoidDistance(Vec3 q, Vec3 r) {
  // A bound that is exact on the surface and close near it.
  const Vec3 s{q.x / r.x, q.y / r.y, q.z / r.z};
  const Vec3 s2{q.x / (r.x * r.x), q.y / (r.y * r.y), q.z / (r.z * r.z)};
  const float k0 = Length(s), k1 = Length(s2);
  if (k1 < 1e-12f) return -std::fmin(r.x, std::fmin(r.y, r.z));
  return k0 * (k0 - 1.0f) / k1;
}

float RoundBoxDistance(Vec3 q, Vec3 half, float rounding) {
  const Vec3 d{std::fabs(q.x) - half.x + rounding, std::fabs(q.y) - half.y + rounding,
               std::fabs(q.z) - half.z + rounding};
  const Vec3 outside{Max(d.x, 0.0f), Max(d.y, 0.0f), Max(d.z, 0.0f)};
  return Length(outside) + Min(Max(d.x, Max(d.y, d.z)), 0.0f) - rounding;
}

float BoxGap(Vec3 p, Vec3 lo, Vec3 hi) {
  const float dx = Max(Max(lo.x - p.x, p.x - hi.x), 0.0f);
  const float dy = Max(Max(lo.y - p.y, p.y - hi.y), 0.0f);
  const float dz = Max(Max(lo.z - p.z, p.z - hi.z), 0.0f);
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

}  // namespace

SdfPrimitive RoundCone(Vec3 a, Vec3 b, float ra, float rb, float blend, int tag) {
  SdfPrimitive s;
  s.kind = SdfPrimitive::Kind::kRoundCone;
  s.a = a;
  s.b = b;
  s.ra = ra;
  s.rb = rb;
  s.blend = blend;
  s.tag = tag;
  return s;
}

SdfPrimitive Ellipsoid(Vec3 centre, Vec3 radii, float blend, int tag, const Mat3& axes) {
  SdfPrimitive s;
  s.kind = SdfPrimitive::Kind::kEllipsoid;
  s.centre = centre;
  s.size = radii;
  s.axes = axes;
  s.blend = blend;
  s.tag = tag;
  return s;
}

SdfPrimitive RoundBox(Vec3 centre, Vec3 halfExtents, float rounding, float blend, int tag, const Mat3& axes) {
  SdfPrimitive s;
  s.kind = SdfPrimitive::Kind::kRoundBox;
  s.centre = centre;
  s.size = halfExtents;
  s.rounding = rounding;
  s.axes = axes;
  s.blend = blend;
  s.tag = tag;
  return s;
}

SdfPrimitive Carve(SdfPrimitive primitive) {
  primitive.subtract = true;
  return primitive;
}

float PrimitiveDistance(const SdfPrimitive& s, Vec3 p) {
  switch (s.kind) {
    case SdfPrimitive::Kind::kRoundCone:
      return RoundConeDistance(p, s.a, s.b, s.ra, s.rb);
    case SdfPrimitive::Kind::kEllipsoid:
      return EllipsoidDistance(Local(s, p), s.size);
    case SdfPrimitive::Kind::kRoundBox:
      return RoundBoxDistance(Local(s, p), s.size, s.rounding);
  }
  return std::numeric_limits<float>::max();
}

void SdfShape::Add(const SdfPrimitive& primitive) {
  primitives_.push_back(primitive);
  Box box;
  if (primitive.kind == SdfPrimitive::Kind::kRoundCone) {
    const float r = std::fmax(primitive.ra, primitive.rb);
    box.lo = {std::fmin(primitive.a.x, primitive.b.x) - r, std::fmin(primitive.a.y, primitive.b.y) - r,
              std::fmin(primitive.a.z, primitive.b.z) - r};
    box.hi = {std::fmax(primitive.a.x, primitive.b.x) + r, std::fmax(primitive.a.y, primitive.b.y) + r,
              std::fmax(primitive.a.z, primitive.b.z) + r};
  } else {
    // The largest extent in every direction (orientation ignored: safe).
    const float r = std::fmax(primitive.size.x, std::fmax(primitive.size.y, primitive.size.z)) * 1.7320508f;
    box.lo = primitive.centre - Vec3{r, r, r};
    box.hi = primitive.centre + Vec3{r, r, r};
  }
  boxes_.push_back(box);
}

float SdfShape::Distance(Vec3 p) const {
  float d = std::numeric_limits<float>::max() * 0.25f;
  for (std::size_t i = 0; i < primitives_.size(); ++i) {
    const SdfPrimitive& s = primitives_[i];
    // The primitive's distance is at least the gap to its box: skip it when
    // that cannot change the result.
    const float gap = BoxGap(p, boxes_[i].lo, boxes_[i].hi);
    if (!s.subtract) {
      if (gap > d + s.blend) continue;
      d = SmoothMin(d, PrimitiveDistance(s, p), s.blend);
    } else {
      if (gap > s.blend - d) continue;
      d = SmoothMax(d, -PrimitiveDistance(s, p), s.blend);
    }
  }
  return d;
}

Vec3 SdfShape::Normal(Vec3 p, float h) const {
  const float dx = Distance(p + Vec3{h, 0, 0}) - Distance(p - Vec3{h, 0, 0});
  const float dy = Distance(p + Vec3{0, h, 0}) - Distance(p - Vec3{0, h, 0});
  const float dz = Distance(p + Vec3{0, 0, h}) - Distance(p - Vec3{0, 0, h});
  return Normalize(Vec3{dx, dy, dz});
}

void SdfShape::Bounds(Vec3* lo, Vec3* hi) const {
  *lo = {1e9f, 1e9f, 1e9f};
  *hi = {-1e9f, -1e9f, -1e9f};
  for (std::size_t i = 0; i < primitives_.size(); ++i) {
    if (primitives_[i].subtract) continue;
    const float b = primitives_[i].blend;
    lo->x = std::fmin(lo->x, boxes_[i].lo.x - b);
    lo->y = std::fmin(lo->y, boxes_[i].lo.y - b);
    lo->z = std::fmin(lo->z, boxes_[i].lo.z - b);
    hi->x = std::fmax(hi->x, boxes_[i].hi.x + b);
    hi->y = std::fmax(hi->y, boxes_[i].hi.y + b);
    hi->z = std::fmax(hi->z, boxes_[i].hi.z + b);
  }
}

SdfPrimitive MirrorX(const SdfPrimitive& primitive, int tag) {
  SdfPrimitive m = primitive;
  m.a.x = -m.a.x;
  m.b.x = -m.b.x;
  m.centre.x = -m.centre.x;
  // Mirroring the axes: negate their x components, then the first axis so
  // that the frame stays right-handed (the shapes are symmetric in it).
  for (Vec3& row : m.axes.r) row.x = -row.x;
  m.axes.r[0] = -m.axes.r[0];
  m.tag = tag;
  return m;
}

}  // namespace assetgen
