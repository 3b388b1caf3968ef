#pragma once
// The level mesh in world units with its light-map coordinates: the layout
// built, and its charts packed into the light map.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/assetgen/MeshModel.h"

namespace assetgen::arena {

constexpr int kLightmapSize = 1024;
constexpr int kChartPadding = 2;  // free texels around every chart

struct LevelGeometry {
  MeshModel mesh;                        // world units, uv2 set, materials in Surface order
  std::vector<std::uint32_t> faceChart;  // light-map chart of every face
  int chartCount = 0;
  float texelsPerWorldUnit = 0.0f;
};

bool BuildLevelGeometry(LevelGeometry* out, std::string* error);

}  // namespace assetgen::arena
