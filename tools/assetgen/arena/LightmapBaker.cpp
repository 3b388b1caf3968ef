#include "tools/assetgen/arena/LightmapBaker.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numeric>

#include "tools/assetgen/arena/ParallelRows.h"

namespace assetgen::arena {
namespace {

constexpr float kRayOffset = 0.03f;  // world units: lifts ray origins off their own surface
constexpr float kEdgeReach = 0.75f;  // texels: how far outside a triangle a texel still samples it

V3 ToV3(const Vec3& v) { return {v.x, v.y, v.z}; }

float Cross2(V2 a, V2 b) { return a.x * b.y - a.y * b.x; }
V2 Sub2(V2 a, V2 b) { return {a.x - b.x, a.y - b.y}; }

std::uint32_t HashU32(std::uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352dU;
  x ^= x >> 15;
  x *= 0x846ca68bU;
  x ^= x >> 16;
  return x;
}
float HashUnit(std::uint32_t x) { return static_cast<float>(HashU32(x) >> 8) * (1.0f / 16777216.0f); }

// Row-major texel index.
std::size_t TexelIndex(int x, int y, int size) {
  return static_cast<std::size_t>(y) * static_cast<std::size_t>(size) + static_cast<std::size_t>(x);
}

V2 ClosestOnSegment(V2 p, V2 a, V2 b) {
  const V2 ab = Sub2(b, a);
  const float len2 = ab.x * ab.x + ab.y * ab.y;
  float t = len2 > 0.0f ? ((p.x - a.x) * ab.x + (p.y - a.y) * ab.y) / len2 : 0.0f;
  t = Clamp01(t);
  return {a.x + ab.x * t, a.y + ab.y * t};
}

// Orthonormal tangent and bitangent around a unit normal.
void TangentFrame(V3 n, V3* t, V3* b) {
  const V3 helper = std::fabs(n.y) < 0.9f ? V3{0.0f, 1.0f, 0.0f} : V3{1.0f, 0.0f, 0.0f};
  *t = Normalize(Cross(helper, n));
  *b = Cross(n, *t);
}

struct FaceFrame {
  V3 p[3];
  V3 n[3];
  V3 geometric;
  // Barycentric change (b1, b2) per texel step in x and in y.
  float db1dx, db2dx, db1dy, db2dy;
};

std::vector<FaceFrame> FaceFrames(const MeshModel& mesh, int size) {
  std::vector<FaceFrame> frames(mesh.faces.size());
  for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
    FaceFrame& fr = frames[f];
    V2 t[3];
    for (int k = 0; k < 3; ++k) {
      const MeshVertex& v = mesh.vertices[mesh.faces[f][static_cast<std::size_t>(k)]];
      fr.p[k] = ToV3(v.position);
      fr.n[k] = ToV3(v.normal);
      t[k] = {v.uv2.x * static_cast<float>(size), v.uv2.y * static_cast<float>(size)};
    }
    fr.geometric = Normalize(Cross(fr.p[1] - fr.p[0], fr.p[2] - fr.p[0]));
    const V2 e1 = Sub2(t[1], t[0]), e2 = Sub2(t[2], t[0]);
    const float det = Cross2(e1, e2);
    if (std::fabs(det) > 1e-12f) {
      // Inverse of [e1 e2]: texel offset -> barycentric offset.
      fr.db1dx = e2.y / det;
      fr.db1dy = -e2.x / det;
      fr.db2dx = -e1.y / det;
      fr.db2dy = e1.x / det;
    } else {
      fr.db1dx = fr.db1dy = fr.db2dx = fr.db2dy = 0.0f;
    }
  }
  return frames;
}

struct SamplePoint {
  V3 position, normal, geometric;
};

SamplePoint PointAt(const FaceFrame& fr, float b1, float b2) {
  const float b0 = 1.0f - b1 - b2;
  SamplePoint s;
  s.position = fr.p[0] * b0 + fr.p[1] * b1 + fr.p[2] * b2;
  s.normal = Normalize(fr.n[0] * b0 + fr.n[1] * b1 + fr.n[2] * b2);
  s.geometric = fr.geometric;
  if (Length(s.normal) < 0.5f) s.normal = fr.geometric;
  return s;
}

// The light's direction jittered inside the sun's disc.
V3 SunRay(V3 toLight, float radius, float u1, float u2) {
  V3 t, b;
  TangentFrame(toLight, &t, &b);
  const float r = radius * std::sqrt(u1);
  const float phi = 2.0f * kPi * u2;
  return Normalize(toLight + t * (r * std::cos(phi)) + b * (r * std::sin(phi)));
}

}  // namespace

TexelCoverage RasterizeCharts(const MeshModel& mesh, int size) {
  const std::size_t count = static_cast<std::size_t>(size) * static_cast<std::size_t>(size);
  TexelCoverage cover;
  cover.face.assign(count, -1);
  cover.b1.assign(count, 0.0f);
  cover.b2.assign(count, 0.0f);
  std::vector<float> distance(count, std::numeric_limits<float>::max());
  const float s = static_cast<float>(size);

  for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
    V2 t[3];
    for (int k = 0; k < 3; ++k) {
      const Vec2& uv = mesh.vertices[mesh.faces[f][static_cast<std::size_t>(k)]].uv2;
      t[k] = {uv.x * s, uv.y * s};
    }
    const V2 e1 = Sub2(t[1], t[0]), e2 = Sub2(t[2], t[0]);
    const float det = Cross2(e1, e2);
    if (std::fabs(det) < 1e-9f) continue;
    const auto bary = [&](V2 p, float* b1, float* b2) {
      const V2 d = Sub2(p, t[0]);
      *b1 = Cross2(d, e2) / det;
      *b2 = Cross2(e1, d) / det;
    };
    const float minX = std::min({t[0].x, t[1].x, t[2].x}), maxX = std::max({t[0].x, t[1].x, t[2].x});
    const float minY = std::min({t[0].y, t[1].y, t[2].y}), maxY = std::max({t[0].y, t[1].y, t[2].y});
    const int x0 = std::max(0, static_cast<int>(std::floor(minX - 1.0f)));
    const int x1 = std::min(size - 1, static_cast<int>(std::ceil(maxX + 1.0f)));
    const int y0 = std::max(0, static_cast<int>(std::floor(minY - 1.0f)));
    const int y1 = std::min(size - 1, static_cast<int>(std::ceil(maxY + 1.0f)));
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) {
        const V2 centre{static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f};
        float b1, b2;
        bary(centre, &b1, &b2);
        float d = 0.0f;
        if (b1 < 0.0f || b2 < 0.0f || b1 + b2 > 1.0f) {
          V2 best = ClosestOnSegment(centre, t[0], t[1]);
          for (const auto& edge : {std::array<int, 2>{1, 2}, std::array<int, 2>{2, 0}}) {
            const V2 q = ClosestOnSegment(centre, t[edge[0]], t[edge[1]]);
            const V2 dq = Sub2(q, centre), db = Sub2(best, centre);
            if (dq.x * dq.x + dq.y * dq.y < db.x * db.x + db.y * db.y) best = q;
          }
          const V2 off = Sub2(best, centre);
          d = std::sqrt(off.x * off.x + off.y * off.y);
          if (d > kEdgeReach) continue;
          bary(best, &b1, &b2);
          b1 = Clamp01(b1);
          b2 = std::min(Clamp01(b2), 1.0f - b1);
        }
        const std::size_t index = TexelIndex(x, y, size);
        if (d < distance[index]) {
          distance[index] = d;
          cover.face[index] = static_cast<std::int32_t>(f);
          cover.b1[index] = b1;
          cover.b2[index] = b2;
        }
      }
    }
  }
  return cover;
}

bool BakeLightmap(const MeshModel& mesh, const std::vector<std::uint32_t>& faceChart, const RayTracer& tracer,
                  const BakeSettings& settings, ImageRgba* out, std::string* error) {
  const int size = settings.size;
  if (size <= 0 || !mesh.hasUv2 || faceChart.size() != mesh.faces.size()) {
    if (error) *error = "light map: mesh without second texture coordinates or chart list";
    return false;
  }
  const std::size_t count = static_cast<std::size_t>(size) * static_cast<std::size_t>(size);
  const TexelCoverage cover = RasterizeCharts(mesh, size);
  const std::vector<FaceFrame> frames = FaceFrames(mesh, size);
  const V3 toLight = -Normalize(settings.lightDirection);
  const auto chartAt = [&](int x, int y) -> std::int64_t {
    if (x < 0 || y < 0 || x >= size || y >= size) return -1;
    const std::int32_t f = cover.face[TexelIndex(x, y, size)];
    return f < 0 ? -1 : static_cast<std::int64_t>(faceChart[static_cast<std::size_t>(f)]);
  };

  // Pass 1: one sun ray through the centre of every texel.
  std::vector<float> sunCentre(count, 0.0f);
  ForEachRow(size, settings.threads, [&](int y) {
    for (int x = 0; x < size; ++x) {
      const std::size_t i = TexelIndex(x, y, size);
      if (cover.face[i] < 0) continue;
      const SamplePoint s = PointAt(frames[static_cast<std::size_t>(cover.face[i])], cover.b1[i], cover.b2[i]);
      if (Dot(s.geometric, toLight) <= 0.0f && Dot(s.normal, toLight) <= 0.0f) continue;
      sunCentre[i] = tracer.Occluded(s.position + s.geometric * kRayOffset, toLight, 1e5f) ? 0.0f : 1.0f;
    }
  });

  // Pass 2: texels on a shadow edge get four jittered sun rays; every texel
  // gets its ambient occlusion.
  std::vector<float> sun(sunCentre), occlusion(count, 1.0f);
  const int aoRays = std::max(1, settings.aoRays);
  const int strataX = std::max(1, static_cast<int>(std::lround(std::sqrt(static_cast<double>(aoRays)))));
  const int strataY = (aoRays + strataX - 1) / strataX;
  const int probeRays = std::min(aoRays, std::max(1, settings.aoProbeRays));
  // Visit the strata in a stride that is coprime with their count, so that
  // the probe rays fall into different rows and columns of strata.
  int stride = std::max(1, aoRays / 3);
  while (std::gcd(stride, aoRays) != 1) ++stride;
  ForEachRow(size, settings.threads, [&](int y) {
    for (int x = 0; x < size; ++x) {
      const std::size_t i = TexelIndex(x, y, size);
      if (cover.face[i] < 0) continue;
      const FaceFrame& fr = frames[static_cast<std::size_t>(cover.face[i])];
      const SamplePoint s = PointAt(fr, cover.b1[i], cover.b2[i]);
      const std::uint32_t seed = static_cast<std::uint32_t>(i) * 0x9E3779B9u;
      const std::int64_t chart = chartAt(x, y);

      bool edge = false;
      for (int dy = -1; dy <= 1 && !edge; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          if (chartAt(x + dx, y + dy) != chart) continue;
          const std::size_t j = TexelIndex(x + dx, y + dy, size);
          if (sunCentre[j] != sunCentre[i]) {
            edge = true;
            break;
          }
        }
      }
      if (edge && Dot(s.normal, toLight) > 0.0f) {
        float lit = 0.0f;
        for (int k = 0; k < 4; ++k) {
          const float ox = (static_cast<float>(k & 1) - 0.5f) * 0.5f;
          const float oy = (static_cast<float>(k >> 1) - 0.5f) * 0.5f;
          float b1 = cover.b1[i] + fr.db1dx * ox + fr.db1dy * oy;
          float b2 = cover.b2[i] + fr.db2dx * ox + fr.db2dy * oy;
          if (b1 < 0.0f || b2 < 0.0f || b1 + b2 > 1.0f) {
            b1 = cover.b1[i];
            b2 = cover.b2[i];
          }
          const SamplePoint sub = PointAt(fr, b1, b2);
          const V3 dir = SunRay(toLight, settings.sunRadius, HashUnit(seed + 2u * k), HashUnit(seed + 2u * k + 1u));
          if (!tracer.Occluded(sub.position + sub.geometric * kRayOffset, dir, 1e5f)) lit += 0.25f;
        }
        sun[i] = lit;
      }

      V3 tangent, bitangent;
      TangentFrame(s.normal, &tangent, &bitangent);
      const float rotU = HashUnit(seed ^ 0x51ED270Bu), rotV = HashUnit(seed ^ 0xA2F1B3C7u);
      // The first few rays spread over the whole hemisphere; when none of
      // them meets anything the texel stands in the open and the rest are
      // skipped (most of the level is open ground).
      float blocked = 0.0f;
      for (int k = 0; k < aoRays; ++k) {
        if (k == probeRays && blocked == 0.0f) break;
        const int stratum = (k * stride) % aoRays;
        float u1 = (static_cast<float>(stratum % strataX) + 0.5f) / static_cast<float>(strataX) + rotU;
        float u2 = (static_cast<float>(stratum / strataX) + 0.5f) / static_cast<float>(strataY) + rotV;
        u1 -= std::floor(u1);
        u2 -= std::floor(u2);
        // Cosine-weighted direction around the shading normal.
        const float r = std::sqrt(u1), phi = 2.0f * kPi * u2;
        V3 dir = tangent * (r * std::cos(phi)) + bitangent * (r * std::sin(phi)) + s.normal * std::sqrt(1.0f - u1);
        const float below = Dot(dir, s.geometric);
        if (below < 0.0f) dir = Normalize(dir - s.geometric * (2.0f * below));
        float t = 0.0f;
        if (tracer.Occluded(s.position + s.geometric * kRayOffset, dir, settings.aoDistance, &t)) {
          blocked += 1.0f - t / settings.aoDistance;
        }
      }
      occlusion[i] = 1.0f - blocked / static_cast<float>(aoRays);
    }
  });

  // Smooth the occlusion noise inside each chart, then combine.
  std::vector<float> rgb(count * 3u, 0.0f);
  const int radius = std::max(0, settings.aoBlurRadius);
  ForEachRow(size, settings.threads, [&](int y) {
    for (int x = 0; x < size; ++x) {
      const std::size_t i = TexelIndex(x, y, size);
      if (cover.face[i] < 0) continue;
      const std::int64_t chart = chartAt(x, y);
      float sum = 0.0f, weight = 0.0f;
      for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
          if (chartAt(x + dx, y + dy) != chart) continue;
          sum += occlusion[TexelIndex(x + dx, y + dy, size)];
          weight += 1.0f;
        }
      }
      const float ao = sum / weight;
      const SamplePoint s = PointAt(frames[static_cast<std::size_t>(cover.face[i])], cover.b1[i], cover.b2[i]);
      const float facing = Smoothstep(0.0f, 0.3f, Dot(s.normal, toLight));
      const V3 sunlit = Lerp(settings.shadow, settings.lit, sun[i]);
      const V3 value = Lerp(settings.turnedAway, sunlit, facing) * (settings.aoFloor + (1.0f - settings.aoFloor) * ao);
      rgb[i * 3u + 0u] = value.x;
      rgb[i * 3u + 1u] = value.y;
      rgb[i * 3u + 2u] = value.z;
    }
  });

  // Grow the charts into the empty texels so that filtering and mip maps
  // never pull in unrelated colours; what stays empty takes the mean.
  std::vector<char> filled(count, 0);
  double mean[3] = {0.0, 0.0, 0.0};
  std::size_t filledCount = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (cover.face[i] < 0) continue;
    filled[i] = 1;
    ++filledCount;
    for (int c = 0; c < 3; ++c) mean[c] += rgb[i * 3u + static_cast<std::size_t>(c)];
  }
  for (int round = 0; round < 16; ++round) {
    std::vector<char> nextFilled(filled);
    std::vector<float> next(rgb);
    bool grew = false;
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        const std::size_t i = TexelIndex(x, y, size);
        if (filled[i]) continue;
        float sum[3] = {0.0f, 0.0f, 0.0f};
        int n = 0;
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dx = -1; dx <= 1; ++dx) {
            const int nx = x + dx, ny = y + dy;
            if (nx < 0 || ny < 0 || nx >= size || ny >= size) continue;
            const std::size_t j = TexelIndex(nx, ny, size);
            if (!filled[j]) continue;
            for (int c = 0; c < 3; ++c) sum[c] += rgb[j * 3u + static_cast<std::size_t>(c)];
            ++n;
          }
        }
        if (n == 0) continue;
        for (int c = 0; c < 3; ++c) next[i * 3u + static_cast<std::size_t>(c)] = sum[c] / static_cast<float>(n);
        nextFilled[i] = 1;
        grew = true;
      }
    }
    rgb.swap(next);
    filled.swap(nextFilled);
    if (!grew) break;
  }

  out->width = size;
  out->height = size;
  out->pixels.assign(count * 4u, 255u);
  for (std::size_t i = 0; i < count; ++i) {
    for (int c = 0; c < 3; ++c) {
      const float v = filled[i] ? rgb[i * 3u + static_cast<std::size_t>(c)]
                                : static_cast<float>(filledCount ? mean[c] / static_cast<double>(filledCount) : 0.5);
      out->pixels[i * 4u + static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(std::lround(Clamp01(v) * 255.0f));
    }
  }
  return true;
}

}  // namespace assetgen::arena
