// SkinMeshEntity: pose blending, the node hierarchy and skinned drawing.

#include "anim/SkinMeshEntity.h"

#include <cstring>
#include <new>

#include "render/RenderSystem.h"

SkinMeshEntity::~SkinMeshEntity() {
  if (frame_ != nullptr) Release();
}

bool SkinMeshEntity::Init(const SkinMeshFrame* frame) {
  if (frame_ != nullptr) Release();
  if (frame == nullptr || frame->GetBoneFile() == nullptr || frame->GetBoneFile()->boneCount < 1) return false;
  const BoneFile& bones = *frame->GetBoneFile();

  nodeCount_ = bones.boneCount;
  nodes_ = new (std::nothrow) Node[static_cast<std::size_t>(nodeCount_)];
  if (nodes_ == nullptr) {
    Release();
    return false;
  }
  animatedNodeCount_ = 0;
  for (std::int32_t i = 0; i < nodeCount_; ++i) {
    const BoneRecord& bone = bones.bones[i];
    Node& node = nodes_[i];
    if (bone.parentIndex == -1) {
      root_ = &node;  // with several roots the last one is the entity's root
    } else {
      node.parent = &nodes_[bone.parentIndex];
    }
    node.name = bone.name;
    node.index = i;
    node.exclude = (bone.flags & kBoneFlagExclude) != 0;
    node.halfRotation = (bone.flags & kBoneFlagHalfRotation) != 0;
    D3DXMatrixIdentity(&node.skin);  // excluded nodes are never skinned; keep theirs harmless
    if (!node.exclude) ++animatedNodeCount_;
  }
  if (root_ == nullptr) {
    Release();
    return false;
  }

  channels_ = new (std::nothrow) BlendChannel[static_cast<std::size_t>(nodeCount_)];
  if (channels_ == nullptr) {
    Release();
    return false;
  }
  for (std::int32_t i = 0; i < nodeCount_; ++i) {
    channels_[i].active = !nodes_[i].exclude && frame->GetBoneToChannel()[i] != -1;
    D3DXQuaternionIdentity(&channels_[i].from);
    D3DXQuaternionIdentity(&channels_[i].to);
  }
  blendT_ = 0.0f;
  frame_ = frame;
  ResetToBindPose();
  return true;
}

void SkinMeshEntity::Release() {
  delete[] nodes_;
  nodes_ = nullptr;
  delete[] channels_;
  channels_ = nullptr;
  nodeCount_ = 0;
  animatedNodeCount_ = 0;
  root_ = nullptr;
  blending_ = false;
  frame_ = nullptr;
}

SkinMeshEntity::Node* SkinMeshEntity::FindNode(const char* name) {
  if (name == nullptr) return nullptr;
  for (std::int32_t i = 0; i < nodeCount_; ++i) {
    if (std::strcmp(nodes_[i].name, name) == 0) return &nodes_[i];
  }
  return nullptr;
}

// The node's local matrix: the rotation with the bone's offset as translation.
void SkinMeshEntity::SetLocalRotation(Node& node, const D3DXMATRIX& rotation) {
  const D3DXVECTOR3& offset = frame_->GetBoneFile()->bones[node.index].offset;
  node.local = rotation;
  node.local._41 = offset.x;
  node.local._42 = offset.y;
  node.local._43 = offset.z;
}

void SkinMeshEntity::ResetToBindPose() {
  for (std::int32_t i = 0; i < nodeCount_; ++i) {
    const D3DXVECTOR3& offset = frame_->GetBoneFile()->bones[i].offset;
    D3DXMatrixTranslation(&nodes_[i].local, offset.x, offset.y, offset.z);
  }
  blending_ = false;
}

void SkinMeshEntity::SetPose(std::int32_t pose) {
  const D3DXVECTOR3* rotations = frame_->GetPoseFile()->poses[pose].rotations;
  const std::int32_t* boneToChannel = frame_->GetBoneToChannel();
  D3DXMATRIX rotation;
  for (std::int32_t i = 0; i < nodeCount_; ++i) {
    const std::int32_t channel = boneToChannel[i];
    if (channel == -1) continue;
    const D3DXVECTOR3& r = rotations[channel];
    D3DXMatrixRotationYawPitchRoll(&rotation, r.x, r.y, r.z);
    SetLocalRotation(nodes_[i], rotation);
  }
  blending_ = false;
}

void SkinMeshEntity::BeginBlend(std::int32_t pose) {
  const D3DXVECTOR3* rotations = frame_->GetPoseFile()->poses[pose].rotations;
  const std::int32_t* boneToChannel = frame_->GetBoneToChannel();
  for (std::int32_t i = 0; i < nodeCount_; ++i) {
    BlendChannel& channel = channels_[i];
    if (!channel.active) continue;
    const D3DXVECTOR3& r = rotations[boneToChannel[i]];
    D3DXQuaternionRotationMatrix(&channel.from, &nodes_[i].local);
    D3DXQuaternionRotationYawPitchRoll(&channel.to, r.x, r.y, r.z);
  }
  blendT_ = 0.0f;
  blending_ = true;
}

void SkinMeshEntity::UpdateBlend(float dt, bool stopAtEnds) {
  if (!blending_) return;
  blendT_ += dt;
  if (stopAtEnds) {
    if (blendT_ >= 1.0f) {
      blendT_ = 1.0f;
      blending_ = false;
    } else if (blendT_ < 0.0f) {
      blendT_ = 0.0f;
      blending_ = false;
    }
  }
  ApplyBlend();
}

void SkinMeshEntity::ApplyBlend() {
  D3DXQUATERNION q;
  D3DXMATRIX rotation;
  for (std::int32_t i = 0; i < nodeCount_; ++i) {
    const BlendChannel& channel = channels_[i];
    if (!channel.active) continue;
    D3DXQuaternionSlerp(&q, &channel.from, &channel.to, blendT_);
    D3DXMatrixRotationQuaternion(&rotation, &q);
    SetLocalRotation(nodes_[i], rotation);
  }
}

void SkinMeshEntity::UpdateWorld(Node* node, const D3DXMATRIX& parent) {
  D3DXMatrixMultiply(&node->world, &node->local, &parent);
  const FrameBone& bone = frame_->GetFrameBones()[node->index];
  for (std::int32_t c = 0; c < bone.childCount; ++c) UpdateWorld(&nodes_[bone.children[c]], node->world);
}

void SkinMeshEntity::ComputeSkinMatrices(bool fromWorld) {
  const FrameBone* frameBones = frame_->GetFrameBones();
  D3DXQUATERNION identity;
  D3DXQuaternionIdentity(&identity);
  for (std::int32_t i = 0; i < nodeCount_; ++i) {
    Node& node = nodes_[i];
    if (node.exclude) continue;
    const D3DXMATRIX& offset = frameBones[i].offsetMatrix;
    if (!node.halfRotation) {
      D3DXMatrixMultiply(&node.skin, &offset, &node.world);
      continue;
    }
    // Half of the rotation relative to the parent, at the node's full offset:
    // the vertices bound here bend half way, the children follow in full.
    D3DXMATRIX relative = node.local;
    if (fromWorld) {
      relative = node.world;
      if (node.parent != nullptr) {
        D3DXMATRIX parentInverse;
        D3DXMatrixInverse(&parentInverse, nullptr, &node.parent->world);
        D3DXMatrixMultiply(&relative, &node.world, &parentInverse);
      }
    }
    D3DXQUATERNION q, half;
    D3DXQuaternionRotationMatrix(&q, &relative);
    D3DXQuaternionSlerp(&half, &q, &identity, 0.5f);
    D3DXMATRIX rotation;
    D3DXMatrixRotationQuaternion(&rotation, &half);
    rotation._41 = relative._41;
    rotation._42 = relative._42;
    rotation._43 = relative._43;
    if (node.parent != nullptr) D3DXMatrixMultiply(&rotation, &rotation, &node.parent->world);
    D3DXMatrixMultiply(&node.skin, &offset, &rotation);
  }
}

void SkinMeshEntity::Draw(RenderSystem* renderer, MaterialData** materials) {
  ID3DXMesh* mesh = frame_->GetBlendedMesh();
  const BoneCombination* combinations = frame_->GetCombinations();
  const bool shaders = !renderer->IsFixedPipeline();
  for (std::uint32_t c = 0; c < frame_->GetCombinationCount(); ++c) {
    const BoneCombination& combination = combinations[c];
    renderer->SetTransformBlend(combination.lastIndex);
    for (std::int32_t j = 0; j <= combination.lastIndex; ++j) {
      renderer->SetWorldMatrix(nodes_[combination.boneIds[j]].skin, j);
    }
    if (combination.attributeId == 0) renderer->ApplyMaterial(materials != nullptr ? materials[0] : nullptr);
    if (shaders) renderer->BeginMaterialPass();
    mesh->DrawSubset(c);
    if (shaders) renderer->EndMaterialPass();
  }
}
