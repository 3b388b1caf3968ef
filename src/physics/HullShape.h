#pragma once
// The convex hull shape of a prop: a hull over the vertices of its mesh
// that keeps only the points a support query can answer with, and finds
// the answer without scanning them all.
//
// Bullet answers every support query of a hull (collision, AABB, inertia)
// by scanning all its points for the largest dot product with the
// direction, the first such point winning a tie. A point inside the hull
// (deeper than a float product's rounding) can never be that point, nor
// can a second copy of an earlier point, so dropping them leaves every
// answer, and so every contact and every step, unchanged.
//
// Even the surface points are many for a round mesh, so a query walks the
// hull's vertex graph instead: uphill from a vertex that answered a nearby
// direction, then over every vertex (and every surface point on their
// faces) within rounding of the top, which holds the answer and its ties.
// The vertices above any level form a connected part of a convex hull's
// graph, so that walk misses none of them. Bullet's collision code calls
// its own inline scan for shapes of the convex-hull type, so this shape
// carries the custom polyhedral type, which Bullet treats the same way
// (convex, polyhedral, same collision algorithms and margins) except that
// it asks the virtual support functions.

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

  // The answers of a scan over every point, found on the vertex graph.
  btVector3 localGetSupportingVertexWithoutMargin(const btVector3& vec) const override;
  void batchedUnitVectorGetSupportingVertexWithoutMargin(const btVector3* vectors, btVector3* supportVerticesOut,
                                                         int numVectors) const override;

  // The debug wireframe still runs through every point of the cloud in its
  // order, as it did when the hull held them all.
  int getNumEdges() const override { return static_cast<int>(cloud_.size()); }
  void getEdge(int i, btVector3& pa, btVector3& pb) const override;

  // Whether queries walk the graph (false: they scan every point, for a
  // hull without volume or one the graph could not be trusted for).
  bool WalksGraph() const { return !graphPoint_.empty(); }

 private:
  // Directions by the face of a cube they pierce and a cell of that face.
  static constexpr int kHintGrid = 8;
  // The most vertices a query visits before it falls back to a scan.
  static constexpr int kMaxVisits = 96;
  static int HintCell(float x, float y, float z);

  void BuildGraph();
  // The index of the point Bullet's scan would pick for the direction
  // (already scaled): the first with the largest dot product; -1 when no
  // product is a number.
  int SupportIndex(const btVector3& direction, btScalar* dot) const;
  int WalkGraph(const btVector3& direction, double length, btScalar* dot) const;
  int ScanAll(const btVector3& direction, btScalar* dot) const;

  std::vector<btVector3> cloud_;
  // The hull's vertices (as indices of its points), their neighbours and
  // the other surface points on their faces, each list a range of a shared
  // array: vertex v's from start[v] to start[v + 1].
  std::vector<int> graphPoint_;
  std::vector<int> neighbourStart_;
  std::vector<int> neighbours_;
  std::vector<int> attachedStart_;
  std::vector<int> attached_;
  // Per direction cell, the vertex that answers the cell's centre.
  std::vector<int> hints_;
  double reach_ = 0.0;  // the largest distance of a point from the origin
};

}  // namespace PeLocal
