#pragma once
// Shapes as signed distance fields (negative inside): a list of primitives
// combined with smooth unions and subtractions. Organic models (the body,
// the head) are sculpted this way, turned into meshes by SurfaceNets.h, and
// each primitive's tag says which bone its flesh follows.

#include <vector>

#include "VecMath.h"

namespace assetgen {

struct SdfPrimitive {
  enum class Kind { kRoundCone, kEllipsoid, kRoundBox };
  Kind kind = Kind::kEllipsoid;
  // Round cone: a sphere swept from a (radius ra) to b (radius rb).
  Vec3 a, b;
  float ra = 0.0f, rb = 0.0f;
  // Ellipsoid and round box: centre, orientation (rows: the shape's axes),
  // radii or half extents, and the box's corner rounding.
  Vec3 centre;
  Mat3 axes;
  Vec3 size;
  float rounding = 0.0f;
  // How it joins the shape built so far: smooth union (or subtraction)
  // over this distance.
  float blend = 0.1f;
  bool subtract = false;
  int tag = -1;  // e.g. the bone whose flesh this is
};

SdfPrimitive RoundCone(Vec3 a, Vec3 b, float ra, float rb, float blend, int tag);
SdfPrimitive Ellipsoid(Vec3 centre, Vec3 radii, float blend, int tag, const Mat3& axes = Mat3{});
SdfPrimitive RoundBox(Vec3 centre, Vec3 halfExtents, float rounding, float blend, int tag, const Mat3& axes = Mat3{});
SdfPrimitive Carve(SdfPrimitive primitive);  // the same shape, subtracted

// The distance of p to one primitive on its own.
float PrimitiveDistance(const SdfPrimitive& primitive, Vec3 p);

class SdfShape {
 public:
  void Add(const SdfPrimitive& primitive);
  // The combined field at p.
  float Distance(Vec3 p) const;
  // The field's gradient (central differences with step h), normalised.
  Vec3 Normal(Vec3 p, float h = 0.002f) const;
  // The bounds of the shape (every primitive's box, unions only).
  void Bounds(Vec3* lo, Vec3* hi) const;
  const std::vector<SdfPrimitive>& Primitives() const { return primitives_; }

 private:
  struct Box {
    Vec3 lo, hi;
  };
  std::vector<SdfPrimitive> primitives_;
  std::vector<Box> boxes_;
};

// Mirrors a primitive across the x = 0 plane (left to right), with a new tag.
SdfPrimitive MirrorX(const SdfPrimitive& primitive, int tag);

}  // namespace assetgen
