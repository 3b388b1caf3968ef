#pragma once
// The convex hull shape of a prop: a hull over the vertices of its mesh
// that keeps only the points a support query can answer with.
//
// Bullet answers every support query of a hull (collision, AABB, inertia)
// by scanning all its points for the largest dot product with the
// direction, the first such point winning a tie. A point strictly inside
// the hull can never be that point, nor can a second copy of an earlier
// point, so dropping them leaves every answer, and so every contact and
// every step, unchanged, while a query scans a fraction of the points.
//
// Even the surface points are many for a round mesh, so queries go through
// patches of neighbouring points: a patch whose bounding sphere lies below
// the best product found (by more than a float product's rounding) cannot
// hold the answer and is not scanned. Bullet's collision code calls its
// own inline scan for shapes of the convex-hull type, so this shape carries
// the custom polyhedral type, which Bullet treats the same way (convex,
// polyhedral, same collision algorithms and margins) except that it asks
// the virtual support functions.

#include <vector>

#include "BulletCollision/CollisionShapes/btConvexHullShape.h"

namespace PeLocal {

// The points of the cloud (count points, `stride` bytes apart, three floats
// each) that a support query can return: every point on the hull's surface
// or within a hair of it, the first copy of each position only, in the
// cloud's order. A cloud without volume keeps all its first copies.
std::vector<btVector3> SupportPoints(const float* points, int count, int stride);

class HullShape : public btConvexHullShape {
 public:
  // A hull over the support points of the cloud; the cloud is copied.
  HullShape(const float* points, int count, int stride);

  // The answers of a scan over every point, found by scanning only the
  // patches of the surface that can hold them.
  btVector3 localGetSupportingVertexWithoutMargin(const btVector3& vec) const override;
  void batchedUnitVectorGetSupportingVertexWithoutMargin(const btVector3* vectors, btVector3* supportVerticesOut,
                                                         int numVectors) const override;

  // The debug wireframe still runs through every point of the cloud in its
  // order, as it did when the hull held them all.
  int getNumEdges() const override { return static_cast<int>(cloud_.size()); }
  void getEdge(int i, btVector3& pa, btVector3& pb) const override;

 private:
  // Neighbouring points of the surface, bounded by a sphere.
  struct Patch {
    double cx, cy, cz, radius;
    int first, count;  // into patchPoints_
  };
  static constexpr int kMaxPatches = 216;  // six faces of a 6 x 6 grid

  void BuildPatches();
  // The index of the point Bullet's scan would pick for the direction
  // (already scaled): the first with the largest dot product; -1 when no
  // product is a number.
  int SupportIndex(const btVector3& direction, btScalar* dot) const;
  int ScanAll(const btVector3& direction, btScalar* dot) const;

  std::vector<btVector3> cloud_;
  std::vector<Patch> patches_;
  std::vector<btVector3> patchPoints_;  // the hull's points, grouped by patch
  std::vector<int> patchIndex_;         // each one's index among the hull's points
  double reach_ = 0.0;                  // the largest distance of a point from the origin
};

}  // namespace PeLocal
