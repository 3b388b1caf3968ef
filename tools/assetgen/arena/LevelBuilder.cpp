#include "tools/assetgen/arena/LevelBuilder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <utility>

namespace assetgen::arena {
namespace {

Vec3 ToVec3(V3 v) { return {v.x, v.y, v.z}; }
V3 ToV3(const Vec3& v) { return {v.x, v.y, v.z}; }

// Twice the signed area of a 2D polygon (positive: counter-clockwise in a
// right-handed x-right, y-up plane).
float SignedArea2(const std::vector<V2>& poly) {
  float sum = 0.0f;
  for (std::size_t i = 0; i < poly.size(); ++i) {
    const V2& p = poly[i];
    const V2& q = poly[(i + 1) % poly.size()];
    sum += p.x * q.y - q.x * p.y;
  }
  return sum;
}

// Keeps the part of `subject` left of the directed edge a->b.
std::vector<V2> ClipByEdge(const std::vector<V2>& subject, V2 a, V2 b) {
  std::vector<V2> out;
  const auto side = [&](V2 p) { return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x); };
  for (std::size_t i = 0; i < subject.size(); ++i) {
    const V2 p = subject[i];
    const V2 q = subject[(i + 1) % subject.size()];
    const float sp = side(p);
    const float sq = side(q);
    if (sp >= 0.0f) out.push_back(p);
    if ((sp >= 0.0f) != (sq >= 0.0f)) {
      const float t = sp / (sp - sq);
      out.push_back({p.x + (q.x - p.x) * t, p.y + (q.y - p.y) * t});
    }
  }
  return out;
}

// Drops points that repeat their predecessor (clipping leaves such pairs on
// cell corners that touch the polygon's edges).
void RemoveRepeats(std::vector<V2>* poly) {
  std::vector<V2> out;
  for (const V2& p : *poly) {
    if (!out.empty() && std::fabs(out.back().x - p.x) < 1e-4f && std::fabs(out.back().y - p.y) < 1e-4f) continue;
    out.push_back(p);
  }
  while (out.size() > 1 && std::fabs(out.front().x - out.back().x) < 1e-4f &&
         std::fabs(out.front().y - out.back().y) < 1e-4f) {
    out.pop_back();
  }
  *poly = std::move(out);
}

std::uint32_t FloatBits(float f) {
  if (f == 0.0f) f = 0.0f;  // one key for +0 and -0
  std::uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  return bits;
}

}  // namespace

PlaneFrame FrameForNormal(V3 normal) {
  PlaneFrame frame;
  frame.normal = Normalize(normal);
  if (std::fabs(frame.normal.y) < 0.999f) {
    frame.up = Normalize(V3{0.0f, 1.0f, 0.0f} - frame.normal * frame.normal.y);
  } else {
    frame.up = {0.0f, 0.0f, 1.0f};
  }
  // Left-handed: seen from the front, right = normal x up.
  frame.right = Normalize(Cross(frame.normal, frame.up));
  return frame;
}

std::vector<float> SplitLines(std::vector<float> breaks, float maxCell) {
  std::sort(breaks.begin(), breaks.end());
  breaks.erase(std::unique(breaks.begin(), breaks.end()), breaks.end());
  std::vector<float> lines;
  for (std::size_t i = 0; i < breaks.size(); ++i) {
    if (i > 0) {
      const float a = breaks[i - 1];
      const float b = breaks[i];
      const int pieces = std::max(1, static_cast<int>(std::ceil((b - a) / maxCell - 1e-4f)));
      for (int k = 1; k < pieces; ++k) lines.push_back(a + (b - a) * static_cast<float>(k) / pieces);
    }
    lines.push_back(breaks[i]);
  }
  return lines;
}

LevelBuilder::LevelBuilder(std::vector<float> tileSizes, float maxCell)
    : tileSizes_(std::move(tileSizes)), maxCell_(maxCell) {}

float LevelBuilder::Tile(int surface) const { return tileSizes_.at(static_cast<std::size_t>(surface)); }

void LevelBuilder::BeginChart() {
  LightmapChart chart;
  chart.firstFace = static_cast<std::uint32_t>(mesh_.faces.size());
  chart.densityScale = density_;
  charts_.push_back(chart);
}

std::uint32_t LevelBuilder::AddVertex(V3 p, V3 n, V2 uv, V2 chart) {
  MeshVertex v;
  v.position = ToVec3(p);
  v.normal = ToVec3(n);
  v.uv = {uv.x, uv.y};
  mesh_.vertices.push_back(v);
  chartCoords_.push_back(chart);
  return static_cast<std::uint32_t>(mesh_.vertices.size() - 1);
}

void LevelBuilder::AddTriangle(std::uint32_t a, std::uint32_t b, std::uint32_t c, int surface) {
  mesh_.faces.push_back({a, b, c});
  mesh_.faceMaterial.push_back(static_cast<std::uint32_t>(surface));
  charts_.back().faceCount += 1;
}

void LevelBuilder::AddPlanarRegion(const std::vector<V3>& polygon, V3 normal, int surface,
                                   const std::vector<float>* linesA, const std::vector<float>* linesB,
                                   const CellFilter& keep) {
  if (polygon.size() < 3) return;
  const PlaneFrame frame = FrameForNormal(normal);
  float offset = 0.0f;
  std::vector<V2> clip;
  for (const V3& p : polygon) {
    clip.push_back({Dot(p, frame.right), Dot(p, frame.up)});
    offset += Dot(p, frame.normal);
  }
  offset /= static_cast<float>(polygon.size());
  if (SignedArea2(clip) < 0.0f) std::reverse(clip.begin(), clip.end());

  float aMin = clip[0].x, aMax = clip[0].x, bMin = clip[0].y, bMax = clip[0].y;
  for (const V2& p : clip) {
    aMin = std::min(aMin, p.x);
    aMax = std::max(aMax, p.x);
    bMin = std::min(bMin, p.y);
    bMax = std::max(bMax, p.y);
  }
  const std::vector<float> gridA = linesA ? *linesA : SplitLines({aMin, aMax}, maxCell_);
  const std::vector<float> gridB = linesB ? *linesB : SplitLines({bMin, bMax}, maxCell_);

  BeginChart();
  const float tile = Tile(surface);
  std::map<std::pair<std::uint32_t, std::uint32_t>, std::uint32_t> shared;
  const auto vertexAt = [&](V2 q) {
    const auto key = std::make_pair(FloatBits(q.x), FloatBits(q.y));
    const auto found = shared.find(key);
    if (found != shared.end()) return found->second;
    const V3 p = frame.right * q.x + frame.up * q.y + frame.normal * offset;
    const std::uint32_t index = AddVertex(p, frame.normal, {q.x / tile, -q.y / tile}, {q.x, -q.y});
    shared.emplace(key, index);
    return index;
  };

  for (std::size_t j = 0; j + 1 < gridB.size(); ++j) {
    for (std::size_t i = 0; i + 1 < gridA.size(); ++i) {
      const float a0 = gridA[i], a1 = gridA[i + 1], b0 = gridB[j], b1 = gridB[j + 1];
      if (keep) {
        const V3 centre = frame.right * (0.5f * (a0 + a1)) + frame.up * (0.5f * (b0 + b1)) + frame.normal * offset;
        if (!keep(centre)) continue;
      }
      std::vector<V2> cell = {{a0, b0}, {a1, b0}, {a1, b1}, {a0, b1}};
      for (std::size_t e = 0; e < clip.size() && cell.size() >= 3; ++e) {
        cell = ClipByEdge(cell, clip[e], clip[(e + 1) % clip.size()]);
      }
      RemoveRepeats(&cell);
      if (cell.size() < 3 || SignedArea2(cell) < 1e-3f) continue;
      // Counter-clockwise in (right, up) is anticlockwise seen from the
      // front; the mesh wants clockwise, so walk the cell backwards.
      std::vector<std::uint32_t> loop;
      for (auto it = cell.rbegin(); it != cell.rend(); ++it) loop.push_back(vertexAt(*it));
      for (std::size_t k = 1; k + 1 < loop.size(); ++k) AddTriangle(loop[0], loop[k], loop[k + 1], surface);
    }
  }
  if (charts_.back().faceCount == 0) charts_.pop_back();
}

void LevelBuilder::AddBox(V3 lo, V3 hi, int topSurface, int sideSurface, unsigned faceMask) {
  const auto face = [&](unsigned bit, V3 a, V3 b, V3 c, V3 d, V3 n, int surface) {
    if ((faceMask & bit) != 0u) AddPlanarRegion({a, b, c, d}, n, surface);
  };
  face(1u, {hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z}, {hi.x, hi.y, hi.z}, {hi.x, lo.y, hi.z}, {1, 0, 0}, sideSurface);
  face(2u, {lo.x, lo.y, lo.z}, {lo.x, hi.y, lo.z}, {lo.x, hi.y, hi.z}, {lo.x, lo.y, hi.z}, {-1, 0, 0}, sideSurface);
  face(4u, {lo.x, hi.y, lo.z}, {hi.x, hi.y, lo.z}, {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}, {0, 1, 0}, topSurface);
  face(8u, {lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, lo.y, hi.z}, {lo.x, lo.y, hi.z}, {0, -1, 0}, sideSurface);
  face(16u, {lo.x, lo.y, hi.z}, {hi.x, lo.y, hi.z}, {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}, {0, 0, 1}, sideSurface);
  face(32u, {lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z}, {lo.x, hi.y, lo.z}, {0, 0, -1}, sideSurface);
}

void LevelBuilder::AddPrismSides(float cx, float cz, float radius, float y0, float y1, int segments, float phase,
                                 int surface, bool smooth, bool inward) {
  const std::vector<float> rows = SplitLines({y0, y1}, maxCell_);
  const float tile = Tile(surface);
  const float facing = inward ? -1.0f : 1.0f;
  // Seen from the front, "right" runs with the angle outside and against it
  // inside.
  std::vector<float> angles;
  for (int i = 0; i <= segments; ++i) {
    const int k = inward ? segments - i : i;
    angles.push_back(phase + 2.0f * kPi * static_cast<float>(k) / static_cast<float>(segments));
  }
  const auto corner = [&](float angle, float y) {
    return V3{cx + radius * std::cos(angle), y, cz + radius * std::sin(angle)};
  };

  BeginChart();
  const auto column = [&](float angle, float s, V3 normal) {
    std::vector<std::uint32_t> ids;
    for (float y : rows) ids.push_back(AddVertex(corner(angle, y), normal, {s / tile, -y / tile}, {s, -y}));
    return ids;
  };
  const auto quads = [&](const std::vector<std::uint32_t>& left, const std::vector<std::uint32_t>& right) {
    for (std::size_t j = 0; j + 1 < rows.size(); ++j) {
      AddTriangle(left[j], left[j + 1], right[j + 1], surface);
      AddTriangle(left[j], right[j + 1], right[j], surface);
    }
  };

  float s = 0.0f;
  std::vector<std::uint32_t> previous;
  for (int i = 0; i <= segments; ++i) {
    const float angle = angles[static_cast<std::size_t>(i)];
    if (i > 0) s += Length(corner(angle, 0.0f) - corner(angles[static_cast<std::size_t>(i - 1)], 0.0f));
    if (smooth) {
      const V3 normal = V3{std::cos(angle), 0.0f, std::sin(angle)} * facing;
      std::vector<std::uint32_t> current = column(angle, s, normal);
      if (i > 0) quads(previous, current);
      previous = std::move(current);
    } else if (i > 0) {
      const float prevAngle = angles[static_cast<std::size_t>(i - 1)];
      const float mid = 0.5f * (prevAngle + angle);
      const V3 normal = V3{std::cos(mid), 0.0f, std::sin(mid)} * facing;
      const float prevS = s - Length(corner(angle, 0.0f) - corner(prevAngle, 0.0f));
      quads(column(prevAngle, prevS, normal), column(angle, s, normal));
    }
  }
}

void LevelBuilder::AddPrismTop(float cx, float cz, float radius, float y, int segments, float phase, int surface) {
  std::vector<V3> polygon;
  for (int i = 0; i < segments; ++i) {
    const float angle = phase + 2.0f * kPi * static_cast<float>(i) / static_cast<float>(segments);
    polygon.push_back({cx + radius * std::cos(angle), y, cz + radius * std::sin(angle)});
  }
  AddPlanarRegion(polygon, {0.0f, 1.0f, 0.0f}, surface);
}

void LevelBuilder::AddRingTop(float cx, float cz, float innerRadius, float outerRadius, float y, int segments,
                              int surface) {
  const std::vector<float> radii = SplitLines({innerRadius, outerRadius}, maxCell_);
  const float tile = Tile(surface);
  const V3 up{0.0f, 1.0f, 0.0f};
  BeginChart();
  std::vector<std::vector<std::uint32_t>> rings;
  for (int i = 0; i < segments; ++i) {
    const float angle = 2.0f * kPi * static_cast<float>(i) / static_cast<float>(segments);
    std::vector<std::uint32_t> spoke;
    for (float r : radii) {
      const V3 p{cx + r * std::cos(angle), y, cz + r * std::sin(angle)};
      spoke.push_back(AddVertex(p, up, {p.x / tile, -p.z / tile}, {p.x, -p.z}));
    }
    rings.push_back(std::move(spoke));
  }
  for (int i = 0; i < segments; ++i) {
    const auto& a = rings[static_cast<std::size_t>(i)];
    const auto& b = rings[static_cast<std::size_t>((i + 1) % segments)];
    for (std::size_t k = 0; k + 1 < radii.size(); ++k) {
      // Seen from above (x right, z up) the angle runs anticlockwise, so
      // inner a -> outer b -> outer a turns clockwise.
      AddTriangle(a[k], b[k + 1], a[k + 1], surface);
      AddTriangle(a[k], b[k], b[k + 1], surface);
    }
  }
}

void LevelBuilder::AddRamp(V3 lowCentre, V3 uphill, float run, float rise, float width, int slopeSurface,
                           int sideSurface, float skirt) {
  const V3 across{uphill.z, 0.0f, -uphill.x};  // right, seen from below the ramp looking up it
  const V3 climb = uphill * run + V3{0.0f, rise, 0.0f};
  const V3 l0 = lowCentre - across * (0.5f * width);
  const V3 r0 = lowCentre + across * (0.5f * width);
  AddPlanarRegion({l0, l0 + climb, r0 + climb, r0}, Cross(climb, across), slopeSurface);
  const V3 down{0.0f, -skirt, 0.0f};
  const V3 run3 = uphill * run;
  AddPlanarRegion({l0 + down, l0, l0 + climb, l0 + run3 + down}, -across, sideSurface);
  AddPlanarRegion({r0 + down, r0, r0 + climb, r0 + run3 + down}, across, sideSurface);
}

void LevelBuilder::AddStairs(V3 baseCentre, V3 uphill, float width, int risers, float rise, float tread,
                             int stepSurface, int sideSurface, float skirt) {
  const V3 across{uphill.z, 0.0f, -uphill.x};
  const V3 yAxis{0.0f, 1.0f, 0.0f};
  const std::vector<float> cuts = SplitLines({-0.5f * width, 0.5f * width}, maxCell_);
  const float tile = Tile(stepSurface);
  const PlaneFrame riserFrame = FrameForNormal(-uphill);
  const PlaneFrame treadFrame = FrameForNormal(yAxis);

  // Treads and risers in climbing order, unrolled along the profile.
  BeginChart();
  float profile = 0.0f;
  const auto strip = [&](V3 start, V3 step, V3 normal, const PlaneFrame& frame) {
    std::vector<std::uint32_t> lower, upper;
    for (float c : cuts) {
      const V3 p0 = start + across * c;
      const V3 p1 = p0 + step;
      const auto uvOf = [&](V3 p) { return V2{Dot(p, frame.right) / tile, -Dot(p, frame.up) / tile}; };
      lower.push_back(AddVertex(p0, normal, uvOf(p0), {c, -profile}));
      upper.push_back(AddVertex(p1, normal, uvOf(p1), {c, -(profile + Length(step))}));
    }
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
      // Seen from the front, `across` is right and `step` is up.
      AddTriangle(lower[i], upper[i], upper[i + 1], stepSurface);
      AddTriangle(lower[i], upper[i + 1], lower[i + 1], stepSurface);
    }
    profile += Length(step);
  };
  for (int k = 1; k <= risers; ++k) {
    const float distance = static_cast<float>(k - 1) * tread;
    const V3 foot = baseCentre + uphill * distance + yAxis * (static_cast<float>(k - 1) * rise);
    strip(foot, yAxis * rise, -uphill, riserFrame);
    if (k < risers) strip(foot + yAxis * rise, uphill * tread, yAxis, treadFrame);
  }

  // The two stepped sides, in bands one riser high so that neighbouring
  // columns share every corner.
  for (int sideIndex = 0; sideIndex < 2; ++sideIndex) {
    const float sign = sideIndex == 0 ? -1.0f : 1.0f;
    const V3 normal = across * sign;
    const PlaneFrame frame = FrameForNormal(normal);
    const float sideTile = Tile(sideSurface);
    const V3 edge = baseCentre + across * (0.5f * width * sign);
    BeginChart();
    const auto vertex = [&](V3 p) {
      const V2 q{Dot(p, frame.right), -Dot(p, frame.up)};
      return AddVertex(p, normal, {q.x / sideTile, q.y / sideTile}, q);
    };
    for (int k = 1; k < risers; ++k) {
      const V3 near = edge + uphill * (static_cast<float>(k - 1) * tread);
      const V3 far = near + uphill * tread;
      for (int band = 0; band <= k; ++band) {
        const float bottom = band == 0 ? -skirt : static_cast<float>(band - 1) * rise;
        const float top = band == 0 ? 0.0f : static_cast<float>(band) * rise;
        std::uint32_t ids[4] = {vertex(near + yAxis * bottom), vertex(near + yAxis * top),
                                vertex(far + yAxis * top), vertex(far + yAxis * bottom)};
        const auto position = [&](std::uint32_t id) { return ToV3(mesh_.vertices[id].position); };
        if (Dot(Cross(position(ids[1]) - position(ids[0]), position(ids[2]) - position(ids[0])), normal) < 0.0f) {
          std::swap(ids[1], ids[3]);
        }
        AddTriangle(ids[0], ids[1], ids[2], sideSurface);
        AddTriangle(ids[0], ids[2], ids[3], sideSurface);
      }
    }
  }
}

std::vector<std::uint32_t> LevelBuilder::FaceCharts() const {
  std::vector<std::uint32_t> result(mesh_.faces.size(), 0u);
  for (std::size_t c = 0; c < charts_.size(); ++c) {
    for (std::uint32_t f = 0; f < charts_[c].faceCount; ++f) {
      result[charts_[c].firstFace + f] = static_cast<std::uint32_t>(c);
    }
  }
  return result;
}

}  // namespace assetgen::arena
