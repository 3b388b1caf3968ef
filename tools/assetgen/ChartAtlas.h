#pragma once
// Texture coordinates for organic meshes that have none: the surface is cut
// into charts by which of the six axis directions each face looks along,
// each chart is projected flat along its axis (never mirrored: u right and
// v down seen from outside), and the charts are packed into one square
// atlas. Vertices on chart borders are doubled, one copy per chart, so the
// mesh grows a little; sourceVertex tells where every copy came from (the
// skin weights follow it).

#include <cstdint>
#include <vector>

#include "MeshModel.h"

namespace assetgen {

struct ChartAtlas {
  MeshModel mesh;                           // the input with uv set
  std::vector<std::uint32_t> sourceVertex;  // per output vertex, its input vertex
  std::size_t chartCount = 0;
  float texelsPerUnit = 0.0f;  // texture density at the atlas size
};

// `size` is the atlas side in texels, `padding` the free texels around each
// chart (room for filtering and mip levels). Charts of fewer than
// `minChartFaces` faces join a neighbour when their faces can.
// `faceGroup`, when given, splits charts further: faces of different groups
// never share a chart (e.g. limbs apart from the trunk, which keeps charts
// compact and the atlas well filled).
ChartAtlas BuildChartAtlas(const MeshModel& mesh, int size, int padding, std::size_t minChartFaces = 12,
                           const std::vector<int>* faceGroup = nullptr);

}  // namespace assetgen
