#pragma once
// Bakes the level's light map: the sun's cast shadows and ambient occlusion,
// encoded for a modulate-2x light map (128 leaves the lit colour unchanged).

#include <cstdint>
#include <string>
#include <vector>

#include "tools/assetgen/MeshModel.h"
#include "tools/assetgen/arena/ArenaVec.h"
#include "tools/assetgen/arena/RayTracer.h"

namespace assetgen::arena {

struct BakeSettings {
  int size = 1024;
  V3 lightDirection{0.4f, -0.9f, 0.7f};  // the direction the light travels
  float sunRadius = 0.012f;               // radians: softens the shadow edges
  int aoRays = 12;
  int aoProbeRays = 4;  // rays cast first; a texel they find open gets no more
  float aoDistance = 30.0f;  // world units
  int aoBlurRadius = 2;      // texels, within one chart
  int threads = 2;
  // Light-map values (0.5 = unchanged): in the sun, in shadow, and for faces
  // turned away from the sun (which the renderer already darkens itself).
  V3 lit{0.62f, 0.60f, 0.56f};
  V3 shadow{0.30f, 0.32f, 0.37f};
  V3 turnedAway{0.50f, 0.50f, 0.52f};
  float aoFloor = 0.35f;  // factor left where the occlusion is complete
};

// Which triangle (if any) each light-map texel samples.
struct TexelCoverage {
  std::vector<std::int32_t> face;  // -1 where no chart covers the texel
  std::vector<float> b1, b2;       // barycentric coordinates of the sample point
};
TexelCoverage RasterizeCharts(const MeshModel& mesh, int size);

// mesh: world units with uv2; faceChart: chart index per face (the blur and
// the shadow refinement stay inside one chart); tracer: built on the mesh.
bool BakeLightmap(const MeshModel& mesh, const std::vector<std::uint32_t>& faceChart, const RayTracer& tracer,
                  const BakeSettings& settings, ImageRgba* out, std::string* error);

}  // namespace assetgen::arena
