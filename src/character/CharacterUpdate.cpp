// CharacterObj's frame: the living fighter on its capsule, its death, and
// the ragdoll it becomes.

#include <cmath>

#include "character/CharacterManager.h"
#include "character/CharacterObj.h"
#include "character/CommandBits.h"
#include "physics/PhysicsManager.h"

namespace {

constexpr float kGravityPerStep = 0.035f;
constexpr float kAirDrag = 0.99f;
constexpr float kGroundFriction = 0.75757575f;
constexpr float kJumpSpeed = 0.32f;
constexpr float kSelfDamage = 10.0f;
constexpr float kRagdollHitScale = 7.0f;
constexpr float kRagdollLaterHitRate = 0.85f;
// Beyond this distance the shadow is not refreshed at all, beyond the near
// one it is refreshed less often.
constexpr float kShadowFarDistance = 500.0f;
constexpr float kShadowNearDistance = 200.0f;

float StepsPerSecond() {
  const PhysicsManager* physics = GetPhysicsManager();
  return physics != nullptr ? physics->GetStepsPerSecond() : 60.0f;
}

}  // namespace

void CharacterObj::Update() {
  if (skeleton_.GetNodes() == nullptr) return;
  if (isRagdoll) {
    UpdateRagdoll();
  } else {
    UpdateLiving();
  }
}

void CharacterObj::UpdateLiving() {
  ++frameCounter;

  float landing = 0.0f;
  capsule_.Update(&landing);
  if (capsule_.IsCreated()) position = capsule_.GetSmoothedPosition();
  drawPosition = position;
  drawPosition.y -= footOffset_;
  if (landing > 0.01f && owner != nullptr && owner->callback != nullptr) {
    owner->callback->PlayHitSound(position, landing);
  }

  velocity += capsule_.GetPush() * 1.5f;

  if (!onGround) {
    groundMaterial = capsule_.GetLastGroundMaterial();
    if (!capsule_.IsOnGround()) {
      if (motion != kFly) Enter(kFly);
    } else {
      velocity.y = 0.0f;
      onGround = true;
      Enter(kIdle);
    }
  } else if (!capsule_.IsOnGround()) {
    onGround = false;
  } else {
    groundMaterial = capsule_.GetLastGroundMaterial();
  }

  if (capsule_.HitCeiling() && velocity.y > 0.0f) velocity.y *= -0.2f;
  facing += turnRate;

  ReadCommands();

  bool jumped = false;
  if (motion == kCrouch && (commands & CommandBits::kCrouch) == 0) {
    Enter(kIdle);
  } else if (onGround && (commands & CommandBits::kJump) != 0) {
    onGround = false;
    jumped = true;
    velocity.y = velocity.y * 0.25f + scale_ * kJumpSpeed;
  }

  if ((commands & CommandBits::kSelfDamage) != 0) {
    heavyHit = true;
    health -= kSelfDamage;
  }

  if (motion == kRun) {
    float speed = blendRate * 1.8f * scale_ / 3.0f;
    if (direction == kBackwards) speed = -speed;
    // Facing 0 looks along -Z.
    velocity.x += speed * -std::sin(facing);
    velocity.z += speed * -std::cos(facing);
  }

  velocity *= kAirDrag;
  if (!onGround || jumped) {
    velocity.y -= kGravityPerStep;
  } else {
    velocity *= kGroundFriction;
  }

  capsule_.Move(velocity, motion == kCrouch, motion == kRun);
  StepAnimation();
  PoseSkeleton();
  LevelFeet();

  if (health > 0.0f) {
    ragdoll_.RecordBones();
    for (HitRecord& hit : hits) {
      if (!hit.pending) continue;
      hit.impulse.y *= 0.5f;
      velocity += hit.impulse;
    }
  } else {
    Die();
  }

  RefreshShadows(isRagdoll ? ragdoll_.IsSettled() : capsule_.IsResting());
  ClearHits();
}

void CharacterObj::ReadCommands() {
  // The bits are named in full: the motions share some of their names.
  namespace Bits = CommandBits;
  if (motion == kIdle) {
    if (commands & Bits::kForward) {
      direction = kForwards;
      Enter(kRun);
    } else if (commands & Bits::kBackward) {
      direction = kBackwards;
      Enter(kRun);
    } else if (commands & Bits::kCrouch) {
      Enter(kCrouch);
    } else if (commands & Bits::kKick) {
      Enter(kKick);
    } else if (commands & Bits::kAttackV) {
      Enter(kAttackV);
    } else if (commands & Bits::kAttackH) {
      Enter(kAttackH);
    } else if (commands & Bits::kThrow) {
      direction = kHolding;
      Enter(kThrow);
    }
    return;
  }
  if (motion != kRun) return;
  if (direction == kBackwards) {
    if ((commands & Bits::kBackward) == 0) Enter(kIdle);
    return;
  }
  if ((commands & Bits::kForward) == 0) {
    Enter(kIdle);
  } else if (commands & Bits::kSprint) {
    direction = kSprinting;
    blendRate = 0.15f;
  } else {
    direction = kForwards;
    blendRate = 0.1f;
  }
}

void CharacterObj::PoseSkeleton() {
  D3DXMATRIX world;
  D3DXMatrixRotationY(&world, facing);
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) world.m[r][c] *= scale_;
  }
  world._41 = drawPosition.x;
  world._42 = drawPosition.y;
  world._43 = drawPosition.z;
  skeleton_.UpdateWorld(skeleton_.GetRoot(), world);
  skeleton_.ComputeSkinMatrices(false);
}

void CharacterObj::LevelFeet() {
  if (!feetPlanted) {
    footOffset_ += (footBase_ - footOffset_) * 0.25f;
    return;
  }
  // Crouching: the skeleton is lowered until the lower foot rests on the
  // capsule's feet point.
  const float lowerFoot = std::fmin(BonePosition(kLeftFoot).y, BonePosition(kRightFoot).y);
  const float target = lowerFoot - drawPosition.y - footRest_;
  const float old = footOffset_;
  footOffset_ = target;
  if (std::fabs(old - target) > footRest_ * 0.1f) {
    drawPosition.y = position.y - target;
    PoseSkeleton();
  }
}

void CharacterObj::Die() {
  capsule_.Destroy();
  ragdoll_.Create(1.0f, 1.0f, heavyHit ? 1.0f : 2.5f, this, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
  // A light death starts stiff and loosens after three quarters of a
  // second; a heavy hit flings a loose body at once.
  if (!heavyHit) dampingTimer = static_cast<int>(StepsPerSecond() * 0.75f);
  isRagdoll = true;
  ApplyRagdollHits(kRagdollHitScale * StepsPerSecond());
}

void CharacterObj::ApplyRagdollHits(float scale) {
  if (!ragdoll_.IsCreated()) return;
  for (const HitRecord& hit : hits) {
    if (hit.pending) ragdoll_.ApplyImpulse(hit.point, hit.impulse * scale);
  }
}

void CharacterObj::UpdateRagdoll() {
  if (dampingTimer > 0 && --dampingTimer == 0 && ragdoll_.IsCreated()) ragdoll_.SetDamping(1.0f, 1.0f);
  if (ragdoll_.IsCreated()) {
    ragdoll_.Update();
    // The bones the ragdoll does not drive follow their parents.
    for (std::int32_t i = 0; i < ragdollBoneCount_; ++i) {
      SkinMeshEntity::Node* node = ragdollBones_[i].node;
      if (ragdollBones_[i].isRagdollBone || node->parent == nullptr) continue;
      node->world = node->local * node->parent->world;
    }
    skeleton_.ComputeSkinMatrices(true);
  }
  position = (BonePosition(kLeftFoot) + BonePosition(kRightFoot)) * 0.5f;
  drawPosition = BonePosition(kWaist);
  ApplyRagdollHits(kRagdollHitScale * kRagdollLaterHitRate * StepsPerSecond());
  RefreshShadows(ragdoll_.IsSettled());
  ClearHits();
}

void CharacterObj::RefreshShadows(bool still) {
  if (--shadows_[0].lastFrames >= 1) return;
  if (shadowCameraPosition == nullptr) return;
  const D3DXVECTOR3 toCamera = *shadowCameraPosition - drawPosition;
  const float distance = D3DXVec3Length(&toCamera);
  if (distance >= kShadowFarDistance) return;
  int frames = 2;
  if (distance > kShadowNearDistance) frames += 2;
  if (still) frames += isRagdoll ? 3 : 1;
  // Under the hips, whatever the body's pose.
  D3DXVECTOR3 centre(0.0f, 0.0f, 0.0f);
  for (Bone bone : {kWaist, kLeftHip, kRightHip}) {
    const D3DXMATRIX& world = GetBone(bone)->world;
    centre += D3DXVECTOR3(world._41, world._42, world._43);
  }
  centre /= 3.0f;
  for (ShadowProjector& shadow : shadows_) shadow.Project(frames, centre);
}

void CharacterObj::ClearHits() {
  heavyHit = false;
  hits[0].pending = false;
  hits[1].pending = false;
}
