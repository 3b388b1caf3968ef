#pragma once
// Collects the arena's triangles in world units. Every face belongs to one
// light-map chart: a group of faces that lie flat (or unrolled) in one plane,
// each vertex carrying its position inside that plane in world units. The
// packer later places the charts in the light map.
//
// Faces wind clockwise seen from the front (the Direct3D convention). The
// first texture coordinates are planar: seen from the front, u grows to the
// right and v grows downwards, so normal maps come out unmirrored.

#include <cstdint>
#include <functional>
#include <vector>

#include "tools/assetgen/MeshModel.h"
#include "tools/assetgen/arena/ArenaVec.h"

namespace assetgen::arena {

struct LightmapChart {
  std::uint32_t firstFace = 0;
  std::uint32_t faceCount = 0;
  float densityScale = 1.0f;  // texels per world unit relative to the level's density
};

// Right and up directions of a plane seen from its front.
struct PlaneFrame {
  V3 normal, right, up;
};
PlaneFrame FrameForNormal(V3 normal);

// Cut points of [breaks.front(), breaks.back()] that contain every break and
// leave no interval longer than maxCell.
std::vector<float> SplitLines(std::vector<float> breaks, float maxCell);

using CellFilter = std::function<bool(V3 cellCentre)>;

class LevelBuilder {
 public:
  // tileSizes: world units per texture repeat of each surface (material).
  LevelBuilder(std::vector<float> tileSizes, float maxCell);

  // Texel density of the charts started from now on (1 = the level's).
  void SetChartDensity(float scale) { density_ = scale; }

  // A convex planar polygon (any winding; the normal decides the front),
  // cut into cells no larger than maxCell. linesA/linesB give the cell
  // boundaries along the plane's right and up axes when the caller needs
  // them at exact places; `keep` drops cells whose centre it rejects.
  void AddPlanarRegion(const std::vector<V3>& polygon, V3 normal, int surface,
                       const std::vector<float>* linesA = nullptr, const std::vector<float>* linesB = nullptr,
                       const CellFilter& keep = nullptr);
  // An axis-aligned box; faceMask bits: 1 +X, 2 -X, 4 +Y, 8 -Y, 16 +Z, 32 -Z.
  void AddBox(V3 lo, V3 hi, int topSurface, int sideSurface, unsigned faceMask = 0x37u);
  // The sides of a vertical regular prism around (cx, cz), facing outwards
  // (or inwards), unrolled into one chart. Smooth sides share normals.
  void AddPrismSides(float cx, float cz, float radius, float y0, float y1, int segments, float phase,
                     int surface, bool smooth, bool inward = false);
  // The regular polygon cap of such a prism, facing up.
  void AddPrismTop(float cx, float cz, float radius, float y, int segments, float phase, int surface);
  // A flat ring (annulus) facing up.
  void AddRingTop(float cx, float cz, float innerRadius, float outerRadius, float y, int segments, int surface);
  // A wedge: a slope rising along the horizontal unit vector `uphill` from
  // its low edge (centred on lowCentre) by `rise` over `run`, `width` wide,
  // with its two side faces down to lowCentre.y - skirt.
  void AddRamp(V3 lowCentre, V3 uphill, float run, float rise, float width, int slopeSurface, int sideSurface,
               float skirt);
  // A straight flight of steps climbing along `uphill` from the front edge
  // of its first riser (centred on baseCentre). The last riser reaches the
  // upper floor; treads and risers unroll into one chart, each side is a
  // planar chart reaching down to baseCentre.y - skirt.
  void AddStairs(V3 baseCentre, V3 uphill, float width, int risers, float rise, float tread, int stepSurface,
                 int sideSurface, float skirt);

  const MeshModel& mesh() const { return mesh_; }
  const std::vector<LightmapChart>& charts() const { return charts_; }
  const std::vector<V2>& chartCoords() const { return chartCoords_; }
  // Chart index of every face.
  std::vector<std::uint32_t> FaceCharts() const;

 private:
  void BeginChart();
  std::uint32_t AddVertex(V3 p, V3 n, V2 uv, V2 chart);
  void AddTriangle(std::uint32_t a, std::uint32_t b, std::uint32_t c, int surface);
  float Tile(int surface) const;

  std::vector<float> tileSizes_;
  float maxCell_;
  float density_ = 1.0f;
  MeshModel mesh_;
  std::vector<LightmapChart> charts_;
  std::vector<V2> chartCoords_;
};

}  // namespace assetgen::arena
