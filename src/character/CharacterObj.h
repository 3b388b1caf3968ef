#pragma once
// One fighter: a skeleton instance on the shared body mesh, carried by an
// upright capsule while alive and driven by a ragdoll once dead, with its
// head pieces, hand weapon and throwable attached to bones. Its controller
// writes the command bits and the turn rate; Update turns them into motion,
// pose blends and strikes.

#include <cstdint>

#include "character/CharacterBase.h"
#include "effects/ShadowProjector.h"
#include "physics/PhysicsCharacter.h"
#include "physics/PhysicsRagdoll.h"
#include "anim/SkinMeshEntity.h"
#include "platform/d3dx9/D3dxMath.h"

class MeshData;
class SkinData;
struct MaterialData;

// The meshes and materials every fighter borrows from the application.
struct CharacterMeshSet {
  SkinData* body = nullptr;
  MeshData* headA = nullptr;
  MeshData* headB = nullptr;
  MeshData* weapon = nullptr;
  MaterialData** bodyMaterials = nullptr;
  MaterialData* headAMaterial = nullptr;
  MaterialData* headBMaterial = nullptr;
  MaterialData* weaponMaterial = nullptr;
};

class CharacterObj : public CharacterBase {
 public:
  enum Motion { kIdle, kRun, kFly, kCrouch, kKick, kAttackV, kAttackH, kThrow };
  enum Direction { kForwards = 1, kBackwards = 2, kSprinting = 3, kHolding = 4, kThrown = 5 };
  enum Bone { kNeck, kChest, kWaist, kLeftHand, kRightHand, kLeftHip, kRightHip, kLeftKnee, kRightKnee,
              kLeftFoot, kRightFoot, kBoneCount };
  enum PoseSlot { kIdle1, kIdle2, kRun1, kRun2, kRun3, kRun4, kRun5, kRun6, kCrouchPose, kFlyPose, kKick1, kKick2,
                  kAttackV1, kAttackV2, kAttackH1, kAttackH2, kThrow1, kThrow2, kPoseCount };
  static constexpr int kShadowCount = 3;

  struct HitRecord {
    bool pending = false;
    D3DXVECTOR3 point{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 impulse{0.0f, 0.0f, 0.0f};
  };
  struct RagdollBoneFlag {
    SkinMeshEntity::Node* node = nullptr;
    bool isRagdollBone = false;
  };

  // The camera position the shadow refresh measures distances from. The
  // application points it at its camera's eye; null skips the refresh.
  static const D3DXVECTOR3* shadowCameraPosition;

  CharacterObj() = default;
  ~CharacterObj() override;
  CharacterObj(const CharacterObj&) = delete;
  CharacterObj& operator=(const CharacterObj&) = delete;

  // False when the set has no body mesh or the skeleton cannot be built.
  bool Init(const CharacterMeshSet& meshes, AdvancedRenderSystem* renderer, MeshData* throwable, float scale,
            const D3DXVECTOR3& position, float facing);
  void Release() override;
  void Update() override;
  void Draw() override;
  D3DXVECTOR3* GetPosition() override { return &position; }
  D3DXVECTOR3* GetDrawPosition() override { return &drawPosition; }

  // Takes health and keeps the hit for the next Update.
  void Hit(float damage, const D3DXVECTOR3& point, const D3DXVECTOR3& impulse);

  void StartMotion();
  void StepAnimation();

  // Whether Draw puts the throwable in the left hand this frame.
  bool DrawsThrowable() const { return throwable_ != nullptr && motion == kThrow && direction == kHolding; }

  const PhysicsCharacter& GetCapsule() const { return capsule_; }
  const PhysicsRagdoll& GetRagdoll() const { return ragdoll_; }
  const SkinMeshEntity& GetSkeleton() const { return skeleton_; }
  SkinMeshEntity::Node* GetBone(int bone) const { return bones_[bone]; }
  std::int32_t GetPoseIndex(int slot) const { return poses_[slot]; }
  const ShadowProjector& GetShadow(int index) const { return shadows_[index]; }
  const RagdollBoneFlag* GetRagdollBoneFlags() const { return ragdollBones_; }
  float GetScale() const { return scale_; }
  float GetFootBase() const { return footBase_; }
  float GetFootRest() const { return footRest_; }
  float GetFootOffset() const { return footOffset_; }

  // Motion state.
  int motion = kIdle;
  int direction = kForwards;
  int stage = 0;
  D3DXVECTOR3 lastProbePoint{0.0f, 0.0f, 0.0f};
  float blendCarry = 0.0f;
  float blendRate = 0.0f;
  bool stopAtEnds = false;
  bool feetPlanted = false;
  int runFrame = 0;

  // Placement and control.
  D3DXVECTOR3 position{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 drawPosition{0.0f, 0.0f, 0.0f};
  float facing = 0.0f;
  D3DXVECTOR3 velocity{0.0f, 0.0f, 0.0f};
  bool onGround = false;
  int groundMaterial = 0;
  float turnRate = 0.0f;
  std::uint32_t commands = 0;

  // Health and hits.
  float health = 1.0f;
  bool isRagdoll = false;
  int dampingTimer = 0;
  bool heavyHit = false;
  HitRecord hits[2];
  int frameCounter = 0;

  // Kept by the application for its hit reactions.
  CharacterObj* self = nullptr;
  float hitDamage = 0.0f;
  float hitPeak = 0.0f;
  int reactionTick = 0;

 private:
  // Update's two states (CharacterUpdate.cpp).
  void UpdateLiving();
  void UpdateRagdoll();
  void ReadCommands();
  void PoseSkeleton();
  void LevelFeet();
  void Die();
  void ApplyRagdollHits(float scale);
  void RefreshShadows(bool still);
  void ClearHits();
  // Changes the motion and enters it.
  void Enter(int newMotion);
  // Motion helpers (CharacterMotion.cpp).
  void Blend(int poseSlot);
  void ProbeStrikes();
  void AdvanceStage();
  D3DXVECTOR3 KickPoint() const;
  D3DXVECTOR3 WeaponTip() const;
  D3DXVECTOR3 BonePosition(int bone) const;
  D3DXMATRIX BoneWorld(int bone) const;

  PhysicsCharacter capsule_;
  PhysicsRagdoll ragdoll_;
  CharacterMeshSet meshes_;
  MeshData* throwable_ = nullptr;
  D3DXMATRIX headAttachment_;
  D3DXMATRIX weaponAttachment_;
  D3DXMATRIX weaponTipAttachment_;
  D3DXMATRIX throwableAttachment_;
  SkinMeshEntity skeleton_;
  SkinMeshEntity::Node* bones_[kBoneCount] = {};
  std::int32_t poses_[kPoseCount] = {};
  float footBase_ = 0.0f;
  float footRest_ = 0.0f;
  float footOffset_ = 0.0f;
  float scale_ = 1.0f;
  ShadowProjector shadows_[kShadowCount];
  RagdollBoneFlag* ragdollBones_ = nullptr;
  std::int32_t ragdollBoneCount_ = 0;
};
