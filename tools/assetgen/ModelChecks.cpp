#include "ModelChecks.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "VecMath.h"

namespace assetgen {

namespace {

bool Finite(float v) { return std::isfinite(v); }
bool Finite(Vec2 v) { return Finite(v.x) && Finite(v.y); }
bool Finite(Vec3 v) { return Finite(v.x) && Finite(v.y) && Finite(v.z); }

bool Fail(std::string* error, const std::string& message) {
  if (error != nullptr) *error = message;
  return false;
}

}  // namespace

bool CheckMeshModel(const MeshModel& model, std::string* error) {
  const std::size_t count = model.vertices.size();
  if (count == 0 || model.faces.empty()) return Fail(error, "the mesh has no vertices or no faces");
  if (count > kMaxMeshVertices) {
    return Fail(error,
                "the mesh has " + std::to_string(count) + " vertices, more than " + std::to_string(kMaxMeshVertices));
  }
  for (std::size_t i = 0; i < count; ++i) {
    const MeshVertex& v = model.vertices[i];
    if (!Finite(v.position) || !Finite(v.normal) || !Finite(v.uv) || !Finite(v.uv2)) {
      return Fail(error, "vertex " + std::to_string(i) + " holds a number that is not finite");
    }
    const float length = Length(v.normal);
    if (std::fabs(length - 1.0f) > 0.01f) {
      return Fail(error, "vertex " + std::to_string(i) + " has a normal of length " + std::to_string(length));
    }
  }
  for (std::size_t f = 0; f < model.faces.size(); ++f) {
    const auto& face = model.faces[f];
    for (std::uint32_t index : face) {
      if (index >= count) return Fail(error, "face " + std::to_string(f) + " names a vertex beyond the mesh");
    }
    if (face[0] == face[1] || face[1] == face[2] || face[0] == face[2]) {
      return Fail(error, "face " + std::to_string(f) + " repeats a vertex");
    }
    const Vec3 p0 = model.vertices[face[0]].position, p1 = model.vertices[face[1]].position,
               p2 = model.vertices[face[2]].position;
    if (Length(Cross(p1 - p0, p2 - p0)) == 0.0f) {
      return Fail(error, "face " + std::to_string(f) + " has no area");
    }
  }
  if (!model.faceMaterial.empty()) {
    if (model.faceMaterial.size() != model.faces.size()) {
      return Fail(error, "the mesh has " + std::to_string(model.faceMaterial.size()) + " face materials for " +
                             std::to_string(model.faces.size()) + " faces");
    }
    for (std::uint32_t material : model.faceMaterial) {
      if (material >= model.materials.size()) return Fail(error, "a face names a material beyond the list");
    }
    for (const MeshMaterial& m : model.materials) {
      for (float value : m.diffuse) {
        if (!Finite(value)) return Fail(error, "a material colour is not finite");
      }
      if (!Finite(m.power)) return Fail(error, "a material power is not finite");
      if (m.textureFile.find('"') != std::string::npos) return Fail(error, "a material file name holds a quote");
    }
  }
  return true;
}

bool CheckSkeleton(const Skeleton& skeleton, std::string* error) {
  if (skeleton.bones.empty()) return Fail(error, "the skeleton has no bones");
  std::set<std::string> names;
  int roots = 0;
  for (std::size_t i = 0; i < skeleton.bones.size(); ++i) {
    const Bone& bone = skeleton.bones[i];
    if (bone.name.empty() || bone.name.size() >= kAnimNameField) {
      return Fail(error, "bone " + std::to_string(i) + " has a name that does not fit its field");
    }
    if (!names.insert(bone.name).second) return Fail(error, "bone name \"" + bone.name + "\" is used twice");
    if (bone.parent == -1) {
      ++roots;
    } else if (bone.parent < 0 || bone.parent >= static_cast<std::int32_t>(i)) {
      return Fail(error, "bone \"" + bone.name + "\" does not come after its parent");
    }
    if (!Finite(bone.offset)) return Fail(error, "bone \"" + bone.name + "\" has an offset that is not finite");
    for (const BoneInfluence& influence : bone.influences) {
      if (!Finite(influence.weight)) return Fail(error, "bone \"" + bone.name + "\" has a weight that is not finite");
    }
  }
  if (roots != 1) return Fail(error, "the skeleton has " + std::to_string(roots) + " roots instead of one");
  return true;
}

bool CheckSkin(const Skeleton& skeleton, const MeshModel& mesh, std::string* error) {
  const std::size_t count = mesh.vertices.size();
  std::vector<std::vector<int>> bonesOf(count);
  std::vector<double> sums(count, 0.0);
  for (std::size_t b = 0; b < skeleton.bones.size(); ++b) {
    const Bone& bone = skeleton.bones[b];
    for (const BoneInfluence& influence : bone.influences) {
      if (influence.vertex >= count) {
        return Fail(error,
                    "bone \"" + bone.name + "\" names vertex " + std::to_string(influence.vertex) + " beyond the mesh");
      }
      if (!(influence.weight > 0.0f) || influence.weight > 1.0f) {
        return Fail(error, "bone \"" + bone.name + "\" has a weight outside (0, 1]");
      }
      if ((bone.flags & kBoneExclude) != 0) {
        return Fail(error, "excluded bone \"" + bone.name + "\" moves vertices");
      }
      std::vector<int>& list = bonesOf[influence.vertex];
      if (std::find(list.begin(), list.end(), static_cast<int>(b)) != list.end()) {
        return Fail(error, "bone \"" + bone.name + "\" influences a vertex twice");
      }
      list.push_back(static_cast<int>(b));
      sums[influence.vertex] += influence.weight;
    }
  }
  for (std::size_t v = 0; v < count; ++v) {
    if (bonesOf[v].empty()) return Fail(error, "vertex " + std::to_string(v) + " follows no bone");
    if (bonesOf[v].size() > kMaxInfluencesPerVertex) {
      return Fail(error, "vertex " + std::to_string(v) + " has " + std::to_string(bonesOf[v].size()) + " influences");
    }
    if (std::fabs(sums[v] - 1.0) > 1e-4) {
      return Fail(error, "the weights of vertex " + std::to_string(v) + " sum to " + std::to_string(sums[v]));
    }
  }
  for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
    std::set<int> bones;
    for (std::uint32_t index : mesh.faces[f]) bones.insert(bonesOf[index].begin(), bonesOf[index].end());
    if (bones.size() > kMaxBonesPerFace) {
      return Fail(error, "face " + std::to_string(f) + " touches " + std::to_string(bones.size()) + " bones");
    }
  }
  return true;
}

bool CheckPoses(const Skeleton& skeleton, const PoseLibrary& poses, std::string* error) {
  std::set<std::string> channels;
  for (const std::string& channel : poses.channels) {
    if (skeleton.Find(channel) < 0) return Fail(error, "channel \"" + channel + "\" names no bone");
    if (!channels.insert(channel).second) return Fail(error, "channel \"" + channel + "\" is there twice");
  }
  std::set<std::string> names;
  for (const Pose& pose : poses.poses) {
    if (pose.name.empty() || pose.name.size() >= kAnimNameField) {
      return Fail(error, "a pose has a name that does not fit its field");
    }
    if (!names.insert(pose.name).second) return Fail(error, "pose \"" + pose.name + "\" is there twice");
    if (pose.rotations.size() != poses.channels.size()) {
      return Fail(error, "pose \"" + pose.name + "\" has " + std::to_string(pose.rotations.size()) + " rotations for " +
                             std::to_string(poses.channels.size()) + " channels");
    }
    for (const Rotation& r : pose.rotations) {
      if (!Finite(r.yaw) || !Finite(r.pitch) || !Finite(r.roll)) {
        return Fail(error, "pose \"" + pose.name + "\" holds a rotation that is not finite");
      }
    }
  }
  return true;
}

bool CheckRequiredNames(const Skeleton& skeleton, const PoseLibrary& poses, const std::vector<std::string>& bones,
                        const std::vector<std::string>& poseNames, std::string* error) {
  for (const std::string& name : bones) {
    if (skeleton.Find(name) < 0) return Fail(error, "the skeleton has no bone \"" + name + "\"");
  }
  for (const std::string& name : poseNames) {
    if (poses.FindPose(name) < 0) return Fail(error, "the pose library has no pose \"" + name + "\"");
  }
  return true;
}

}  // namespace assetgen
