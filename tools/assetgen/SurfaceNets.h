#pragma once
// Polygonises a signed distance field with surface nets: one vertex per grid
// cell that the surface crosses (pulled onto the surface), one quad per
// crossed grid edge. The result is an evenly tessellated, watertight mesh
// whose normals come from the field, wound clockwise seen from outside.

#include "MeshModel.h"
#include "Sdf.h"

namespace assetgen {

// Samples the field on a grid of `cell` spacing over the shape's bounds.
// Texture coordinates are left at zero (see ChartAtlas.h).
MeshModel PolygoniseSdf(const SdfShape& shape, float cell);

// Reduces the mesh towards `targetTriangles` with meshoptimizer's quadric
// simplifier (never beyond `maxError`, relative to the mesh's extent), drops
// unused vertices, then re-derives normals from the field and pulls every
// vertex back onto the surface.
void SimplifyOnSurface(MeshModel* mesh, const SdfShape& shape, std::size_t targetTriangles, float maxError);

}  // namespace assetgen
