#include "OrganicModel.h"

#include <cmath>

#include "SurfaceNets.h"

namespace assetgen {

ChartAtlas BuildOrganicMesh(const SdfShape& shape, const OrganicMeshOptions& options) {
  MeshModel mesh = PolygoniseSdf(shape, options.cell);
  if (mesh.faces.size() > options.targetTriangles) {
    SimplifyOnSurface(&mesh, shape, options.targetTriangles, options.maxError);
  }
  std::vector<int> groups;
  if (options.chartGroup) {
    for (const auto& face : mesh.faces) {
      groups.push_back(options.chartGroup(
          (mesh.vertices[face[0]].position + mesh.vertices[face[1]].position + mesh.vertices[face[2]].position) /
          3.0f));
    }
  }
  return BuildChartAtlas(mesh, options.atlasSize, options.atlasPadding, 12, options.chartGroup ? &groups : nullptr);
}

BakedMaps BakeSurfaceMaps(const MeshModel& mesh, int size, const std::function<SurfaceLook(const SurfacePoint&)>& look,
                          const std::function<float(Vec3)>& height, float bumpStrength) {
  const AtlasBaker baker(mesh, size, size);
  ColorImage diffuse(size, size), normal(size, size, Color{0.5f, 0.5f, 1.0f, 1.0f}), specular(size, size);
  baker.ForEachTexel([&](int x, int y, const SurfacePoint& point) {
    const SurfaceLook l = look(point);
    diffuse.At(x, y) = Color{l.albedo.r, l.albedo.g, l.albedo.b, 1.0f};
    specular.At(x, y) = SpecularTexel(l.specular, l.exponent);
    normal.At(x, y) = AtlasBaker::EncodeNormal(point, AtlasBaker::BumpedNormal(point, height, 0.004f, bumpStrength));
  });
  baker.Fill(&diffuse);
  baker.Fill(&normal);
  baker.Fill(&specular);
  return {ToRgba8(diffuse), ToRgba8(normal), ToRgba8(specular)};
}

float FieldOcclusion(const SdfShape& shape, Vec3 position, Vec3 normal) {
  float occlusion = 0.0f;
  float weight = 1.0f;
  for (int i = 1; i <= 4; ++i) {
    const float along = 0.06f * static_cast<float>(i);
    const float d = shape.Distance(position + normal * along);
    occlusion += weight * std::fmax(0.0f, along - d) / along;
    weight *= 0.6f;
  }
  return Saturate(occlusion * 0.7f);
}

}  // namespace assetgen

namespace assetgen {

std::vector<float> VertexOcclusion(const SdfShape& shape, const MeshModel& mesh) {
  std::vector<float> occlusion;
  occlusion.reserve(mesh.vertices.size());
  for (const MeshVertex& v : mesh.vertices) occlusion.push_back(FieldOcclusion(shape, v.position, v.normal));
  return occlusion;
}

}  // namespace assetgen
