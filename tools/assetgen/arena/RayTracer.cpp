#include "tools/assetgen/arena/RayTracer.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace assetgen::arena {
namespace {

constexpr int kBins = 12;
constexpr std::uint32_t kLeafSize = 4;

float HalfArea(V3 lo, V3 hi) {
  const V3 d = hi - lo;
  return d.x * d.y + d.y * d.z + d.z * d.x;
}

// Plain comparisons: std::fmin and std::fmax keep NaN rules that cost a
// library call each, and this test runs millions of times.
inline float Lesser(float a, float b) { return a < b ? a : b; }
inline float Greater(float a, float b) { return a > b ? a : b; }

// 1 / d without infinities, so that 0 * (1 / d) stays 0 for rays running
// exactly along a box's face.
inline float SafeInverse(float d) { return d != 0.0f ? 1.0f / d : 1e30f; }

// Slab test; returns the entry distance or a negative value on a miss.
inline float EnterBox(V3 lo, V3 hi, V3 origin, V3 invDir, float tMax) {
  float t0 = (lo.x - origin.x) * invDir.x, t1 = (hi.x - origin.x) * invDir.x;
  float tNear = Lesser(t0, t1), tFar = Greater(t0, t1);
  t0 = (lo.y - origin.y) * invDir.y;
  t1 = (hi.y - origin.y) * invDir.y;
  tNear = Greater(tNear, Lesser(t0, t1));
  tFar = Lesser(tFar, Greater(t0, t1));
  t0 = (lo.z - origin.z) * invDir.z;
  t1 = (hi.z - origin.z) * invDir.z;
  tNear = Greater(tNear, Lesser(t0, t1));
  tFar = Lesser(tFar, Greater(t0, t1));
  tNear = Greater(tNear, 0.0f);
  return (tNear <= tFar && tNear < tMax) ? tNear : -1.0f;
}

}  // namespace

void RayTracer::Build(const std::vector<V3>& positions, const std::vector<std::array<std::uint32_t, 3>>& faces) {
  triangles_.clear();
  nodes_.clear();
  std::vector<V3> centroids, los, his;
  for (const auto& f : faces) {
    const V3 a = positions[f[0]], b = positions[f[1]], c = positions[f[2]];
    los.push_back(Min(a, Min(b, c)));
    his.push_back(Max(a, Max(b, c)));
    centroids.push_back((a + b + c) * (1.0f / 3.0f));
  }
  std::vector<std::uint32_t> order(faces.size());
  std::iota(order.begin(), order.end(), 0u);
  if (!faces.empty()) {
    nodes_.reserve(2 * faces.size());
    BuildNode(&order, 0, static_cast<std::uint32_t>(faces.size()), centroids, los, his);
  }
  triangles_.reserve(faces.size());
  for (std::uint32_t index : order) {
    const auto& f = faces[index];
    const V3 a = positions[f[0]];
    triangles_.push_back({a, positions[f[1]] - a, positions[f[2]] - a, index});
  }
}

std::uint32_t RayTracer::BuildNode(std::vector<std::uint32_t>* order, std::uint32_t first, std::uint32_t count,
                                   const std::vector<V3>& centroids, const std::vector<V3>& los,
                                   const std::vector<V3>& his) {
  const std::uint32_t nodeIndex = static_cast<std::uint32_t>(nodes_.size());
  nodes_.emplace_back();
  V3 lo{1e30f, 1e30f, 1e30f}, hi{-1e30f, -1e30f, -1e30f};
  V3 cLo = lo, cHi = hi;
  for (std::uint32_t i = first; i < first + count; ++i) {
    const std::uint32_t t = (*order)[i];
    lo = Min(lo, los[t]);
    hi = Max(hi, his[t]);
    cLo = Min(cLo, centroids[t]);
    cHi = Max(cHi, centroids[t]);
  }
  nodes_[nodeIndex].lo = lo;
  nodes_[nodeIndex].hi = hi;

  const auto makeLeaf = [&] {
    nodes_[nodeIndex].first = first;
    nodes_[nodeIndex].count = count;
    return nodeIndex;
  };
  if (count <= kLeafSize) return makeLeaf();

  const V3 extent = cHi - cLo;
  int axis = 0;
  if (extent.y > Component(extent, axis)) axis = 1;
  if (extent.z > Component(extent, axis)) axis = 2;
  const float axisLo = Component(cLo, axis);
  const float axisExtent = Component(extent, axis);

  std::uint32_t mid = first + count / 2;
  if (axisExtent > 1e-6f) {
    struct Bin {
      V3 lo{1e30f, 1e30f, 1e30f}, hi{-1e30f, -1e30f, -1e30f};
      std::uint32_t count = 0;
    };
    Bin bins[kBins];
    const auto binOf = [&](std::uint32_t t) {
      const int b = static_cast<int>((Component(centroids[t], axis) - axisLo) / axisExtent * kBins);
      return std::min(std::max(b, 0), kBins - 1);
    };
    for (std::uint32_t i = first; i < first + count; ++i) {
      const std::uint32_t t = (*order)[i];
      Bin& bin = bins[binOf(t)];
      bin.lo = Min(bin.lo, los[t]);
      bin.hi = Max(bin.hi, his[t]);
      bin.count += 1;
    }
    // Sweep from the right to get the cost of every split plane.
    float rightCost[kBins] = {};
    V3 rLo{1e30f, 1e30f, 1e30f}, rHi{-1e30f, -1e30f, -1e30f};
    std::uint32_t rCount = 0;
    for (int b = kBins - 1; b > 0; --b) {
      rLo = Min(rLo, bins[b].lo);
      rHi = Max(rHi, bins[b].hi);
      rCount += bins[b].count;
      rightCost[b] = rCount > 0 ? HalfArea(rLo, rHi) * static_cast<float>(rCount) : 0.0f;
    }
    V3 lLo{1e30f, 1e30f, 1e30f}, lHi{-1e30f, -1e30f, -1e30f};
    std::uint32_t lCount = 0;
    float bestCost = 1e30f;
    int bestSplit = -1;
    for (int b = 1; b < kBins; ++b) {
      lLo = Min(lLo, bins[b - 1].lo);
      lHi = Max(lHi, bins[b - 1].hi);
      lCount += bins[b - 1].count;
      if (lCount == 0 || lCount == count) continue;
      const float cost = HalfArea(lLo, lHi) * static_cast<float>(lCount) + rightCost[b];
      if (cost < bestCost) {
        bestCost = cost;
        bestSplit = b;
      }
    }
    const float leafCost = HalfArea(lo, hi) * static_cast<float>(count);
    if (bestSplit < 0 || (bestCost >= leafCost && count <= 2 * kLeafSize)) return makeLeaf();
    const auto split = std::partition(order->begin() + first, order->begin() + first + count,
                                      [&](std::uint32_t t) { return binOf(t) < bestSplit; });
    mid = static_cast<std::uint32_t>(split - order->begin());
  } else {
    if (count <= 2 * kLeafSize) return makeLeaf();
  }

  BuildNode(order, first, mid - first, centroids, los, his);
  const std::uint32_t second = BuildNode(order, mid, first + count - mid, centroids, los, his);
  nodes_[nodeIndex].first = second;
  nodes_[nodeIndex].count = 0;
  return nodeIndex;
}

template <bool kAnyHit>
bool RayTracer::Trace(V3 origin, V3 direction, float tMax, Hit* hit) const {
  if (nodes_.empty()) return false;
  const V3 invDir{SafeInverse(direction.x), SafeInverse(direction.y), SafeInverse(direction.z)};
  struct Pending {
    std::uint32_t node;
    float entry;
  };
  Pending stack[64];
  int top = 0;
  float best = tMax;
  const float rootEntry = EnterBox(nodes_[0].lo, nodes_[0].hi, origin, invDir, best);
  if (rootEntry < 0.0f) return false;
  stack[top++] = {0u, rootEntry};
  bool found = false;
  while (top > 0) {
    const Pending pending = stack[--top];
    if (pending.entry >= best) continue;  // a nearer hit was found meanwhile
    const Node& node = nodes_[pending.node];
    if (node.count > 0) {
      for (std::uint32_t i = node.first; i < node.first + node.count; ++i) {
        const Triangle& tri = triangles_[i];
        const V3 p = Cross(direction, tri.e2);
        const float det = Dot(tri.e1, p);
        if (det > -1e-12f && det < 1e-12f) continue;
        const float inv = 1.0f / det;
        const V3 s = origin - tri.v0;
        const float u = Dot(s, p) * inv;
        if (u < 0.0f || u > 1.0f) continue;
        const V3 q = Cross(s, tri.e1);
        const float v = Dot(direction, q) * inv;
        if (v < 0.0f || u + v > 1.0f) continue;
        const float t = Dot(tri.e2, q) * inv;
        if (t <= 0.0f || t >= best) continue;
        best = t;
        found = true;
        hit->t = t;
        hit->face = tri.face;
        if (kAnyHit) return true;
      }
      continue;
    }
    // Push the farther child first so that the nearer one is visited first.
    const std::uint32_t first = pending.node + 1;
    const std::uint32_t second = node.first;
    const float d0 = EnterBox(nodes_[first].lo, nodes_[first].hi, origin, invDir, best);
    const float d1 = EnterBox(nodes_[second].lo, nodes_[second].hi, origin, invDir, best);
    if (d0 >= 0.0f && d1 >= 0.0f) {
      if (d0 <= d1) {
        stack[top++] = {second, d1};
        stack[top++] = {first, d0};
      } else {
        stack[top++] = {first, d0};
        stack[top++] = {second, d1};
      }
    } else if (d0 >= 0.0f) {
      stack[top++] = {first, d0};
    } else if (d1 >= 0.0f) {
      stack[top++] = {second, d1};
    }
  }
  return found;
}

bool RayTracer::Closest(V3 origin, V3 direction, float tMax, Hit* hit) const {
  return Trace<false>(origin, direction, tMax, hit);
}

bool RayTracer::Occluded(V3 origin, V3 direction, float tMax, float* hitT) const {
  Hit hit;
  const bool found = Trace<true>(origin, direction, tMax, &hit);
  if (found && hitT != nullptr) *hitT = hit.t;
  return found;
}

}  // namespace assetgen::arena
