// Bone influences against the mesh's vertices: range check and renumbering
// after the mesh loader reordered or split vertices.

#include <algorithm>
#include <limits>
#include <new>
#include <utility>
#include <vector>

#include "anim/AnimFileReader.h"
#include "anim/BoneFile.h"

bool CheckBoneVertices(const BoneFile& file, std::int32_t vertexCount, std::string* error) {
  for (std::int32_t i = 0; i < file.boneCount && file.bones != nullptr; ++i) {
    const BoneRecord& bone = file.bones[i];
    for (std::int32_t j = 0; j < bone.influenceCount; ++j) {
      const std::int32_t vertex = bone.vertexIndices[j];
      if (vertex < 0 || vertex >= vertexCount) {
        return AnimFileError(error, "bone %d: vertex index %d is outside the mesh's %d vertices", i, vertex,
                             vertexCount);
      }
    }
  }
  return true;
}

bool RemapBoneVertices(BoneFile& file, const std::uint32_t* newToOld, std::int32_t newVertexCount) {
  if (file.bones == nullptr) return false;
  if (file.boneCount < 1) return true;
  if (newVertexCount < 0 || (newVertexCount > 0 && newToOld == nullptr)) return false;

  // Per bone, its influences sorted by old vertex (stably, so that equal
  // vertices keep their stored order); each new vertex then finds its
  // matches by binary search instead of a scan of all influences.
  std::vector<std::pair<std::int64_t, std::int32_t>> byVertex;
  for (std::int32_t b = 0; b < file.boneCount; ++b) {
    BoneRecord& bone = file.bones[b];
    byVertex.clear();
    for (std::int32_t j = 0; j < bone.influenceCount; ++j) byVertex.emplace_back(bone.vertexIndices[j], j);
    std::stable_sort(byVertex.begin(), byVertex.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    const auto matches = [&byVertex](std::uint32_t old) {
      return std::equal_range(byVertex.begin(), byVertex.end(), std::pair<std::int64_t, std::int32_t>(old, 0),
                              [](const auto& a, const auto& b) { return a.first < b.first; });
    };

    std::int64_t count = 0;
    for (std::int32_t i = 0; i < newVertexCount; ++i) {
      const auto range = matches(newToOld[i]);
      count += range.second - range.first;
    }
    if (count > std::numeric_limits<std::int32_t>::max()) return false;

    std::int32_t* indices = nullptr;
    float* weights = nullptr;
    if (count > 0) {
      indices = new (std::nothrow) std::int32_t[static_cast<std::size_t>(count)];
      weights = new (std::nothrow) float[static_cast<std::size_t>(count)];
      if (indices == nullptr || weights == nullptr) {
        delete[] indices;
        delete[] weights;
        return false;
      }
    }
    std::int32_t filled = 0;
    for (std::int32_t i = 0; i < newVertexCount; ++i) {
      const auto range = matches(newToOld[i]);
      for (auto it = range.first; it != range.second; ++it) {
        indices[filled] = i;
        weights[filled] = bone.weights[it->second];
        ++filled;
      }
    }
    delete[] bone.vertexIndices;
    delete[] bone.weights;
    bone.vertexIndices = indices;
    bone.weights = weights;
    bone.influenceCount = filled;
  }
  return true;
}
