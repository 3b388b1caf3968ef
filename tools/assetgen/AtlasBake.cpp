#include "AtlasBake.h"

#include <algorithm>
#include <cmath>

#include "VecMath.h"

namespace assetgen {

AtlasBaker::AtlasBaker(const MeshModel& mesh, int width, int height)
    : mesh_(mesh), width_(width), height_(height), texels_(static_cast<std::size_t>(width) * height) {
  // Two passes: texel centres inside a face first, then texels within half a
  // texel of a face's border that no face claimed (so thin slivers and
  // borders get real samples rather than filled ones).
  for (int pass = 0; pass < 2; ++pass) {
    const float margin = pass == 0 ? 0.0f : 0.75f;
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
      const auto& face = mesh.faces[f];
      const Vec2 t0 = mesh.vertices[face[0]].uv, t1 = mesh.vertices[face[1]].uv, t2 = mesh.vertices[face[2]].uv;
      const float x0 = t0.x * width, y0 = t0.y * height, x1 = t1.x * width, y1 = t1.y * height, x2 = t2.x * width,
                  y2 = t2.y * height;
      const float area = (x1 - x0) * (y2 - y0) - (x2 - x0) * (y1 - y0);
      if (std::fabs(area) < 1e-9f) continue;
      const int minX = std::max(0, static_cast<int>(std::floor(std::min({x0, x1, x2}) - margin)));
      const int maxX = std::min(width - 1, static_cast<int>(std::ceil(std::max({x0, x1, x2}) + margin)));
      const int minY = std::max(0, static_cast<int>(std::floor(std::min({y0, y1, y2}) - margin)));
      const int maxY = std::min(height - 1, static_cast<int>(std::ceil(std::max({y0, y1, y2}) + margin)));
      // Edge lengths, to turn barycentric weights into texel distances.
      const float l0 = std::hypot(x2 - x1, y2 - y1), l1 = std::hypot(x0 - x2, y0 - y2),
                  l2 = std::hypot(x1 - x0, y1 - y0);
      for (int y = minY; y <= maxY; ++y) {
        for (int x = minX; x <= maxX; ++x) {
          Texel& texel = texels_[static_cast<std::size_t>(y) * width + x];
          if (texel.face >= 0) continue;
          const float px = static_cast<float>(x) + 0.5f, py = static_cast<float>(y) + 0.5f;
          const float w1 = ((px - x0) * (y2 - y0) - (x2 - x0) * (py - y0)) / area;
          const float w2 = ((x1 - x0) * (py - y0) - (px - x0) * (y1 - y0)) / area;
          const float w0 = 1.0f - w1 - w2;
          // Distance outside each edge in texels (negative weight times the
          // height of the triangle over that edge).
          const float d0 = -w0 * std::fabs(area) / std::max(l0, 1e-6f);
          const float d1 = -w1 * std::fabs(area) / std::max(l1, 1e-6f);
          const float d2 = -w2 * std::fabs(area) / std::max(l2, 1e-6f);
          if (d0 > margin || d1 > margin || d2 > margin) continue;
          texel.face = static_cast<std::int32_t>(f);
          // Samples just outside the face clamp onto it.
          float c1 = Clamp(w1, 0.0f, 1.0f), c2 = Clamp(w2, 0.0f, 1.0f);
          if (c1 + c2 > 1.0f) {
            const float s = c1 + c2;
            c1 /= s;
            c2 /= s;
          }
          texel.w1 = c1;
          texel.w2 = c2;
        }
      }
    }
  }
  // Nearest covered texel of every texel: a breadth-first spread from all
  // covered texels at once, in scan order (so ties always go the same way).
  nearestCovered_.assign(texels_.size(), -1);
  std::vector<std::int32_t> frontier;
  for (std::size_t i = 0; i < texels_.size(); ++i) {
    if (texels_[i].face >= 0) {
      nearestCovered_[i] = static_cast<std::int32_t>(i);
      frontier.push_back(static_cast<std::int32_t>(i));
    }
  }
  std::vector<std::int32_t> next;
  while (!frontier.empty()) {
    next.clear();
    for (std::int32_t index : frontier) {
      const int x = index % width_, y = index / width_;
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          const int nx = x + dx, ny = y + dy;
          if (nx < 0 || ny < 0 || nx >= width_ || ny >= height_) continue;
          const std::size_t j = static_cast<std::size_t>(ny) * width_ + nx;
          if (nearestCovered_[j] >= 0) continue;
          nearestCovered_[j] = nearestCovered_[static_cast<std::size_t>(index)];
          next.push_back(static_cast<std::int32_t>(j));
        }
      }
    }
    frontier.swap(next);
  }
}

float AtlasBaker::Coverage() const {
  std::size_t covered = 0;
  for (const Texel& t : texels_) covered += t.face >= 0 ? 1 : 0;
  return static_cast<float>(covered) / static_cast<float>(texels_.size());
}

void AtlasBaker::ForEachTexel(const std::function<void(int x, int y, const SurfacePoint& point)>& shade) const {
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      const Texel& texel = texels_[static_cast<std::size_t>(y) * width_ + x];
      if (texel.face < 0) continue;
      const auto& face = mesh_.faces[static_cast<std::size_t>(texel.face)];
      const MeshVertex& a = mesh_.vertices[face[0]];
      const MeshVertex& b = mesh_.vertices[face[1]];
      const MeshVertex& c = mesh_.vertices[face[2]];
      const float w0 = 1.0f - texel.w1 - texel.w2;
      SurfacePoint point;
      point.position = a.position * w0 + b.position * texel.w1 + c.position * texel.w2;
      point.normal = Normalize(a.normal * w0 + b.normal * texel.w1 + c.normal * texel.w2);
      // The face's texture derivatives give its tangent (+u) and binormal (+v).
      const Vec3 dp1 = b.position - a.position, dp2 = c.position - a.position;
      const Vec2 duv1 = b.uv - a.uv, duv2 = c.uv - a.uv;
      const float det = duv1.x * duv2.y - duv2.x * duv1.y;
      Vec3 tangent = det != 0.0f ? (dp1 * duv2.y - dp2 * duv1.y) / det : AnyPerpendicular(point.normal);
      Vec3 binormal = det != 0.0f ? (dp2 * duv1.x - dp1 * duv2.x) / det : Cross(point.normal, tangent);
      tangent = Normalize(tangent - point.normal * Dot(point.normal, tangent), AnyPerpendicular(point.normal));
      Vec3 side = Cross(point.normal, tangent);
      if (Dot(side, binormal) < 0.0f) side = -side;
      point.tangent = tangent;
      point.binormal = side;
      point.corner = {face[0], face[1], face[2]};
      point.weight = {w0, texel.w1, texel.w2};
      shade(x, y, point);
    }
  }
}

void AtlasBaker::Fill(ColorImage* image) const {
  for (std::size_t i = 0; i < texels_.size(); ++i) {
    const std::int32_t source = nearestCovered_[i];
    if (texels_[i].face < 0 && source >= 0) image->texels[i] = image->texels[static_cast<std::size_t>(source)];
  }
}

Color AtlasBaker::EncodeNormal(const SurfacePoint& point, Vec3 perturbed) {
  const Vec3 n = Normalize(perturbed);
  const float x = Dot(n, point.tangent), y = Dot(n, point.binormal), z = Dot(n, point.normal);
  return Color{x * 0.5f + 0.5f, y * 0.5f + 0.5f, z * 0.5f + 0.5f, 1.0f};
}

Vec3 AtlasBaker::BumpedNormal(const SurfacePoint& point, const std::function<float(Vec3)>& height, float step,
                              float strength) {
  const Vec3 p = point.position;
  const float h0 = height(p);
  const Vec3 g{(height(p + Vec3{step, 0, 0}) - h0) / step, (height(p + Vec3{0, step, 0}) - h0) / step,
               (height(p + Vec3{0, 0, step}) - h0) / step};
  const Vec3 surface = g - point.normal * Dot(point.normal, g);
  return Normalize(point.normal - surface * strength, point.normal);
}

}  // namespace assetgen
