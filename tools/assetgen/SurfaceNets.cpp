#include "SurfaceNets.h"

#include <meshoptimizer.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace assetgen {

namespace {

// Moves p onto the surface along the field's gradient, by at most `limit`
// in all (so a vertex never jumps to a neighbouring thin part).
Vec3 ProjectToSurface(const SdfShape& shape, Vec3 p, float limit) {
  const Vec3 start = p;
  for (int step = 0; step < 3; ++step) {
    const float d = shape.Distance(p);
    if (std::fabs(d) < 1e-5f) break;
    p = p - shape.Normal(p) * d;
  }
  const Vec3 move = p - start;
  const float length = Length(move);
  return length > limit ? start + move * (limit / length) : p;
}

}  // namespace

MeshModel PolygoniseSdf(const SdfShape& shape, float cell) {
  Vec3 lo, hi;
  shape.Bounds(&lo, &hi);
  lo = lo - Vec3{cell, cell, cell} * 2.0f;
  hi = hi + Vec3{cell, cell, cell} * 2.0f;
  const int nx = static_cast<int>(std::ceil((hi.x - lo.x) / cell)) + 1;
  const int ny = static_cast<int>(std::ceil((hi.y - lo.y) / cell)) + 1;
  const int nz = static_cast<int>(std::ceil((hi.z - lo.z) / cell)) + 1;
  auto sampleIndex = [&](int i, int j, int k) {
    return (static_cast<std::size_t>(k) * ny + static_cast<std::size_t>(j)) * nx + static_cast<std::size_t>(i);
  };
  auto position = [&](int i, int j, int k) {
    return Vec3{lo.x + cell * static_cast<float>(i), lo.y + cell * static_cast<float>(j),
                lo.z + cell * static_cast<float>(k)};
  };
  // Only the cells the surface crosses need exact values; elsewhere the sign
  // is all that matters. A coarse pass every kBlock samples decides, by the
  // field's distance bound, which blocks the surface may cross; the others
  // take their coarse sample's value.
  constexpr int kBlock = 4;
  std::vector<float> field(static_cast<std::size_t>(nx) * ny * nz);
  const float reach = cell * static_cast<float>(kBlock) * 0.8660254f + cell;  // half block diagonal, plus slack
  for (int bk = 0; bk < nz; bk += kBlock) {
    for (int bj = 0; bj < ny; bj += kBlock) {
      for (int bi = 0; bi < nx; bi += kBlock) {
        const int ek = std::min(bk + kBlock, nz), ej = std::min(bj + kBlock, ny), ei = std::min(bi + kBlock, nx);
        const Vec3 centre = position(bi, bj, bk) + Vec3{cell, cell, cell} * (0.5f * static_cast<float>(kBlock - 1));
        const float coarse = shape.Distance(centre);
        const bool nearSurface = std::fabs(coarse) <= reach;
        for (int k = bk; k < ek; ++k) {
          for (int j = bj; j < ej; ++j) {
            for (int i = bi; i < ei; ++i) {
              field[sampleIndex(i, j, k)] = nearSurface ? shape.Distance(position(i, j, k)) : coarse;
            }
          }
        }
      }
    }
  }

  // One vertex per crossed cell, at the mean of its edge crossings.
  MeshModel mesh;
  std::vector<std::int32_t> vertexOfCell(static_cast<std::size_t>(nx) * ny * nz, -1);
  static const int kCorner[8][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0},
                                    {0, 0, 1}, {1, 0, 1}, {0, 1, 1}, {1, 1, 1}};
  static const int kEdges[12][2] = {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {0, 2}, {1, 3},
                                    {4, 6}, {5, 7}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
  for (int k = 0; k + 1 < nz; ++k) {
    for (int j = 0; j + 1 < ny; ++j) {
      for (int i = 0; i + 1 < nx; ++i) {
        float value[8];
        int inside = 0;
        for (int c = 0; c < 8; ++c) {
          value[c] = field[sampleIndex(i + kCorner[c][0], j + kCorner[c][1], k + kCorner[c][2])];
          if (value[c] < 0.0f) ++inside;
        }
        if (inside == 0 || inside == 8) continue;
        Vec3 sum;
        int crossings = 0;
        for (const auto& edge : kEdges) {
          const float va = value[edge[0]], vb = value[edge[1]];
          if ((va < 0.0f) == (vb < 0.0f)) continue;
          const float t = va / (va - vb);
          const Vec3 pa = position(i + kCorner[edge[0]][0], j + kCorner[edge[0]][1], k + kCorner[edge[0]][2]);
          const Vec3 pb = position(i + kCorner[edge[1]][0], j + kCorner[edge[1]][1], k + kCorner[edge[1]][2]);
          sum += Lerp(pa, pb, t);
          ++crossings;
        }
        MeshVertex v;
        v.position = ProjectToSurface(shape, sum / static_cast<float>(crossings), cell);
        v.normal = shape.Normal(v.position);
        vertexOfCell[sampleIndex(i, j, k)] = static_cast<std::int32_t>(mesh.vertices.size());
        mesh.vertices.push_back(v);
      }
    }
  }

  // One quad per crossed grid edge, joining the four cells around it.
  auto emit = [&](std::int32_t q0, std::int32_t q1, std::int32_t q2, std::int32_t q3, Vec3 outward) {
    if (q0 < 0 || q1 < 0 || q2 < 0 || q3 < 0) return;
    std::uint32_t q[4] = {static_cast<std::uint32_t>(q0), static_cast<std::uint32_t>(q1),
                          static_cast<std::uint32_t>(q2), static_cast<std::uint32_t>(q3)};
    const Vec3 p0 = mesh.vertices[q[0]].position, p1 = mesh.vertices[q[1]].position, p2 = mesh.vertices[q[2]].position,
               p3 = mesh.vertices[q[3]].position;
    const Vec3 n = Cross(p1 - p0, p2 - p0) + Cross(p2 - p0, p3 - p0);
    if (Dot(n, outward) < 0.0f) std::swap(q[1], q[3]);
    if (Distance(p0, p2) <= Distance(p1, p3)) {
      mesh.faces.push_back({q[0], q[1], q[2]});
      mesh.faces.push_back({q[0], q[2], q[3]});
    } else {
      mesh.faces.push_back({q[1], q[2], q[3]});
      mesh.faces.push_back({q[1], q[3], q[0]});
    }
  };
  auto cellVertex = [&](int i, int j, int k) { return vertexOfCell[sampleIndex(i, j, k)]; };
  for (int k = 1; k + 1 < nz; ++k) {
    for (int j = 1; j + 1 < ny; ++j) {
      for (int i = 1; i + 1 < nx; ++i) {
        const float v = field[sampleIndex(i, j, k)];
        const bool in = v < 0.0f;
        if (in != (field[sampleIndex(i + 1, j, k)] < 0.0f)) {
          emit(cellVertex(i, j - 1, k - 1), cellVertex(i, j, k - 1), cellVertex(i, j, k), cellVertex(i, j - 1, k),
               Vec3{in ? 1.0f : -1.0f, 0, 0});
        }
        if (in != (field[sampleIndex(i, j + 1, k)] < 0.0f)) {
          emit(cellVertex(i - 1, j, k - 1), cellVertex(i, j, k - 1), cellVertex(i, j, k), cellVertex(i - 1, j, k),
               Vec3{0, in ? 1.0f : -1.0f, 0});
        }
        if (in != (field[sampleIndex(i, j, k + 1)] < 0.0f)) {
          emit(cellVertex(i - 1, j - 1, k), cellVertex(i, j - 1, k), cellVertex(i, j, k), cellVertex(i - 1, j, k),
               Vec3{0, 0, in ? 1.0f : -1.0f});
        }
      }
    }
  }
  return mesh;
}

void SimplifyOnSurface(MeshModel* mesh, const SdfShape& shape, std::size_t targetTriangles, float maxError) {
  std::vector<unsigned int> indices;
  indices.reserve(mesh->faces.size() * 3);
  for (const auto& face : mesh->faces) indices.insert(indices.end(), face.begin(), face.end());
  std::vector<float> positions;
  positions.reserve(mesh->vertices.size() * 3);
  for (const MeshVertex& v : mesh->vertices)
    positions.insert(positions.end(), {v.position.x, v.position.y, v.position.z});
  std::vector<unsigned int> simplified(indices.size());
  float resultError = 0.0f;
  const std::size_t count =
      meshopt_simplify(simplified.data(), indices.data(), indices.size(), positions.data(), mesh->vertices.size(),
                       sizeof(float) * 3, targetTriangles * 3, maxError, 0, &resultError);
  simplified.resize(count);
  // Keep only the vertices still used, in their old order.
  std::vector<std::int32_t> remap(mesh->vertices.size(), -1);
  for (unsigned int index : simplified) remap[index] = 0;
  MeshModel out;
  for (std::size_t v = 0; v < mesh->vertices.size(); ++v) {
    if (remap[v] < 0) continue;
    remap[v] = static_cast<std::int32_t>(out.vertices.size());
    MeshVertex vertex = mesh->vertices[v];
    vertex.position = ProjectToSurface(shape, vertex.position, 0.05f);
    vertex.normal = shape.Normal(vertex.position);
    out.vertices.push_back(vertex);
  }
  for (std::size_t i = 0; i + 2 < simplified.size(); i += 3) {
    const std::uint32_t a = static_cast<std::uint32_t>(remap[simplified[i]]);
    const std::uint32_t b = static_cast<std::uint32_t>(remap[simplified[i + 1]]);
    const std::uint32_t c = static_cast<std::uint32_t>(remap[simplified[i + 2]]);
    if (a == b || b == c || a == c) continue;
    out.faces.push_back({a, b, c});
  }
  *mesh = std::move(out);
}

}  // namespace assetgen
