#pragma once
// The pipeline shared by the sculpted models (body, head): distance field ->
// even mesh -> simplified mesh -> chart atlas -> baked colour, normal and
// specular maps, all shaded from 3D position so that chart seams do not
// show.

#include <functional>
#include <string>
#include <vector>

#include "AtlasBake.h"
#include "ChartAtlas.h"
#include "MeshModel.h"
#include "Sdf.h"
#include "TextureTools.h"

namespace assetgen {

struct OrganicMeshOptions {
  float cell = 0.05f;  // grid spacing of the polygonisation
  std::size_t targetTriangles = 6000;
  float maxError = 0.004f;  // simplifier error bound, relative to the extent
  int atlasSize = 1024;
  int atlasPadding = 4;
  // Optional: a group number for a face's centre; faces of different groups
  // go to different charts.
  std::function<int(Vec3)> chartGroup;
};

// The mesh with texture coordinates; sourceVertex maps each vertex to the
// vertex of the simplified mesh it was copied from (chart seams double
// vertices; their skin weights must match).
ChartAtlas BuildOrganicMesh(const SdfShape& shape, const OrganicMeshOptions& options);

// What a surface looks like at a point: albedo (rgb, alpha 1), specular
// intensity and exponent.
struct SurfaceLook {
  Color albedo;
  float specular = 0.2f;
  float exponent = 16.0f;
};

struct BakedMaps {
  ImageRgba diffuse, normal, specular;
};

// Bakes the three maps at the atlas's size: `look` for colour and shine,
// `height` (world units) bent into the normals with the given strength.
BakedMaps BakeSurfaceMaps(const MeshModel& mesh, int size, const std::function<SurfaceLook(const SurfacePoint&)>& look,
                          const std::function<float(Vec3)>& height, float bumpStrength);

// Ambient occlusion of a point of a distance field, 0 (open) to 1 (buried):
// how much the field closes in along the normal.
float FieldOcclusion(const SdfShape& shape, Vec3 position, Vec3 normal);
// The same for every vertex of a mesh (to interpolate across its faces).
std::vector<float> VertexOcclusion(const SdfShape& shape, const MeshModel& mesh);

}  // namespace assetgen
