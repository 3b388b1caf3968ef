#include "tools/assetgen/arena/ChartPacker.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace assetgen::arena {
namespace {

struct Segment {
  int x, y, width;
};

// Lowest top edge a rectangle of the given width gets when its left edge
// sits at segment `start`; -1 when it runs past the atlas.
int FitAt(const std::vector<Segment>& skyline, std::size_t start, int width, int atlasWidth) {
  const int x = skyline[start].x;
  if (x + width > atlasWidth) return -1;
  int y = 0;
  int covered = 0;
  for (std::size_t i = start; i < skyline.size() && covered < width; ++i) {
    y = std::max(y, skyline[i].y);
    covered = skyline[i].x + skyline[i].width - x;
  }
  return y;
}

void Place(std::vector<Segment>* skyline, std::size_t start, int width, int top) {
  const int x = (*skyline)[start].x;
  const int right = x + width;
  std::vector<Segment> next(skyline->begin(), skyline->begin() + static_cast<std::ptrdiff_t>(start));
  next.push_back({x, top, width});
  for (std::size_t i = start; i < skyline->size(); ++i) {
    const Segment& s = (*skyline)[i];
    const int end = s.x + s.width;
    if (end <= right) continue;
    const int from = std::max(s.x, right);
    next.push_back({from, s.y, end - from});
  }
  // Merge neighbours of equal height.
  std::vector<Segment> merged;
  for (const Segment& s : next) {
    if (!merged.empty() && merged.back().y == s.y) {
      merged.back().width += s.width;
    } else {
      merged.push_back(s);
    }
  }
  *skyline = std::move(merged);
}

}  // namespace

bool PackRectangles(std::vector<PackRect>* rects, int atlasWidth, int atlasHeight) {
  std::vector<std::size_t> order(rects->size());
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const PackRect& ra = (*rects)[a];
    const PackRect& rb = (*rects)[b];
    if (ra.height != rb.height) return ra.height > rb.height;
    return ra.width > rb.width;
  });
  std::vector<Segment> skyline = {{0, 0, atlasWidth}};
  for (std::size_t index : order) {
    PackRect& r = (*rects)[index];
    int bestTop = -1;
    std::size_t bestSegment = 0;
    for (std::size_t s = 0; s < skyline.size(); ++s) {
      const int y = FitAt(skyline, s, r.width, atlasWidth);
      if (y < 0 || y + r.height > atlasHeight) continue;
      if (bestTop < 0 || y + r.height < bestTop) {
        bestTop = y + r.height;
        bestSegment = s;
      }
    }
    if (bestTop < 0) return false;
    r.x = skyline[bestSegment].x;
    r.y = bestTop - r.height;
    Place(&skyline, bestSegment, r.width, bestTop);
  }
  return true;
}

float PackLightmapCharts(const std::vector<LightmapChart>& charts, const std::vector<V2>& chartCoords, int size,
                         int padding, MeshModel* mesh) {
  struct Bounds {
    float s0, t0, s1, t1;
  };
  std::vector<Bounds> bounds;
  double area = 0.0;
  for (const LightmapChart& chart : charts) {
    Bounds b{1e30f, 1e30f, -1e30f, -1e30f};
    for (std::uint32_t f = chart.firstFace; f < chart.firstFace + chart.faceCount; ++f) {
      for (std::uint32_t v : mesh->faces[f]) {
        const V2 c = chartCoords[v];
        b.s0 = std::min(b.s0, c.x);
        b.t0 = std::min(b.t0, c.y);
        b.s1 = std::max(b.s1, c.x);
        b.t1 = std::max(b.t1, c.y);
      }
    }
    bounds.push_back(b);
    const double k = chart.densityScale;
    area += static_cast<double>(b.s1 - b.s0) * (b.t1 - b.t0) * k * k;
  }

  // Start a little above what the area allows and shrink until all fit.
  float density = static_cast<float>(std::sqrt(static_cast<double>(size) * size / std::max(area, 1.0)));
  for (int attempt = 0; attempt < 200 && density > 1e-3f; ++attempt, density *= 0.97f) {
    std::vector<PackRect> rects;
    for (std::size_t c = 0; c < charts.size(); ++c) {
      const float k = density * charts[c].densityScale;
      PackRect r;
      r.width = static_cast<int>(std::ceil((bounds[c].s1 - bounds[c].s0) * k)) + 1 + 2 * padding;
      r.height = static_cast<int>(std::ceil((bounds[c].t1 - bounds[c].t0) * k)) + 1 + 2 * padding;
      rects.push_back(r);
    }
    if (!PackRectangles(&rects, size, size)) continue;

    const float inv = 1.0f / static_cast<float>(size);
    for (std::size_t c = 0; c < charts.size(); ++c) {
      const float k = density * charts[c].densityScale;
      const LightmapChart& chart = charts[c];
      for (std::uint32_t f = chart.firstFace; f < chart.firstFace + chart.faceCount; ++f) {
        for (std::uint32_t v : mesh->faces[f]) {
          const V2 q = chartCoords[v];
          const float x = static_cast<float>(rects[c].x + padding) + 0.5f + (q.x - bounds[c].s0) * k;
          const float y = static_cast<float>(rects[c].y + padding) + 0.5f + (q.y - bounds[c].t0) * k;
          mesh->vertices[v].uv2 = {x * inv, y * inv};
        }
      }
    }
    mesh->hasUv2 = true;
    return density;
  }
  return 0.0f;
}

}  // namespace assetgen::arena
