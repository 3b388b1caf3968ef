#pragma once
// A small mesh-building toolkit. Every function appends to a MeshModel and
// keeps the game's conventions: triangles wind clockwise seen from outside
// (cross(b - a, c - a) points out of the surface), texture coordinates run
// with u to the right and v down as seen from outside, so that the tangent
// the game derives from them is never mirrored.

#include <cstdint>
#include <functional>
#include <vector>

#include "MeshModel.h"
#include "VecMath.h"

namespace assetgen {

std::uint32_t AddVertex(MeshModel* model, Vec3 position, Vec3 normal, Vec2 uv);
void AddTriangle(MeshModel* model, std::uint32_t a, std::uint32_t b, std::uint32_t c);
// A quad given clockwise seen from outside, split along a-c.
void AddQuad(MeshModel* model, std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d);

// Gives every face from `firstFace` on the material (the face-material list
// grows to cover all faces; earlier faces without one get material 0).
void SetFaceMaterial(MeshModel* model, std::size_t firstFace, std::uint32_t material);

// Axis-aligned box, one quad per side with its own vertices (hard edges);
// each side maps the whole texture, or `uvScale` repetitions of it.
void AppendBox(MeshModel* model, Vec3 centre, Vec3 halfExtents, float uvScale = 1.0f);

// A surface of revolution about +Y: profile points (radius, height) from the
// bottom up; a point repeated makes a crease (each side keeps its own
// normal); radius 0 at an end closes it. u runs around (0 to 1, the seam's
// vertices doubled), v from 0 at the top of the profile to 1 at the bottom.
void AppendLathe(MeshModel* model, const std::vector<Vec2>& profile, int segments);

// A closed cylinder and a capsule along +Y from y0 to y1 (the capsule's
// hemispheres lie beyond y0 and y1).
void AppendCylinder(MeshModel* model, float radius, float y0, float y1, int segments);
void AppendCapsule(MeshModel* model, float radius, float y0, float y1, int segments, int capRings);

// A lat-long sphere at the origin; `radiusOf` gives the radius for each unit
// direction (noise displaces the surface), then normals follow the surface.
// u runs around the Y axis, v from the top pole (0) to the bottom (1).
void AppendSphere(MeshModel* model, int slices, int stacks, const std::function<float(Vec3 direction)>& radiusOf);

// A tube swept along a path: at each path point, the closed cross-section
// (points in the frame's (side, up) plane, scaled per point) is placed at the
// point. u runs around the section, v along the path. Ends are open unless
// a cap is asked for (a fan to the end point's centre).
struct SweepFrame {
  Vec3 position;
  Vec3 side;  // unit, the section's x axis
  Vec3 up;    // unit, the section's y axis
  float scaleX = 1.0f;
  float scaleY = 1.0f;
};
void AppendSweep(MeshModel* model, const std::vector<SweepFrame>& path, const std::vector<Vec2>& section, bool capStart,
                 bool capEnd);

// Area-weighted vertex normals of the faces from `firstFace` on, written to
// the vertices they use. With weld, vertices at the same position (texture
// seams) share one normal, and every vertex at such a position takes it.
void ComputeNormals(MeshModel* model, std::size_t firstFace = 0, bool weld = true);

// Fraction of faces whose normal points away from `centre` (for convex
// shapes, 1 when every face winds the right way).
float OutwardFaceFraction(const MeshModel& model, Vec3 centre);

// Fraction of faces whose texture coordinates give the game no tangent
// (zero or mirrored orientation: (e1.u * e2.v - e1.v * e2.u) not above 0 for
// the edges e1 = uv1 - uv0, e2 = uv2 - uv0). 0 for a clean mapping.
float UnusableUvFraction(const MeshModel& model);

}  // namespace assetgen
