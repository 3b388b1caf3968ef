// The capsule's displacement for one step: the crouch switch, riding, the
// press towards the ground, the anti-tunnelling ray, step climbing and
// sliding, turned into the body's velocity.

#include <cmath>

#include "btBulletDynamicsCommon.h"
#include "physics/PhysicsCharacter.h"
#include "physics/PhysicsManager.h"
#include "physics/PhysicsMath.h"

void PhysicsCharacter::Move(const D3DXVECTOR3& displacement, bool crouching, bool running) {
  if (body_ == nullptr) return;
  if (crouching != crouching_) {
    SwitchShape(crouching);
    if (body_ == nullptr) return;
  }
  move_ = displacement + carry_;
  carry_ = D3DXVECTOR3(0.0f, 0.0f, 0.0f);

  rising_ = displacement.y > riseThreshold_;
  falling_ = displacement.y < -fallThreshold_;
  if (!falling_ && pressDown_) move_.y -= 2.0f * fallThreshold_;
  pressDown_ = false;
  stepMaterial_ = 0;

  const float length = D3DXVec3Length(&move_);
  if (length < fallThreshold_ && !running) {
    resting_ = true;
  } else {
    resting_ = false;
    body_->activate();
    if ((length > riseThreshold_ || running) && length > radius_) PreventTunnelling();
    if (!rising_) ClimbStep();
    if (grounded_ && !rising_ && stepMaterial_ == 0) {
      // Along the ground: a slope adds its own descent once more.
      const D3DXVECTOR3 along = move_ - groundNormal_ * D3DXVec3Dot(&move_, &groundNormal_);
      move_.y += 2.0f * along.y;
    }
  }
  body_->setLinearVelocity(ToBtVector3(move_ * manager_->GetStepsPerSecond()));
}

void PhysicsCharacter::PreventTunnelling() {
  // A step longer than the radius could carry the capsule through a thin
  // wall; stop it just short of whatever the centre's path meets.
  const D3DXVECTOR3 centre = ToD3dVector3(body_->getWorldTransform().getOrigin());
  const D3DXVECTOR3 end = centre + move_;
  D3DXVECTOR3 hitPoint;
  if (manager_->RayTestClosest(centre, end, &hitPoint, nullptr, nullptr, rayMask_) != nullptr) {
    move_ = (hitPoint - centre) * 0.95f;
  }
  AddDebugLine(centre, end, 0xFFFF00FFu, static_cast<int>(manager_->GetStepsPerSecond()));
}

void PhysicsCharacter::ClimbStep() {
  D3DXVECTOR3 direction(move_.x, 0.0f, move_.z);
  const float horizontal = D3DXVec3Length(&direction);
  if (horizontal <= 0.0f) return;
  direction /= horizontal;

  // Free at knee height but something below the feet ahead: a step.
  const D3DXVECTOR3 knee = position_ + D3DXVECTOR3(0.0f, 0.2f * height_, 0.0f);
  const D3DXVECTOR3 ahead = knee + direction * (radius_ * 1.3f);
  AddDebugLine(knee, ahead, 0xFF00FFFFu, 1);
  if (manager_->RayTestAny(knee, ahead, rayMask_)) return;

  const D3DXVECTOR3 below(ahead.x, position_.y, ahead.z);
  D3DXVECTOR3 hitPoint;
  D3DXVECTOR4 hitNormal;
  int material = 0;
  const btCollisionObject* object = manager_->RayTestClosest(ahead, below, &hitPoint, &hitNormal, &material, rayMask_);
  bool found = false;
  if (object != nullptr) {
    const float slope = std::acos(std::fmax(-1.0f, std::fmin(1.0f, hitNormal.y)));
    if (slope <= kMaxGroundAngle) {
      found = true;
      stepMaterial_ = material;
      stepObject_ = object;
      stepPoint_ = hitPoint;
      // A share of the step's height per step: 0.3 on flat ground down to
      // 0.1 at the steepest walkable slope.
      stepUp_ = (hitPoint.y - position_.y) * ((1.0f - slope * kInverseMaxGroundAngle) * 0.2f + 0.1f);
      move_.y += stepUp_;
    }
  }
  AddDebugLine(ahead, below, found ? 0xFFFFFFFFu : 0xFF00FFFFu, 1);
}
