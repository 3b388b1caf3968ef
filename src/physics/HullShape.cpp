// Which points of a cloud a hull's support query can return.

#include "physics/HullShape.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_set>

#include "LinearMath/btConvexHullComputer.h"

namespace PeLocal {

namespace {

struct Plane {
  double nx, ny, nz, d;  // unit normal; n.p - d is the signed distance of p
};

btVector3 PointAt(const float* points, int stride, int i) {
  const float* p = reinterpret_cast<const float*>(reinterpret_cast<const char*>(points) +
                                                  static_cast<std::ptrdiff_t>(i) * stride);
  return btVector3(p[0], p[1], p[2]);
}

// The first occurrence of each position, in order. Equal coordinates give
// equal dot products, so a later copy never beats the first.
std::vector<int> FirstCopies(const float* points, int count, int stride) {
  struct KeyHash {
    std::size_t operator()(const std::array<float, 3>& k) const {
      std::uint32_t bits[3];
      for (int a = 0; a < 3; ++a) {
        const float v = k[a] == 0.0f ? 0.0f : k[a];  // -0 and 0 are one position
        std::memcpy(&bits[a], &v, 4);
      }
      return (static_cast<std::size_t>(bits[0]) * 73856093u) ^ (static_cast<std::size_t>(bits[1]) * 19349663u) ^
             (static_cast<std::size_t>(bits[2]) * 83492791u);
    }
  };
  std::unordered_set<std::array<float, 3>, KeyHash> seen;
  std::vector<int> first;
  for (int i = 0; i < count; ++i) {
    const btVector3 p = PointAt(points, stride, i);
    if (seen.insert({p.x(), p.y(), p.z()}).second) first.push_back(i);
  }
  return first;
}

// The hull's face planes, from the original coordinates of each face's
// corners (the hull computer works on rounded ones). Empty for a cloud
// without volume.
std::vector<Plane> FacePlanes(const float* points, int count, int stride) {
  btConvexHullComputer hull;
  hull.compute(points, stride, count, 0.0f, 0.0f);
  std::vector<Plane> planes;
  if (hull.vertices.size() < 4 || hull.faces.size() < 4) return planes;
  for (int f = 0; f < hull.faces.size(); ++f) {
    std::vector<btVector3> corners;
    const btConvexHullComputer::Edge* first = &hull.edges[hull.faces[f]];
    const btConvexHullComputer::Edge* edge = first;
    do {
      corners.push_back(PointAt(points, stride, hull.original_vertex_index[edge->getTargetVertex()]));
      edge = edge->getNextEdgeOfFace();
    } while (edge != first && corners.size() <= static_cast<std::size_t>(hull.vertices.size()));
    // Newell's normal of the polygon; the hull's faces wind outwards.
    double nx = 0.0, ny = 0.0, nz = 0.0;
    for (std::size_t i = 0; i < corners.size(); ++i) {
      const btVector3& a = corners[i];
      const btVector3& b = corners[(i + 1) % corners.size()];
      nx += (static_cast<double>(a.y()) - b.y()) * (static_cast<double>(a.z()) + b.z());
      ny += (static_cast<double>(a.z()) - b.z()) * (static_cast<double>(a.x()) + b.x());
      nz += (static_cast<double>(a.x()) - b.x()) * (static_cast<double>(a.y()) + b.y());
    }
    const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (!(length > 0.0)) return {};  // a degenerate face: no trust in any plane
    Plane plane{nx / length, ny / length, nz / length, -HUGE_VAL};
    for (const btVector3& c : corners) {
      plane.d = std::max(plane.d, plane.nx * c.x() + plane.ny * c.y() + plane.nz * c.z());
    }
    planes.push_back(plane);
  }
  return planes;
}

// The point of `candidates` a scan of Bullet's kind returns: the first with
// the largest dot product.
int ScanSupport(const btVector3& direction, const std::vector<btVector3>& candidates) {
  btScalar best = -SIMD_INFINITY;
  int index = -1;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    const btScalar dot = candidates[i].dot(direction);
    if (dot > best) {
      best = dot;
      index = static_cast<int>(i);
    }
  }
  return index;
}

}  // namespace

std::vector<btVector3> SupportPoints(const float* points, int count, int stride) {
  std::vector<btVector3> all;
  std::vector<btVector3> kept;
  if (points == nullptr || count <= 0) return kept;
  bool finite = true;
  for (int i = 0; i < count; ++i) {
    all.push_back(PointAt(points, stride, i));
    finite = finite && std::isfinite(all.back().x()) && std::isfinite(all.back().y()) && std::isfinite(all.back().z());
  }
  const std::vector<int> firsts = FirstCopies(points, count, stride);
  // Without finite coordinates there is no hull to trust: every first copy stays.
  const std::vector<Plane> planes = finite ? FacePlanes(points, count, stride) : std::vector<Plane>{};

  // Rounding of a float dot product stays far below a millionth of the
  // largest point's distance from the origin; a point deeper inside than
  // this margin can never come out on top of a surface point.
  double reach = 0.0;
  for (const btVector3& p : all) reach = std::max(reach, static_cast<double>(p.length()));
  const double margin = 1e-5 * reach;
  for (int i : firsts) {
    const btVector3& p = all[static_cast<std::size_t>(i)];
    bool inside = !planes.empty();
    for (const Plane& plane : planes) {
      if (plane.nx * p.x() + plane.ny * p.y() + plane.nz * p.z() - plane.d > -margin) {
        inside = false;
        break;
      }
    }
    // The first point stays whatever it is: a scan that finds no largest
    // product (a zero or invalid direction) falls back to it.
    if (!inside || i == 0) kept.push_back(p);
  }

  // A check on the hull computation: the axes and diagonals must find the
  // same points in both sets; otherwise every first copy stays.
  for (int x = -1; x <= 1; ++x) {
    for (int y = -1; y <= 1; ++y) {
      for (int z = -1; z <= 1; ++z) {
        const btVector3 direction(static_cast<btScalar>(x), static_cast<btScalar>(y), static_cast<btScalar>(z));
        const int a = ScanSupport(direction, all);
        const int b = ScanSupport(direction, kept);
        if (a >= 0 && (b < 0 || !(all[static_cast<std::size_t>(a)] == kept[static_cast<std::size_t>(b)]))) {
          kept.clear();
          for (int i : firsts) kept.push_back(all[static_cast<std::size_t>(i)]);
          return kept;
        }
      }
    }
  }
  return kept;
}

HullShape::HullShape(const float* points, int count, int stride) : btConvexHullShape(nullptr, 0) {
  m_shapeType = CUSTOM_POLYHEDRAL_SHAPE_TYPE;
  for (const btVector3& p : SupportPoints(points, count, stride)) addPoint(p, false);
  for (int i = 0; i < count; ++i) cloud_.push_back(PointAt(points, stride, i));
  BuildPatches();
  recalcLocalAabb();
}

void HullShape::BuildPatches() {
  const int n = getNumPoints();
  for (int i = 0; i < n; ++i) {
    const double length = m_unscaledPoints[i].length();
    if (!std::isfinite(length)) return;  // no bound holds: plain scans
    reach_ = std::max(reach_, length);
  }
  if (n < 32) return;  // a plain scan is as quick
  // Cells of a cube map around the centroid: the axis a point lies furthest
  // along, and where its direction pierces that face.
  double mx = 0.0, my = 0.0, mz = 0.0;
  for (int i = 0; i < n; ++i) {
    mx += m_unscaledPoints[i].x();
    my += m_unscaledPoints[i].y();
    mz += m_unscaledPoints[i].z();
  }
  mx /= n;
  my /= n;
  mz /= n;
  const int grid = std::max(1, std::min(6, static_cast<int>(std::lround(std::sqrt(std::sqrt(static_cast<double>(n)) / 3.0)))));
  std::vector<int> cellOf(static_cast<std::size_t>(n));
  std::vector<int> cellCount(static_cast<std::size_t>(6 * grid * grid), 0);
  for (int i = 0; i < n; ++i) {
    const double v[3] = {m_unscaledPoints[i].x() - mx, m_unscaledPoints[i].y() - my, m_unscaledPoints[i].z() - mz};
    int axis = 0;
    for (int a = 1; a < 3; ++a) {
      if (std::fabs(v[a]) > std::fabs(v[axis])) axis = a;
    }
    const double along = std::fabs(v[axis]) > 0.0 ? std::fabs(v[axis]) : 1.0;
    auto cellCoordinate = [&](double c) {
      return std::min(grid - 1, std::max(0, static_cast<int>((c / along + 1.0) * 0.5 * grid)));
    };
    const int face = axis * 2 + (v[axis] < 0.0 ? 1 : 0);
    const int cell = (face * grid + cellCoordinate(v[(axis + 1) % 3])) * grid + cellCoordinate(v[(axis + 2) % 3]);
    cellOf[static_cast<std::size_t>(i)] = cell;
    ++cellCount[static_cast<std::size_t>(cell)];
  }
  std::vector<int> patchOfCell(cellCount.size(), -1);
  for (std::size_t cell = 0; cell < cellCount.size(); ++cell) {
    if (cellCount[cell] == 0) continue;
    patchOfCell[cell] = static_cast<int>(patches_.size());
    patches_.push_back(Patch{0.0, 0.0, 0.0, 0.0, 0, 0});
  }
  int first = 0;
  for (std::size_t cell = 0; cell < cellCount.size(); ++cell) {
    if (patchOfCell[cell] < 0) continue;
    Patch& patch = patches_[static_cast<std::size_t>(patchOfCell[cell])];
    patch.first = first;
    first += cellCount[cell];
  }
  patchPoints_.resize(static_cast<std::size_t>(n));
  patchIndex_.resize(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    Patch& patch = patches_[static_cast<std::size_t>(patchOfCell[static_cast<std::size_t>(cellOf[static_cast<std::size_t>(i)])])];
    const std::size_t slot = static_cast<std::size_t>(patch.first + patch.count++);
    patchPoints_[slot] = m_unscaledPoints[i];
    patchIndex_[slot] = i;
  }
  for (Patch& patch : patches_) {
    for (int k = patch.first; k < patch.first + patch.count; ++k) {
      patch.cx += patchPoints_[static_cast<std::size_t>(k)].x();
      patch.cy += patchPoints_[static_cast<std::size_t>(k)].y();
      patch.cz += patchPoints_[static_cast<std::size_t>(k)].z();
    }
    patch.cx /= patch.count;
    patch.cy /= patch.count;
    patch.cz /= patch.count;
    for (int k = patch.first; k < patch.first + patch.count; ++k) {
      const btVector3& p = patchPoints_[static_cast<std::size_t>(k)];
      const double dx = p.x() - patch.cx, dy = p.y() - patch.cy, dz = p.z() - patch.cz;
      patch.radius = std::max(patch.radius, std::sqrt(dx * dx + dy * dy + dz * dz));
    }
  }
}

int HullShape::ScanAll(const btVector3& direction, btScalar* dot) const {
  btScalar best = -SIMD_INFINITY;
  int index = -1;
  for (int i = 0; i < getNumPoints(); ++i) {
    const btScalar d = m_unscaledPoints[i].dot(direction);
    if (d > best) {
      best = d;
      index = i;
    }
  }
  *dot = best;
  return index;
}

int HullShape::SupportIndex(const btVector3& direction, btScalar* dot) const {
  const double dx = direction.x(), dy = direction.y(), dz = direction.z();
  const double length = std::sqrt(dx * dx + dy * dy + dz * dz);
  if (patches_.empty() || !(length > 0.0) || !std::isfinite(length)) return ScanAll(direction, dot);
  // Highest point each patch's sphere reaches along the direction; a float
  // product is within a millionth of |direction| x reach of the exact one.
  double bound[kMaxPatches];
  const std::size_t count = patches_.size();
  std::size_t likeliest = 0;
  for (std::size_t p = 0; p < count; ++p) {
    const Patch& patch = patches_[p];
    bound[p] = dx * patch.cx + dy * patch.cy + dz * patch.cz + patch.radius * length;
    if (bound[p] > bound[likeliest]) likeliest = p;
  }
  const double slack = 1e-6 * length * reach_;
  btScalar best = -SIMD_INFINITY;
  int index = -1;
  // The first of the points with the largest product, as a scan in order finds it.
  auto scan = [&](const Patch& patch) {
    for (int k = patch.first; k < patch.first + patch.count; ++k) {
      const btScalar d = patchPoints_[static_cast<std::size_t>(k)].dot(direction);
      const int i = patchIndex_[static_cast<std::size_t>(k)];
      if (d > best || (d == best && i < index)) {
        best = d;
        index = i;
      }
    }
  };
  scan(patches_[likeliest]);
  for (std::size_t p = 0; p < count; ++p) {
    if (p != likeliest && bound[p] + slack >= best) scan(patches_[p]);
  }
  *dot = best;
  return index;
}

btVector3 HullShape::localGetSupportingVertexWithoutMargin(const btVector3& vec) const {
  if (getNumPoints() == 0) return btVector3(0.0f, 0.0f, 0.0f);
  btScalar dot = 0.0f;
  const int index = SupportIndex(vec * m_localScaling, &dot);
  return getScaledPoint(index >= 0 ? index : 0);
}

void HullShape::batchedUnitVectorGetSupportingVertexWithoutMargin(const btVector3* vectors,
                                                                  btVector3* supportVerticesOut,
                                                                  int numVectors) const {
  for (int j = 0; j < numVectors; ++j) {
    if (getNumPoints() == 0) {
      supportVerticesOut[j][3] = -BT_LARGE_FLOAT;
      continue;
    }
    btScalar dot = 0.0f;
    const int index = SupportIndex(vectors[j] * m_localScaling, &dot);
    supportVerticesOut[j] = getScaledPoint(index >= 0 ? index : 0);
    supportVerticesOut[j][3] = dot;
  }
}

void HullShape::getEdge(int i, btVector3& pa, btVector3& pb) const {
  const int n = static_cast<int>(cloud_.size());
  pa = cloud_[static_cast<std::size_t>(i % n)] * getLocalScaling();
  pb = cloud_[static_cast<std::size_t>((i + 1) % n)] * getLocalScaling();
}

}  // namespace PeLocal
