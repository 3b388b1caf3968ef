// CharacterObj's motions: each one a short sequence of poses blended on the
// skeleton, with the strike probes of the kick, the swings and the throw.

#include "character/CharacterManager.h"
#include "character/CharacterObj.h"

namespace {

constexpr int kRunFrames = 6;

// First pose slot and entry blend rate of each motion.
struct MotionEntry {
  int firstPose;
  float rate;
  bool stopAtEnds;
};
const MotionEntry kMotionEntries[] = {
    {CharacterObj::kIdle1, 0.08f, false},     {CharacterObj::kRun1, 0.1f, false},
    {CharacterObj::kFlyPose, 0.05f, true},    {CharacterObj::kCrouchPose, 0.05f, true},
    {CharacterObj::kKick1, 0.075f, false},    {CharacterObj::kAttackV1, 0.05f, false},
    {CharacterObj::kAttackH1, 0.04f, false},  {CharacterObj::kThrow1, 0.04f, false},
};

// Rate of the second pose of kick, vertical and horizontal attack, throw.
float SecondStageRate(int motion) {
  switch (motion) {
    case CharacterObj::kAttackH: return 0.09f;
    case CharacterObj::kThrow: return 0.08f;
    default: return 0.1f;
  }
}

}  // namespace

void CharacterObj::Blend(int poseSlot) {
  // A pose the file lacks leaves the skeleton where it is.
  if (poses_[poseSlot] >= 0) skeleton_.BeginBlend(poses_[poseSlot]);
}

void CharacterObj::StartMotion() {
  blendCarry = 0.0f;
  stage = 0;
  stopAtEnds = false;
  if (motion < kIdle || motion > kThrow) motion = kIdle;
  const MotionEntry& entry = kMotionEntries[motion];
  blendRate = entry.rate;
  stopAtEnds = entry.stopAtEnds;
  if (motion == kCrouch) feetPlanted = true;
  if (motion == kRun) {
    if (direction == kBackwards) {
      blendRate = 0.07f;
      runFrame = runFrame - 1 < 0 ? kRunFrames - 1 : runFrame - 1;
    } else {
      runFrame = runFrame + 1 >= kRunFrames ? 0 : runFrame + 1;
    }
    stage = runFrame;
    Blend(kRun1 + runFrame);
    return;
  }
  Blend(entry.firstPose);
}

void CharacterObj::Enter(int newMotion) {
  motion = newMotion;
  StartMotion();
}

D3DXVECTOR3 CharacterObj::KickPoint() const {
  D3DXVECTOR3 foot = BonePosition(kLeftFoot);
  foot.y -= footRest_;
  return foot;
}

D3DXVECTOR3 CharacterObj::WeaponTip() const {
  const D3DXMATRIX tip = weaponTipAttachment_ * BoneWorld(kRightHand);
  return D3DXVECTOR3(tip._41, tip._42, tip._43);
}

void CharacterObj::ProbeStrikes() {
  if (owner == nullptr || stage != 1) return;
  const float t = skeleton_.GetBlendT();
  switch (motion) {
    case kKick: {
      const D3DXVECTOR3 foot = KickPoint();
      if (t > 0.5f) {
        // Reach a little ahead of the foot so a fast kick does not pass
        // through a body between two frames.
        const D3DXVECTOR3 probe = foot + (foot - lastProbePoint) * 0.6f;
        if (owner->KickProbe(probe, lastProbePoint, this)) Enter(kIdle);
      }
      lastProbePoint = foot;
      break;
    }
    case kAttackV:
    case kAttackH: {
      // The swing is tested as the tip's path since the last frame.
      const D3DXVECTOR3 tip = WeaponTip();
      owner->WeaponProbe(tip, lastProbePoint, this);
      lastProbePoint = tip;
      break;
    }
    case kThrow: {
      if (direction != kHolding || t <= 0.5f) break;
      const D3DXMATRIX hand = throwableAttachment_ * BoneWorld(kLeftHand);
      D3DXVECTOR3 dir(-0.3f * hand._11 - hand._21 + 0.5f * hand._31, -0.3f * hand._12 - hand._22 + 0.5f * hand._32,
                      -0.3f * hand._13 - hand._23 + 0.5f * hand._33);
      D3DXVec3Normalize(&dir, &dir);
      const D3DXVECTOR3 throwVelocity = dir * (scale_ * 0.4f);
      owner->Throw(hand, throwVelocity, this);
      direction = kThrown;  // the object has left the hand
      break;
    }
    default:
      break;
  }
}

void CharacterObj::StepAnimation() {
  if (!skeleton_.IsBlending()) return;
  ProbeStrikes();
  skeleton_.UpdateBlend(blendRate + blendCarry, stopAtEnds);
  blendCarry = skeleton_.GetBlendT();
  if (blendCarry < 1.0f) {
    blendCarry = 0.0f;
    return;
  }
  ++stage;
  blendCarry -= 1.0f;
  if (motion != kCrouch) feetPlanted = false;
  AdvanceStage();
}

void CharacterObj::AdvanceStage() {
  switch (motion) {
    case kIdle:
      if (stage > 1) stage = 0;
      Blend(kIdle1 + stage);
      blendRate = 0.015f;
      break;
    case kRun:
      if (direction == kBackwards) {
        stage -= 2;
        if (stage < 0) stage = kRunFrames - 1;
      } else if (stage >= kRunFrames) {
        stage = 0;
      }
      Blend(kRun1 + stage);
      runFrame = stage;
      break;
    case kKick:
    case kAttackV:
    case kAttackH:
    case kThrow:
      if (stage < 2) {
        Blend(kMotionEntries[motion].firstPose + 1);
        blendRate = SecondStageRate(motion);
        if (motion == kKick) lastProbePoint = KickPoint();
        if (motion == kAttackV || motion == kAttackH) lastProbePoint = WeaponTip();
      } else {
        Enter(kIdle);
      }
      break;
    default:
      // Fly and crouch hold their single pose.
      break;
  }
}
