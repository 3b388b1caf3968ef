#include "ChartAtlas.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "VecMath.h"

namespace assetgen {

namespace {

const Vec3 kAxes[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};

// The projection of an axis's charts: u along right, v along -up, seen
// from outside (looking against the axis).
void Projection(int axis, Vec3* right, Vec3* up) {
  const Vec3 d = kAxes[axis];
  *up = axis == 2 ? Vec3{0, 0, 1} : (axis == 3 ? Vec3{0, 0, -1} : Vec3{0, 1, 0});
  *right = Cross(d, *up);
}

Vec3 FaceNormal(const MeshModel& mesh, std::size_t f) {
  const auto& face = mesh.faces[f];
  const Vec3 p0 = mesh.vertices[face[0]].position, p1 = mesh.vertices[face[1]].position,
             p2 = mesh.vertices[face[2]].position;
  return Normalize(Cross(p1 - p0, p2 - p0));
}

int BestAxis(Vec3 n) {
  int best = 0;
  for (int a = 1; a < 6; ++a) {
    if (Dot(n, kAxes[a]) > Dot(n, kAxes[best])) best = a;
  }
  return best;
}

// Faces sharing an edge with each face.
std::vector<std::vector<std::uint32_t>> FaceNeighbours(const MeshModel& mesh) {
  std::map<std::pair<std::uint32_t, std::uint32_t>, std::vector<std::uint32_t>> byEdge;
  for (std::uint32_t f = 0; f < mesh.faces.size(); ++f) {
    for (int e = 0; e < 3; ++e) {
      const std::uint32_t a = mesh.faces[f][e], b = mesh.faces[f][(e + 1) % 3];
      byEdge[{std::min(a, b), std::max(a, b)}].push_back(f);
    }
  }
  std::vector<std::vector<std::uint32_t>> neighbours(mesh.faces.size());
  for (const auto& entry : byEdge) {
    for (std::uint32_t f : entry.second) {
      for (std::uint32_t g : entry.second) {
        if (f != g) neighbours[f].push_back(g);
      }
    }
  }
  return neighbours;
}

// Connected groups of faces with the same axis; returns the chart of each
// face and the number of charts.
std::size_t Components(const std::vector<int>& axis, const std::vector<std::vector<std::uint32_t>>& neighbours,
                       std::vector<int>* chart) {
  chart->assign(axis.size(), -1);
  int count = 0;
  std::vector<std::uint32_t> stack;
  for (std::uint32_t f = 0; f < axis.size(); ++f) {
    if ((*chart)[f] >= 0) continue;
    (*chart)[f] = count;
    stack.push_back(f);
    while (!stack.empty()) {
      const std::uint32_t g = stack.back();
      stack.pop_back();
      for (std::uint32_t h : neighbours[g]) {
        if ((*chart)[h] < 0 && axis[h] == axis[g]) {
          (*chart)[h] = count;
          stack.push_back(h);
        }
      }
    }
    ++count;
  }
  return static_cast<std::size_t>(count);
}

struct Placed {
  Vec2 lo, hi;       // projected bounds, world units
  int x = 0, y = 0;  // texel position of lo in the atlas
};

// Shelf packing, tallest first; false when the charts do not fit.
bool Pack(std::vector<Placed>* charts, float scale, int size, int padding) {
  std::vector<std::size_t> order(charts->size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  auto height = [&](std::size_t i) { return ((*charts)[i].hi.y - (*charts)[i].lo.y) * scale; };
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return height(a) > height(b); });
  int x = 0, y = 0, rowHeight = 0;
  for (std::size_t i : order) {
    Placed& c = (*charts)[i];
    const int w = static_cast<int>(std::ceil((c.hi.x - c.lo.x) * scale)) + 2 * padding + 1;
    const int h = static_cast<int>(std::ceil((c.hi.y - c.lo.y) * scale)) + 2 * padding + 1;
    if (w > size) return false;
    if (x + w > size) {
      x = 0;
      y += rowHeight;
      rowHeight = 0;
    }
    if (y + h > size) return false;
    c.x = x + padding;
    c.y = y + padding;
    x += w;
    rowHeight = std::max(rowHeight, h);
  }
  return true;
}

}  // namespace

ChartAtlas BuildChartAtlas(const MeshModel& mesh, int size, int padding, std::size_t minChartFaces,
                           const std::vector<int>* faceGroup) {
  const std::size_t faceCount = mesh.faces.size();
  std::vector<Vec3> normals(faceCount);
  std::vector<int> axis(faceCount);
  for (std::size_t f = 0; f < faceCount; ++f) {
    normals[f] = FaceNormal(mesh, f);
    axis[f] = BestAxis(normals[f]);
  }
  auto neighbours = FaceNeighbours(mesh);
  if (faceGroup != nullptr) {
    // Faces of different groups are not neighbours for charting.
    for (std::size_t f = 0; f < faceCount; ++f) {
      auto& list = neighbours[f];
      list.erase(
          std::remove_if(list.begin(), list.end(), [&](std::uint32_t g) { return (*faceGroup)[g] != (*faceGroup)[f]; }),
          list.end());
    }
  }

  // Smooth ragged borders: a face whose neighbours mostly chose another axis
  // follows them, as long as it still faces that axis well.
  for (int round = 0; round < 4; ++round) {
    std::vector<int> next = axis;
    for (std::size_t f = 0; f < faceCount; ++f) {
      int votes[6] = {0, 0, 0, 0, 0, 0};
      for (std::uint32_t g : neighbours[f]) ++votes[axis[g]];
      for (int a = 0; a < 6; ++a) {
        if (a != axis[f] && votes[a] >= 2 && Dot(normals[f], kAxes[a]) > 0.35f) next[f] = a;
      }
    }
    axis = next;
  }
  // Tiny charts join a neighbouring chart that their faces can face.
  std::vector<int> chart;
  for (int round = 0; round < 6; ++round) {
    const std::size_t count = Components(axis, neighbours, &chart);
    std::vector<std::size_t> sizes(count, 0);
    for (int c : chart) ++sizes[static_cast<std::size_t>(c)];
    bool changed = false;
    for (std::size_t f = 0; f < faceCount; ++f) {
      if (sizes[static_cast<std::size_t>(chart[f])] >= minChartFaces) continue;
      int best = -1;
      float bestDot = 0.2f;
      for (std::uint32_t g : neighbours[f]) {
        const float d = Dot(normals[f], kAxes[axis[g]]);
        if (axis[g] != axis[f] && sizes[static_cast<std::size_t>(chart[g])] >= minChartFaces && d > bestDot) {
          best = axis[g];
          bestDot = d;
        }
      }
      if (best >= 0) {
        axis[f] = best;
        changed = true;
      }
    }
    if (!changed) break;
  }
  const std::size_t chartCount = Components(axis, neighbours, &chart);

  // Projected bounds of every chart.
  std::vector<Placed> placed(chartCount);
  for (Placed& p : placed) {
    p.lo = {1e9f, 1e9f};
    p.hi = {-1e9f, -1e9f};
  }
  std::vector<int> chartAxis(chartCount, 0);
  auto project = [](int a, Vec3 p) {
    Vec3 right, up;
    Projection(a, &right, &up);
    return Vec2{Dot(p, right), -Dot(p, up)};
  };
  float area = 0.0f;
  for (std::size_t f = 0; f < faceCount; ++f) {
    const std::size_t c = static_cast<std::size_t>(chart[f]);
    chartAxis[c] = axis[f];
    for (std::uint32_t index : mesh.faces[f]) {
      const Vec2 q = project(axis[f], mesh.vertices[index].position);
      placed[c].lo = {std::fmin(placed[c].lo.x, q.x), std::fmin(placed[c].lo.y, q.y)};
      placed[c].hi = {std::fmax(placed[c].hi.x, q.x), std::fmax(placed[c].hi.y, q.y)};
    }
  }
  for (const Placed& p : placed) area += (p.hi.x - p.lo.x) * (p.hi.y - p.lo.y);
  float scale = std::sqrt(0.75f * static_cast<float>(size) * static_cast<float>(size) / std::fmax(area, 1e-6f));
  while (!Pack(&placed, scale, size, padding)) scale *= 0.96f;

  // The output mesh: one vertex per (input vertex, chart) pair.
  ChartAtlas atlas;
  atlas.chartCount = chartCount;
  atlas.texelsPerUnit = scale;
  std::map<std::pair<std::uint32_t, int>, std::uint32_t> copies;
  for (std::size_t f = 0; f < faceCount; ++f) {
    std::array<std::uint32_t, 3> face{};
    for (int k = 0; k < 3; ++k) {
      const std::uint32_t source = mesh.faces[f][k];
      const auto key = std::make_pair(source, chart[f]);
      auto found = copies.find(key);
      if (found == copies.end()) {
        const Placed& p = placed[static_cast<std::size_t>(chart[f])];
        const Vec2 q = project(chartAxis[static_cast<std::size_t>(chart[f])], mesh.vertices[source].position);
        MeshVertex v = mesh.vertices[source];
        v.uv = {(static_cast<float>(p.x) + (q.x - p.lo.x) * scale) / static_cast<float>(size),
                (static_cast<float>(p.y) + (q.y - p.lo.y) * scale) / static_cast<float>(size)};
        found = copies.emplace(key, static_cast<std::uint32_t>(atlas.mesh.vertices.size())).first;
        atlas.mesh.vertices.push_back(v);
        atlas.sourceVertex.push_back(source);
      }
      face[static_cast<std::size_t>(k)] = found->second;
    }
    atlas.mesh.faces.push_back(face);
  }
  return atlas;
}

}  // namespace assetgen
