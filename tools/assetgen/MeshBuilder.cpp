#include "MeshBuilder.h"

#include <cmath>
#include <cstring>
#include <map>
#include <tuple>

namespace assetgen {

namespace {

bool SamePoint(Vec2 a, Vec2 b) { return std::fabs(a.x - b.x) < 1e-7f && std::fabs(a.y - b.y) < 1e-7f; }

// Outward 2D normal (radial, vertical) of a profile segment going from a to b
// (bottom to top).
Vec2 SegmentNormal(Vec2 a, Vec2 b) {
  const float dr = b.x - a.x, dy = b.y - a.y;
  const float length = std::sqrt(dr * dr + dy * dy);
  return length > 0.0f ? Vec2{dy / length, -dr / length} : Vec2{1.0f, 0.0f};
}

}  // namespace

std::uint32_t AddVertex(MeshModel* model, Vec3 position, Vec3 normal, Vec2 uv) {
  MeshVertex v;
  v.position = position;
  v.normal = Normalize(normal);
  v.uv = uv;
  model->vertices.push_back(v);
  return static_cast<std::uint32_t>(model->vertices.size() - 1);
}

void AddTriangle(MeshModel* model, std::uint32_t a, std::uint32_t b, std::uint32_t c) {
  model->faces.push_back({a, b, c});
}

void AddQuad(MeshModel* model, std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
  AddTriangle(model, a, b, c);
  AddTriangle(model, a, c, d);
}

void SetFaceMaterial(MeshModel* model, std::size_t firstFace, std::uint32_t material) {
  model->faceMaterial.resize(model->faces.size(), 0u);
  for (std::size_t f = firstFace; f < model->faces.size(); ++f) model->faceMaterial[f] = material;
}

void AppendBox(MeshModel* model, Vec3 centre, Vec3 half, float uvScale) {
  struct Side {
    Vec3 normal, up;
  };
  const Side sides[6] = {{{0, 0, -1}, {0, 1, 0}}, {{0, 0, 1}, {0, 1, 0}}, {{-1, 0, 0}, {0, 1, 0}},
                         {{1, 0, 0}, {0, 1, 0}},  {{0, 1, 0}, {0, 0, 1}}, {{0, -1, 0}, {0, 0, -1}}};
  for (const Side& side : sides) {
    // Seen from outside (looking along -normal), right = normal x up.
    const Vec3 right = Cross(side.normal, side.up);
    const Vec3 n = Mul(side.normal, half), r = Mul(right, half), u = Mul(side.up, half);
    const std::uint32_t tl = AddVertex(model, centre + n - r + u, side.normal, {0, 0});
    const std::uint32_t tr = AddVertex(model, centre + n + r + u, side.normal, {uvScale, 0});
    const std::uint32_t br = AddVertex(model, centre + n + r - u, side.normal, {uvScale, uvScale});
    const std::uint32_t bl = AddVertex(model, centre + n - r - u, side.normal, {0, uvScale});
    AddQuad(model, tl, tr, br, bl);
  }
}

void AppendLathe(MeshModel* model, const std::vector<Vec2>& profile, int segments) {
  const std::size_t count = profile.size();
  if (count < 2 || segments < 3) return;
  // Arc length down from the top, for v.
  std::vector<float> along(count, 0.0f);
  for (std::size_t i = 1; i < count; ++i) {
    const Vec2 d = profile[i] - profile[i - 1];
    along[i] = along[i - 1] + std::sqrt(d.x * d.x + d.y * d.y);
  }
  const float total = along.back() > 0.0f ? along.back() : 1.0f;
  const std::uint32_t base = static_cast<std::uint32_t>(model->vertices.size());
  for (std::size_t i = 0; i < count; ++i) {
    // The normal from the segments on both sides, unless a crease (a doubled
    // point) cuts one of them off.
    const bool creaseBelow = i > 0 && SamePoint(profile[i], profile[i - 1]);
    const bool creaseAbove = i + 1 < count && SamePoint(profile[i], profile[i + 1]);
    Vec2 n{0.0f, 0.0f};
    if (i > 0 && !creaseBelow) n = n + SegmentNormal(profile[i - 1], profile[i]);
    if (i + 1 < count && !creaseAbove) n = n + SegmentNormal(profile[i], profile[i + 1]);
    const float v = 1.0f - along[i] / total;
    for (int j = 0; j <= segments; ++j) {
      // The seam's second copy takes the first one's position exactly, so
      // that welded normals treat them as one point.
      const float angle = j == segments ? 0.0f : 2.0f * kPi * static_cast<float>(j) / static_cast<float>(segments);
      const float c = std::cos(angle), s = std::sin(angle);
      const Vec3 position{profile[i].x * c, profile[i].y, profile[i].x * s};
      const Vec3 normal{n.x * c, n.y, n.x * s};
      AddVertex(model, position, Length(normal) > 0.0f ? normal : Vec3{0, profile[i].y >= 0 ? 1.0f : -1.0f, 0},
                {static_cast<float>(j) / static_cast<float>(segments), v});
    }
  }
  const std::uint32_t ring = static_cast<std::uint32_t>(segments + 1);
  for (std::size_t i = 0; i + 1 < count; ++i) {
    if (SamePoint(profile[i], profile[i + 1])) continue;
    const bool bottomPole = profile[i].x <= 0.0f;
    const bool topPole = profile[i + 1].x <= 0.0f;
    if (bottomPole && topPole) continue;
    for (std::uint32_t j = 0; j < static_cast<std::uint32_t>(segments); ++j) {
      const std::uint32_t a = base + static_cast<std::uint32_t>(i) * ring + j;
      const std::uint32_t b = a + ring, c = a + ring + 1, d = a + 1;
      // At a pole one of the two triangles collapses onto the pole's point.
      if (!topPole) AddTriangle(model, a, b, c);
      if (!bottomPole) AddTriangle(model, a, c, d);
    }
  }
}

void AppendCylinder(MeshModel* model, float radius, float y0, float y1, int segments) {
  AppendLathe(model, {{0, y0}, {radius, y0}, {radius, y0}, {radius, y1}, {radius, y1}, {0, y1}}, segments);
}

void AppendCapsule(MeshModel* model, float radius, float y0, float y1, int segments, int capRings) {
  std::vector<Vec2> profile;
  for (int i = 0; i <= capRings; ++i) {
    const float a = -0.5f * kPi + 0.5f * kPi * static_cast<float>(i) / static_cast<float>(capRings);
    profile.push_back({radius * std::cos(a), y0 + radius * std::sin(a)});
  }
  for (int i = 0; i <= capRings; ++i) {
    const float a = 0.5f * kPi * static_cast<float>(i) / static_cast<float>(capRings);
    profile.push_back({radius * std::cos(a), y1 + radius * std::sin(a)});
  }
  profile.front().x = 0.0f;
  profile.back().x = 0.0f;
  AppendLathe(model, profile, segments);
}

void AppendSphere(MeshModel* model, int slices, int stacks, const std::function<float(Vec3 direction)>& radiusOf) {
  const std::size_t firstVertex = model->vertices.size();
  const std::size_t firstFace = model->faces.size();
  std::vector<Vec2> profile;
  for (int i = 0; i <= stacks; ++i) {
    const float a = -0.5f * kPi + kPi * static_cast<float>(i) / static_cast<float>(stacks);
    profile.push_back({i == 0 || i == stacks ? 0.0f : std::cos(a), std::sin(a)});
  }
  AppendLathe(model, profile, slices);
  for (std::size_t v = firstVertex; v < model->vertices.size(); ++v) {
    MeshVertex& vertex = model->vertices[v];
    const Vec3 direction = Normalize(vertex.position);
    vertex.position = direction * radiusOf(direction);
  }
  ComputeNormals(model, firstFace, true);
}

void AppendSweep(MeshModel* model, const std::vector<SweepFrame>& path, const std::vector<Vec2>& section, bool capStart,
                 bool capEnd) {
  if (path.size() < 2 || section.size() < 3) return;
  const std::uint32_t base = static_cast<std::uint32_t>(model->vertices.size());
  const std::uint32_t ring = static_cast<std::uint32_t>(section.size() + 1);
  std::vector<float> along(path.size(), 0.0f);
  for (std::size_t i = 1; i < path.size(); ++i)
    along[i] = along[i - 1] + Distance(path[i].position, path[i - 1].position);
  const float total = along.back() > 0.0f ? along.back() : 1.0f;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const SweepFrame& f = path[i];
    for (std::size_t k = 0; k <= section.size(); ++k) {
      const Vec2 s = section[k % section.size()];
      const Vec3 offset = f.side * (s.x * f.scaleX) + f.up * (s.y * f.scaleY);
      AddVertex(model, f.position + offset, offset,
                {static_cast<float>(k) / static_cast<float>(section.size()), along[i] / total});
    }
  }
  // The section's direction decides which way the quads face: when they
  // would face inwards, wind them the other way and mirror u with them.
  const Vec3 p0 = model->vertices[base].position, p1 = model->vertices[base + ring].position,
             p2 = model->vertices[base + ring + 1].position;
  const Vec3 outward = (p0 + p1 + p2) / 3.0f - (path[0].position + path[1].position) * 0.5f;
  const bool inward = Dot(Cross(p1 - p0, p2 - p0), outward) < 0.0f;
  // Seen from outside, u must grow to the right (v grows along the path):
  // with the quads as first wound that holds when they face inwards, so
  // when they already face outwards u runs the other way round.
  if (!inward) {
    for (std::size_t v = base; v < model->vertices.size(); ++v)
      model->vertices[v].uv.x = 1.0f - model->vertices[v].uv.x;
  }
  for (std::uint32_t i = 0; i + 1 < path.size(); ++i) {
    for (std::uint32_t k = 0; k < section.size(); ++k) {
      const std::uint32_t a = base + i * ring + k;
      if (inward) {
        AddQuad(model, a, a + 1, a + ring + 1, a + ring);
      } else {
        AddQuad(model, a, a + ring, a + ring + 1, a + 1);
      }
    }
  }
  auto cap = [&](std::size_t pathIndex, bool atStart) {
    const SweepFrame& f = path[pathIndex];
    const Vec3 forward =
        Normalize(path[atStart ? 1 : path.size() - 1].position - path[atStart ? 0 : path.size() - 2].position);
    const Vec3 normal = atStart ? -forward : forward;
    const std::uint32_t centre = AddVertex(model, f.position, normal, {0.5f, 0.5f});
    const std::uint32_t first = static_cast<std::uint32_t>(model->vertices.size());
    for (std::size_t k = 0; k < section.size(); ++k) {
      const Vec2 s = section[k];
      AddVertex(model, f.position + f.side * (s.x * f.scaleX) + f.up * (s.y * f.scaleY), normal,
                {0.5f + 0.5f * s.x, 0.5f - 0.5f * s.y});
    }
    const std::size_t firstFace = model->faces.size();
    for (std::uint32_t k = 0; k < section.size(); ++k) {
      const std::uint32_t a = first + k, b = first + (k + 1) % static_cast<std::uint32_t>(section.size());
      std::uint32_t tri[3] = {centre, a, b};
      const Vec3 q0 = model->vertices[tri[0]].position, q1 = model->vertices[tri[1]].position,
                 q2 = model->vertices[tri[2]].position;
      if (Dot(Cross(q1 - q0, q2 - q0), normal) < 0.0f) std::swap(tri[1], tri[2]);
      AddTriangle(model, tri[0], tri[1], tri[2]);
    }
    // The cap is flat: when its mapping comes out mirrored seen from
    // outside, mirror u for all of it.
    const auto& face = model->faces[firstFace];
    const Vec2 e1 = model->vertices[face[1]].uv - model->vertices[face[0]].uv;
    const Vec2 e2 = model->vertices[face[2]].uv - model->vertices[face[0]].uv;
    if (e1.x * e2.y - e1.y * e2.x < 0.0f) {
      for (std::size_t v = centre; v < model->vertices.size(); ++v)
        model->vertices[v].uv.x = 1.0f - model->vertices[v].uv.x;
    }
  };
  if (capStart) cap(0, true);
  if (capEnd) cap(path.size() - 1, false);
}

void ComputeNormals(MeshModel* model, std::size_t firstFace, bool weld) {
  std::vector<Vec3> sums(model->vertices.size());
  std::vector<bool> touched(model->vertices.size(), false);
  for (std::size_t f = firstFace; f < model->faces.size(); ++f) {
    const auto& face = model->faces[f];
    const Vec3 p0 = model->vertices[face[0]].position, p1 = model->vertices[face[1]].position,
               p2 = model->vertices[face[2]].position;
    const Vec3 n = Cross(p1 - p0, p2 - p0);  // length = twice the area: area weighting
    for (std::uint32_t index : face) {
      sums[index] += n;
      touched[index] = true;
    }
  }
  if (weld) {
    // Sum over every vertex at the same position (exact bits).
    std::map<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>, Vec3> byPosition;
    auto key = [](Vec3 p) {
      // Adding zero turns -0 into +0: the same point, the same key.
      p = p + Vec3{0.0f, 0.0f, 0.0f};
      std::uint32_t x, y, z;
      std::memcpy(&x, &p.x, 4);
      std::memcpy(&y, &p.y, 4);
      std::memcpy(&z, &p.z, 4);
      return std::make_tuple(x, y, z);
    };
    for (std::size_t v = 0; v < sums.size(); ++v) {
      if (touched[v]) byPosition[key(model->vertices[v].position)] += sums[v];
    }
    // Every vertex at a summed position takes the sum, also one that no face
    // uses (a pole's spare seam copy), so no stale normal is left behind.
    for (std::size_t v = 0; v < sums.size(); ++v) {
      const auto found = byPosition.find(key(model->vertices[v].position));
      if (found == byPosition.end()) continue;
      sums[v] = found->second;
      touched[v] = true;
    }
  }
  for (std::size_t v = 0; v < sums.size(); ++v) {
    if (touched[v]) model->vertices[v].normal = Normalize(sums[v], model->vertices[v].normal);
  }
}

float OutwardFaceFraction(const MeshModel& model, Vec3 centre) {
  if (model.faces.empty()) return 0.0f;
  std::size_t outward = 0;
  for (const auto& face : model.faces) {
    const Vec3 p0 = model.vertices[face[0]].position, p1 = model.vertices[face[1]].position,
               p2 = model.vertices[face[2]].position;
    if (Dot(Cross(p1 - p0, p2 - p0), (p0 + p1 + p2) / 3.0f - centre) > 0.0f) ++outward;
  }
  return static_cast<float>(outward) / static_cast<float>(model.faces.size());
}

float UnusableUvFraction(const MeshModel& model) {
  if (model.faces.empty()) return 0.0f;
  std::size_t unusable = 0;
  for (const auto& face : model.faces) {
    const Vec2 t0 = model.vertices[face[0]].uv, t1 = model.vertices[face[1]].uv, t2 = model.vertices[face[2]].uv;
    const Vec2 e1 = t1 - t0, e2 = t2 - t0;
    if (!(e1.x * e2.y - e1.y * e2.x > 1.1920929e-7f)) ++unusable;
  }
  return static_cast<float>(unusable) / static_cast<float>(model.faces.size());
}

}  // namespace assetgen
