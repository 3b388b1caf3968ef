// CharacterObj: construction from the shared body mesh, release, drawing
// and hits.

#include "character/CharacterObj.h"

#include <new>

#include "character/CharacterAttachments.h"
#include "render/AdvancedRenderSystem.h"
#include "render/MeshData.h"

const D3DXVECTOR3* CharacterObj::shadowCameraPosition = nullptr;

namespace {

const char* const kBoneNames[CharacterObj::kBoneCount] = {
    "neck", "chest", "waist", "l_hand", "r_hand", "l_hip", "r_hip", "l_knee", "r_knee", "l_foot", "r_foot"};

const char* const kPoseNames[CharacterObj::kPoseCount] = {
    "idle1",    "idle2",     "run1",      "run2",      "run3",      "run4",   "run5",   "run6",   "crouch",
    "fly",      "kick1",     "kick2",     "attack_v1", "attack_v2", "attack_h1", "attack_h2", "throw1", "throw2"};

// Proportions of a fighter of scale 1.
constexpr float kMass = 18.0f;
constexpr float kRadius = 1.5f;
constexpr float kHeight = 7.5f;
constexpr float kCrouchHeightRate = 0.75f;

}  // namespace

CharacterObj::~CharacterObj() { delete[] ragdollBones_; }

bool CharacterObj::Init(const CharacterMeshSet& meshes, AdvancedRenderSystem* renderer, MeshData* throwable,
                        float scale, const D3DXVECTOR3& start, float startFacing) {
  if (meshes.body == nullptr) return false;
  meshes_ = meshes;
  this->renderer = renderer;
  throwable_ = throwable;
  scale_ = scale;
  position = start;
  facing = startFacing;
  velocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  onGround = false;

  headAttachment_ = MakeHeadAttachment();
  weaponAttachment_ = MakeWeaponAttachment();
  weaponTipAttachment_ = MakeWeaponTipAttachment();
  throwableAttachment_ = MakeThrowableAttachment();

  // Without a physics world the fighter still poses and draws; it simply
  // has no capsule.
  capsule_.Create(start, kMass * scale, kRadius * scale, kHeight * scale, kRadius * scale,
                  kHeight * scale * kCrouchHeightRate, this);
  capsule_.character = this;

  if (!skeleton_.Init(&meshes.body->frame)) return false;
  for (int b = 0; b < kBoneCount; ++b) bones_[b] = skeleton_.FindNode(kBoneNames[b]);
  for (int p = 0; p < kPoseCount; ++p) poses_[p] = meshes.body->frame.FindPose(kPoseNames[p]);

  if (poses_[kIdle1] >= 0) skeleton_.SetPose(poses_[kIdle1]);
  motion = kIdle;
  StartMotion();
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  skeleton_.UpdateWorld(skeleton_.GetRoot(), identity);
  skeleton_.ComputeSkinMatrices(false);

  // The feet's height in the rest pose sets how far the skeleton is drawn
  // below the capsule's feet point, with a little room for the soles.
  const float t = (BonePosition(kLeftFoot).y + BonePosition(kRightFoot).y) * 0.5f * scale;
  footRest_ = -t * 0.07f;
  footBase_ = t - footRest_;
  footOffset_ = footBase_;
  drawPosition = position;
  drawPosition.y -= footOffset_;
  feetPlanted = false;

  PhysicsRagdoll::Parameters block;
  const char* const kRagdollNodes[PhysicsRagdoll::kNodeSlotCount] = {
      "neck", "chest", nullptr, "l_should", "r_should", "l_elbow", "r_elbow", "l_hand", "r_hand",
      "l_hip", "r_hip", "l_knee", "r_knee", "l_foot", "r_foot"};
  for (int slot = 0; slot < PhysicsRagdoll::kNodeSlotCount; ++slot) {
    block.nodes[slot] = slot == PhysicsRagdoll::kRoot ? skeleton_.GetRoot() : skeleton_.FindNode(kRagdollNodes[slot]);
  }
  block.mass = kMass * scale;
  block.height = kHeight * scale;
  block.radius = kRadius * scale;
  block.limitScale = 0.8f;
  block.dampingScale = 0.4f;
  ragdoll_.Init(block, 1.0f);

  delete[] ragdollBones_;
  ragdollBoneCount_ = skeleton_.GetNodeCount();
  ragdollBones_ = new (std::nothrow) RagdollBoneFlag[static_cast<std::size_t>(ragdollBoneCount_)];
  if (ragdollBones_ == nullptr) {
    ragdollBoneCount_ = 0;
    return false;
  }
  SkinMeshEntity::Node* nodes = skeleton_.GetNodes();
  for (std::int32_t i = 0; i < ragdollBoneCount_; ++i) {
    ragdollBones_[i].node = &nodes[i];
    ragdollBones_[i].isRagdollBone = false;
    for (SkinMeshEntity::Node* ragdollNode : block.nodes) {
      if (ragdollNode == &nodes[i]) ragdollBones_[i].isRagdollBone = true;
    }
  }

  commands = 0;
  turnRate = 0.0f;
  runFrame = 0;
  for (ShadowProjector& shadow : shadows_) {
    shadow.length = 8.0f * scale + 25.0f;
    shadow.sizeScale = 4.2f * scale;
    shadow.alphaScale = 0.35f;
    shadow.lastFrames = 0;
  }
  isRagdoll = false;
  heavyHit = false;
  hits[0].pending = false;
  hits[1].pending = false;
  health = 1.0f;
  frameCounter = 0;
  return true;
}

void CharacterObj::Release() {
  delete[] ragdollBones_;
  ragdollBones_ = nullptr;
  ragdollBoneCount_ = 0;
  // The ragdoll frees its own construction info.
  ragdoll_.Destroy();
  capsule_.Destroy();
  skeleton_.Release();
  for (SkinMeshEntity::Node*& bone : bones_) bone = nullptr;
  meshes_ = CharacterMeshSet();
  throwable_ = nullptr;
  renderer = nullptr;
}

void CharacterObj::Draw() {
  if (renderer == nullptr || meshes_.body == nullptr || skeleton_.GetNodes() == nullptr) return;
  if (renderer->IsOutsideDepthRange(drawPosition, meshes_.body->boundingRadius * scale_)) return;

  skeleton_.Draw(renderer, meshes_.bodyMaterials);
  // The rigid pieces are drawn with one matrix each.
  renderer->SetTransformBlend(0);

  if (bones_[kNeck] != nullptr) {
    renderer->SetWorldMatrix(headAttachment_ * bones_[kNeck]->world, 0);
    if (meshes_.headA != nullptr) {
      renderer->ApplyMaterial(meshes_.headAMaterial);
      meshes_.headA->Draw(renderer);
    }
    if (meshes_.headB != nullptr) {
      renderer->ApplyMaterial(meshes_.headBMaterial);
      meshes_.headB->Draw(renderer);
    }
  }
  if (bones_[kRightHand] != nullptr && meshes_.weapon != nullptr) {
    renderer->SetWorldMatrix(weaponAttachment_ * bones_[kRightHand]->world, 0);
    renderer->ApplyMaterial(meshes_.weaponMaterial);
    meshes_.weapon->Draw(renderer);
  }
  if (DrawsThrowable() && bones_[kLeftHand] != nullptr) {
    renderer->SetWorldMatrix(throwableAttachment_ * bones_[kLeftHand]->world, 0);
    throwable_->Draw(renderer);
  }
}

void CharacterObj::Hit(float damage, const D3DXVECTOR3& point, const D3DXVECTOR3& impulse) {
  health -= damage;
  HitRecord& record = hits[0].pending ? hits[1] : hits[0];
  record.pending = true;
  record.point = point;
  record.impulse = impulse;
  heavyHit = heavyHit || damage > 0.5f;
}

D3DXMATRIX CharacterObj::BoneWorld(int bone) const {
  if (bones_[bone] != nullptr) return bones_[bone]->world;
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  return identity;
}

D3DXVECTOR3 CharacterObj::BonePosition(int bone) const {
  const D3DXMATRIX world = BoneWorld(bone);
  return D3DXVECTOR3(world._41, world._42, world._43);
}
