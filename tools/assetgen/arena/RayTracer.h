#pragma once
// Ray casting against a triangle soup through a bounding-volume hierarchy
// (binned surface-area heuristic). Used to bake the light map; both faces
// of every triangle count as hits.

#include <array>
#include <cstdint>
#include <vector>

#include "tools/assetgen/arena/ArenaVec.h"

namespace assetgen::arena {

class RayTracer {
 public:
  struct Hit {
    float t = 0.0f;
    std::uint32_t face = 0;
  };

  void Build(const std::vector<V3>& positions, const std::vector<std::array<std::uint32_t, 3>>& faces);

  // Nearest hit with 0 < t < tMax along origin + t * direction.
  bool Closest(V3 origin, V3 direction, float tMax, Hit* hit) const;
  // Whether anything lies within 0 < t < tMax; nearest is set to the t of
  // the hit found (not necessarily the nearest one) when not null.
  bool Occluded(V3 origin, V3 direction, float tMax, float* hitT = nullptr) const;


 private:
  struct Triangle {
    V3 v0, e1, e2;
    std::uint32_t face;
  };
  struct Node {
    V3 lo, hi;
    std::uint32_t first = 0;  // leaf: first triangle; inner node: index of the second child
    std::uint32_t count = 0;  // triangles in a leaf, 0 for an inner node (first child follows it)
  };

  std::uint32_t BuildNode(std::vector<std::uint32_t>* order, std::uint32_t first, std::uint32_t count,
                          const std::vector<V3>& centroids, const std::vector<V3>& los, const std::vector<V3>& his);
  template <bool kAnyHit>
  bool Trace(V3 origin, V3 direction, float tMax, Hit* hit) const;

  std::vector<Triangle> triangles_;
  std::vector<Node> nodes_;
};

}  // namespace assetgen::arena
