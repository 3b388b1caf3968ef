#pragma once
// Baking textures from 3D: every texel that a face covers in texture space
// is traced back to its point on the surface, where the caller's shading
// functions (colours, heights, shininess as functions of position) are
// evaluated. Seams stay invisible because both sides of a chart border take
// their colours from the same 3D point. Uncovered texels are filled from
// their neighbours so that filtering and mip levels do not bleed.

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "MeshModel.h"
#include "TextureTools.h"

namespace assetgen {

struct SurfacePoint {
  Vec3 position;
  Vec3 normal;                            // interpolated, unit
  Vec3 tangent;                           // unit, along +u, perpendicular to the normal
  Vec3 binormal;                          // unit, along +v (normal x tangent for unmirrored mappings)
  std::array<std::uint32_t, 3> corner{};  // the face's vertices
  std::array<float, 3> weight{};          // and their barycentric weights
  // A per-vertex value interpolated at this point.
  float Interpolate(const std::vector<float>& perVertex) const {
    return perVertex[corner[0]] * weight[0] + perVertex[corner[1]] * weight[1] + perVertex[corner[2]] * weight[2];
  }
};

class AtlasBaker {
 public:
  // Rasterises the mesh's faces at the given texture size.
  AtlasBaker(const MeshModel& mesh, int width, int height);

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Fraction of the texels covered by some face.
  float Coverage() const;

  // Calls `shade` for every covered texel with its surface point.
  void ForEachTexel(const std::function<void(int x, int y, const SurfacePoint& point)>& shade) const;

  // Fills every uncovered texel with the colour of the nearest covered one
  // (8-connected steps), so that filtering across chart borders and the
  // smaller mip levels see the charts' own colours.
  void Fill(ColorImage* image) const;

  // The tangent-space normal map texel (x along +u, y along +v, z out) of a
  // perturbed normal at a surface point.
  static Color EncodeNormal(const SurfacePoint& point, Vec3 perturbed);
  // The normal bent by a height field given in world units (the field's
  // surface gradient, `strength` times, by finite differences of `step`).
  static Vec3 BumpedNormal(const SurfacePoint& point, const std::function<float(Vec3)>& height, float step,
                           float strength);

 private:
  struct Texel {
    std::int32_t face = -1;
    float w1 = 0.0f, w2 = 0.0f;  // barycentric weights of corners 1 and 2
  };
  const MeshModel& mesh_;
  int width_, height_;
  std::vector<Texel> texels_;
  std::vector<std::int32_t> nearestCovered_;  // per texel; -1 when nothing is covered
};

}  // namespace assetgen
