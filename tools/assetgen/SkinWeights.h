#pragma once
// Skin weights of a sculpted model: every primitive of its distance field is
// tagged with the bone its flesh follows, and a vertex follows the bones of
// the primitives nearest to it, blended where primitives of different bones
// meet (at the joints). At most two influences per vertex and at most four
// bones per face, as the game's skinning takes them.

#include <vector>

#include "AnimFiles.h"
#include "MeshModel.h"
#include "Sdf.h"

namespace assetgen {

struct VertexSkin {
  int bone[2] = {-1, -1};
  float weight[2] = {0.0f, 0.0f};
  int count = 0;  // 1 or 2
};

// Each primitive pulls a vertex with exp(-(its distance - the nearest
// distance) / blend); the two bones with the largest pull share the vertex
// (a second bone under 3% is dropped). Weights sum to exactly 1.
std::vector<VertexSkin> SkinFromPrimitives(const SdfShape& shape, const std::vector<Vec3>& positions, float blend);

// While a face touches more than maxBones bones, the bone with the least
// weight on that face is taken off the face's vertices (their weights
// renormalised; a vertex left with no bone takes the face's strongest).
void LimitBonesPerFace(const MeshModel& mesh, std::vector<VertexSkin>* skin, std::size_t maxBones);

// Replaces the skeleton's influences with the skin's, per bone in vertex
// order.
void AssignInfluences(const std::vector<VertexSkin>& skin, Skeleton* skeleton);

}  // namespace assetgen
