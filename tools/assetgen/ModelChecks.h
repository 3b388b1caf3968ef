#pragma once
// The generator's checks of its own output, run before anything is written:
// a model that fails them is refused with the reason, so that a fault in a
// generator shows as a loud failure instead of a file the game stumbles on.

#include <string>

#include "AnimFiles.h"
#include "MeshModel.h"

namespace assetgen {

// The game's index buffers are 16-bit.
constexpr std::size_t kMaxMeshVertices = 65535;
// The skinning shader blends up to four matrices per face; each vertex keeps
// at most two influences so that faces stay within that.
constexpr std::size_t kMaxBonesPerFace = 4;
constexpr std::size_t kMaxInfluencesPerVertex = 2;

// Vertices and faces present, at most kMaxMeshVertices vertices, indices in
// range, no face repeating a vertex or without area, every number finite, normals of unit
// length, one material per face (or none at all) and material indices in
// range.
bool CheckMeshModel(const MeshModel& model, std::string* error);

// Names unique, non-empty and short enough for the 32-byte field, parents
// before their children, offsets finite.
bool CheckSkeleton(const Skeleton& skeleton, std::string* error);

// The skin of a mesh with vertexCount vertices: every vertex has one or two
// influences whose weights are positive and sum to 1, no influence lies on
// an excluded bone, and no face touches more than kMaxBonesPerFace bones.
bool CheckSkin(const Skeleton& skeleton, const MeshModel& mesh, std::string* error);

// Every channel names a bone of the skeleton, pose names are unique and fit
// their field, and every rotation is finite.
bool CheckPoses(const Skeleton& skeleton, const PoseLibrary& poses, std::string* error);

// Every name in `bones` is a bone of the skeleton and every name in `poses`
// a pose of the library (the names the game looks up).
bool CheckRequiredNames(const Skeleton& skeleton, const PoseLibrary& poses, const std::vector<std::string>& bones,
                        const std::vector<std::string>& poseNames, std::string* error);

}  // namespace assetgen
