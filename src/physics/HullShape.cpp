// Which points of a cloud a hull's support query can return, and how a
// query finds its answer among them.

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

// A float dot product lies within a millionth of |direction| x reach of
// the exact one (three products and two sums of float rounding, with room
// to spare).
constexpr double kRounding = 1e-6;
// Points deeper inside the hull than this share of the reach are dropped:
// far beyond rounding, so none of them can come out on top.
constexpr double kDepth = 1e-5;

struct Plane {
  double nx, ny, nz, d;  // unit normal; n.p - d is the signed distance of p

  double Distance(const btVector3& p) const { return nx * p.x() + ny * p.y() + nz * p.z() - d; }
};

// The hull of a cloud as the hull computer finds it: each vertex as the
// index of a cloud point, the edges (both ways) and each face's vertices
// with its plane from the points' own coordinates (the computer works on
// rounded ones). Empty for a cloud without volume.
struct Hull {
  std::vector<int> vertexPoint;
  std::vector<std::array<int, 2>> edges;
  std::vector<std::vector<int>> faces;
  std::vector<Plane> planes;
};

btVector3 PointAt(const float* points, int stride, int i) {
  const float* p = reinterpret_cast<const float*>(reinterpret_cast<const char*>(points) +
                                                  static_cast<std::ptrdiff_t>(i) * stride);
  return btVector3(p[0], p[1], p[2]);
}

Hull HullOf(const float* points, int count, int stride) {
  btConvexHullComputer computer;
  computer.compute(points, stride, count, 0.0f, 0.0f);
  Hull hull;
  if (computer.vertices.size() < 4 || computer.faces.size() < 4) return hull;
  for (int v = 0; v < computer.vertices.size(); ++v) hull.vertexPoint.push_back(computer.original_vertex_index[v]);
  for (int e = 0; e < computer.edges.size(); ++e) {
    hull.edges.push_back({computer.edges[e].getSourceVertex(), computer.edges[e].getTargetVertex()});
  }
  for (int f = 0; f < computer.faces.size(); ++f) {
    std::vector<int> corners;
    const btConvexHullComputer::Edge* first = &computer.edges[computer.faces[f]];
    const btConvexHullComputer::Edge* edge = first;
    do {
      corners.push_back(edge->getTargetVertex());
      edge = edge->getNextEdgeOfFace();
    } while (edge != first && corners.size() <= static_cast<std::size_t>(computer.vertices.size()));
    // Newell's normal of the polygon; the hull's faces wind outwards.
    double nx = 0.0, ny = 0.0, nz = 0.0;
    for (std::size_t i = 0; i < corners.size(); ++i) {
      const btVector3 a = PointAt(points, stride, hull.vertexPoint[static_cast<std::size_t>(corners[i])]);
      const btVector3 b =
          PointAt(points, stride, hull.vertexPoint[static_cast<std::size_t>(corners[(i + 1) % corners.size()])]);
      nx += (static_cast<double>(a.y()) - b.y()) * (static_cast<double>(a.z()) + b.z());
      ny += (static_cast<double>(a.z()) - b.z()) * (static_cast<double>(a.x()) + b.x());
      nz += (static_cast<double>(a.x()) - b.x()) * (static_cast<double>(a.y()) + b.y());
    }
    const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (!(length > 0.0)) return Hull{};  // a degenerate face: no trust in any plane
    Plane plane{nx / length, ny / length, nz / length, -HUGE_VAL};
    for (int corner : corners) {
      const btVector3 c = PointAt(points, stride, hull.vertexPoint[static_cast<std::size_t>(corner)]);
      plane.d = std::max(plane.d, plane.nx * c.x() + plane.ny * c.y() + plane.nz * c.z());
    }
    hull.faces.push_back(std::move(corners));
    hull.planes.push_back(plane);
  }
  return hull;
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

bool IsFinite(const btVector3& p) { return std::isfinite(p.x()) && std::isfinite(p.y()) && std::isfinite(p.z()); }

double Reach(const std::vector<btVector3>& points) {
  double reach = 0.0;
  for (const btVector3& p : points) reach = std::max(reach, static_cast<double>(p.length()));
  return reach;
}

// Ranges of a shared array from lists: start[i] .. start[i + 1].
void Flatten(const std::vector<std::vector<int>>& lists, std::vector<int>* start, std::vector<int>* items) {
  start->assign(1, 0);
  for (const std::vector<int>& list : lists) {
    items->insert(items->end(), list.begin(), list.end());
    start->push_back(static_cast<int>(items->size()));
  }
}

}  // namespace

std::vector<btVector3> SupportPoints(const float* points, int count, int stride) {
  std::vector<btVector3> all;
  std::vector<btVector3> kept;
  if (points == nullptr || count <= 0) return kept;
  bool finite = true;
  for (int i = 0; i < count; ++i) {
    all.push_back(PointAt(points, stride, i));
    finite = finite && IsFinite(all.back());
  }
  const std::vector<int> firsts = FirstCopies(points, count, stride);
  // Without finite coordinates there is no hull to trust: every first copy stays.
  const Hull hull = finite ? HullOf(points, count, stride) : Hull{};
  const double depth = kDepth * Reach(all);
  for (int i : firsts) {
    const btVector3& p = all[static_cast<std::size_t>(i)];
    bool inside = !hull.planes.empty();
    for (const Plane& plane : hull.planes) {
      if (plane.Distance(p) > -depth) {
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
  BuildGraph();
  recalcLocalAabb();
}

void HullShape::BuildGraph() {
  const int n = getNumPoints();
  if (n < 16) return;  // a plain scan is as quick
  std::vector<btVector3> points(&m_unscaledPoints[0], &m_unscaledPoints[0] + n);
  for (const btVector3& p : points) {
    if (!IsFinite(p)) return;
  }
  reach_ = Reach(points);
  const Hull hull = HullOf(&points[0].x(), n, sizeof(btVector3));
  if (hull.faces.empty()) return;

  // Vertex v of the graph is hull vertex v; every other point hangs on the
  // vertices of the faces it lies nearest to (within the drop depth).
  const std::size_t vertices = hull.vertexPoint.size();
  std::vector<bool> isVertex(static_cast<std::size_t>(n), false);
  for (int point : hull.vertexPoint) isVertex[static_cast<std::size_t>(point)] = true;
  std::vector<std::vector<int>> neighbours(vertices);
  for (const auto& edge : hull.edges) neighbours[static_cast<std::size_t>(edge[0])].push_back(edge[1]);
  std::vector<std::vector<int>> attached(vertices);
  const double depth = kDepth * reach_;
  for (int i = 0; i < n; ++i) {
    if (isVertex[static_cast<std::size_t>(i)]) continue;
    double nearest = -HUGE_VAL;
    for (const Plane& plane : hull.planes) nearest = std::max(nearest, plane.Distance(points[static_cast<std::size_t>(i)]));
    if (nearest < -depth) continue;  // the first point, kept though deep inside: never on top
    for (std::size_t f = 0; f < hull.faces.size(); ++f) {
      if (hull.planes[f].Distance(points[static_cast<std::size_t>(i)]) < nearest - depth) continue;
      for (int corner : hull.faces[f]) attached[static_cast<std::size_t>(corner)].push_back(i);
    }
  }
  for (std::vector<int>& list : neighbours) {
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
  }
  for (std::vector<int>& list : attached) {
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
  }
  graphPoint_ = hull.vertexPoint;
  Flatten(neighbours, &neighbourStart_, &neighbours_);
  Flatten(attached, &attachedStart_, &attached_);

  hints_.resize(static_cast<std::size_t>(6 * kHintGrid * kHintGrid));
  for (int face = 0; face < 6; ++face) {
    for (int u = 0; u < kHintGrid; ++u) {
      for (int v = 0; v < kHintGrid; ++v) {
        double d[3];
        const int axis = face / 2;
        d[axis] = face % 2 == 0 ? 1.0 : -1.0;
        d[(axis + 1) % 3] = (u + 0.5) * 2.0 / kHintGrid - 1.0;
        d[(axis + 2) % 3] = (v + 0.5) * 2.0 / kHintGrid - 1.0;
        int best = 0;
        double bestDot = -HUGE_VAL;
        for (std::size_t g = 0; g < graphPoint_.size(); ++g) {
          const btVector3& p = points[static_cast<std::size_t>(graphPoint_[g])];
          const double dot = d[0] * p.x() + d[1] * p.y() + d[2] * p.z();
          if (dot > bestDot) {
            bestDot = dot;
            best = static_cast<int>(g);
          }
        }
        hints_[static_cast<std::size_t>(
            HintCell(static_cast<float>(d[0]), static_cast<float>(d[1]), static_cast<float>(d[2])))] = best;
      }
    }
  }

  // A check on the graph: the axes and diagonals must find what a scan
  // finds; otherwise queries scan.
  for (int x = -1; x <= 1; ++x) {
    for (int y = -1; y <= 1; ++y) {
      for (int z = -1; z <= 1; ++z) {
        if (x == 0 && y == 0 && z == 0) continue;
        const btVector3 direction(static_cast<btScalar>(x), static_cast<btScalar>(y), static_cast<btScalar>(z));
        btScalar walked = 0.0f;
        btScalar scanned = 0.0f;
        if (WalkGraph(direction, direction.length(), &walked) != ScanAll(direction, &scanned)) {
          graphPoint_.clear();
          return;
        }
      }
    }
  }
}

int HullShape::HintCell(float x, float y, float z) {
  const float d[3] = {x, y, z};
  const float size[3] = {std::fabs(x), std::fabs(y), std::fabs(z)};
  const int axis = size[0] >= size[1] ? (size[0] >= size[2] ? 0 : 2) : (size[1] >= size[2] ? 1 : 2);
  const float scale = 0.5f * kHintGrid / size[axis];
  if (!std::isfinite(scale)) return 0;  // a direction too short to place: any hint will do
  auto coordinate = [scale](float c) {
    return std::min(kHintGrid - 1, std::max(0, static_cast<int>((c * scale) + 0.5f * kHintGrid)));
  };
  const int face = axis * 2 + (d[axis] < 0.0f ? 1 : 0);
  return (face * kHintGrid + coordinate(d[(axis + 1) % 3])) * kHintGrid + coordinate(d[(axis + 2) % 3]);
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
  const double length = std::sqrt(static_cast<double>(direction.x()) * direction.x() +
                                  static_cast<double>(direction.y()) * direction.y() +
                                  static_cast<double>(direction.z()) * direction.z());
  if (graphPoint_.empty() || !(length > 0.0) || !std::isfinite(length)) return ScanAll(direction, dot);
  return WalkGraph(direction, length, dot);
}

int HullShape::WalkGraph(const btVector3& direction, double length, btScalar* dot) const {
  auto product = [&](int vertex) { return m_unscaledPoints[graphPoint_[static_cast<std::size_t>(vertex)]].dot(direction); };
  // Uphill from the hint to a vertex no neighbour beats.
  int top = hints_[static_cast<std::size_t>(HintCell(direction.x(), direction.y(), direction.z()))];
  btScalar topDot = product(top);
  for (;;) {
    int next = -1;
    btScalar nextDot = topDot;
    for (int k = neighbourStart_[static_cast<std::size_t>(top)]; k < neighbourStart_[static_cast<std::size_t>(top) + 1]; ++k) {
      const int neighbour = neighbours_[static_cast<std::size_t>(k)];
      const btScalar d = product(neighbour);
      if (d > nextDot) {
        nextDot = d;
        next = neighbour;
      }
    }
    if (next < 0) break;
    top = next;
    topDot = nextDot;
  }

  // Every vertex whose product could reach the top, and the surface points
  // on their faces: those within rounding and drop depth of the top. They
  // are connected to it, so a walk over vertices at that level finds them
  // all; the answer is the first of the points with the largest product.
  const double floor = topDot - (4.0 * kRounding + 2.0 * kDepth) * length * reach_;
  int visited[kMaxVisits];
  int count = 0;
  visited[count++] = top;
  btScalar best = -SIMD_INFINITY;
  int index = -1;
  auto consider = [&](int point) {
    const btScalar d = m_unscaledPoints[point].dot(direction);
    if (d > best || (d == best && point < index)) {
      best = d;
      index = point;
    }
  };
  for (int head = 0; head < count; ++head) {
    const std::size_t vertex = static_cast<std::size_t>(visited[head]);
    consider(graphPoint_[vertex]);
    for (int k = attachedStart_[vertex]; k < attachedStart_[vertex + 1]; ++k) consider(attached_[static_cast<std::size_t>(k)]);
    for (int k = neighbourStart_[vertex]; k < neighbourStart_[vertex + 1]; ++k) {
      const int neighbour = neighbours_[static_cast<std::size_t>(k)];
      if (product(neighbour) < floor || std::find(visited, visited + count, neighbour) != visited + count) continue;
      if (count == kMaxVisits) return ScanAll(direction, dot);  // a flat top too wide to walk
      visited[count++] = neighbour;
    }
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
