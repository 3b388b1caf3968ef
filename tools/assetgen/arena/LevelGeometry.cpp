#include "tools/assetgen/arena/LevelGeometry.h"

#include "tools/assetgen/arena/ArenaLayout.h"
#include "tools/assetgen/arena/ChartPacker.h"
#include "tools/assetgen/arena/LevelBuilder.h"

namespace assetgen::arena {

bool BuildLevelGeometry(LevelGeometry* out, std::string* error) {
  std::vector<float> tiles;
  for (int s = 0; s < kSurfaceCount; ++s) tiles.push_back(StyleOf(s).tileSize);
  LevelBuilder builder(tiles, kMaxCell);
  BuildLevel(&builder);

  LevelGeometry geometry;
  geometry.mesh = builder.mesh();
  // Each material names its .udt file, whose first two letters give the
  // physics material of its faces.
  for (int s = 0; s < kSurfaceCount; ++s) {
    const SurfaceStyle& style = StyleOf(s);
    MeshMaterial material;
    material.specular = style.specular;
    material.power = style.specularPower;
    material.textureFile = std::string(style.name) + ".udt";
    geometry.mesh.materials.push_back(material);
  }
  geometry.faceChart = builder.FaceCharts();
  geometry.chartCount = static_cast<int>(builder.charts().size());
  geometry.texelsPerWorldUnit =
      PackLightmapCharts(builder.charts(), builder.chartCoords(), kLightmapSize, kChartPadding, &geometry.mesh);
  if (geometry.texelsPerWorldUnit <= 0.0f) {
    if (error) *error = "arena: the light-map charts do not fit";
    return false;
  }
  *out = std::move(geometry);
  return true;
}

}  // namespace assetgen::arena
