// The capsule's frame start: what the last step did, the ground below, the
// ceiling above, riding and pushing dynamic bodies, and the ground state the
// character reads.

#include <algorithm>
#include <cmath>

#include "btBulletDynamicsCommon.h"
#include "physics/PhysicsCharacter.h"
#include "physics/PhysicsManager.h"
#include "physics/PhysicsMath.h"

namespace {

const D3DXVECTOR3 kUp(0.0f, 1.0f, 0.0f);

// A body that moves: the ground it is can be ridden and pushed.
btRigidBody* DynamicBody(const btCollisionObject* object) {
  btRigidBody* body = btRigidBody::upcast(const_cast<btCollisionObject*>(object));
  if (body == nullptr || (body->getCollisionFlags() & btCollisionObject::CF_STATIC_OBJECT) != 0 ||
      body->getInvMass() <= 0.0f) {
    return nullptr;
  }
  return body;
}

float SlopeOf(float normalY) { return std::acos(std::max(-1.0f, std::min(1.0f, normalY))); }

}  // namespace

void PhysicsCharacter::Update(float* landingStrength) {
  if (landingStrength != nullptr) *landingStrength = 0.0f;
  if (body_ == nullptr) return;
  ++frameCounter_;
  const bool wasGrounded = grounded_;

  // Upright whatever the contacts did to it.
  const btVector3 origin = body_->getWorldTransform().getOrigin();
  body_->setCenterOfMassTransform(btTransform(btMatrix3x3::getIdentity(), origin));

  push_ = ToD3dVector3(body_->getLinearVelocity()) * manager_->GetTimeStep() - move_;
  push_.y *= 0.5f;
  body_->clearForces();

  const float previousY = position_.y;
  position_ = ToD3dVector3(origin) + D3DXVECTOR3(0.0f, bottomOffset_, 0.0f);
  const float dy = position_.y - previousY;

  // A resting character looks at the ground every eighth frame only; the
  // counters differ between characters, so their probes fall on different frames.
  if (!resting_ || frameCounter_ % 8 == 0) ProbeGround(wasGrounded, dy);
  bool groundedByStep = false;
  if (!grounded_) groundedByStep = GroundWithoutProbe(wasGrounded, dy);

  if (grounded_) {
    float k = groundAngle_ * kInverseMaxGroundAngle * 0.25f + 0.15f;
    if (groundedByStep) k *= 0.5f;
    push_.y += (groundY_ - position_.y) * k;
  }
  smoothedPosition_ = position_ + D3DXVECTOR3(0.0f, bob_, 0.0f);
  UpdateOnGround();

  if (landingStrength != nullptr && !wasGrounded && grounded_) {
    *landingStrength = -D3DXVec3Dot(&move_, &groundNormal_);
  }
}

void PhysicsCharacter::ProbeGround(bool wasGrounded, float dy) {
  ++groundProbeCount_;
  if (rising_) {
    grounded_ = false;
    groundMaterial_ = 0;
    bob_ += (0.0f - bob_) * 0.25f;
  } else {
    const D3DXVECTOR3 start = position_ + D3DXVECTOR3(0.0f, 0.5f * radius_, 0.0f);
    const D3DXVECTOR3 end = position_ - D3DXVECTOR3(0.0f, 2.0f * radius_, 0.0f);
    D3DXVECTOR3 hitPoint;
    D3DXVECTOR4 hitNormal;
    int material = 0;
    const btCollisionObject* object =
        manager_->RayTestClosest(start, end, &hitPoint, &hitNormal, &material, rayMask_);
    bool found = false;
    if (object != nullptr) {
      float angle = SlopeOf(hitNormal.y);
      if (angle <= kMaxGroundAngle) {
        // On a slope the capsule's round bottom touches above the point
        // straight below its axis.
        const float gap = hitNormal.y > 0.0f ? radius_ / hitNormal.y - radius_ : 0.0f;
        float candidateY = gap + hitPoint.y;
        if (wasGrounded) {
          angle = groundAngle_ + 0.2f * (angle - groundAngle_);
          candidateY = groundY_ + 0.2f * (candidateY - groundY_);
        }
        if (position_.y < candidateY + 0.5f * radius_) {
          found = true;
          grounded_ = true;
          groundMaterial_ = material;
          bob_ += (-0.5f * gap - bob_) * 0.25f;
          groundNormal_ = D3DXVECTOR3(hitNormal.x, hitNormal.y, hitNormal.z);
          groundAngle_ = angle;
          groundY_ = candidateY;
          TouchDynamicGround(object, hitPoint, groundNormal_, wasGrounded);
        }
      }
    }
    AddDebugLine(start, end, found ? 0xFFFF7F00u : 0xFFFFFF00u, 1);
    if (!found) {
      grounded_ = false;
      groundMaterial_ = 0;
      bob_ += (0.0f - bob_) * 0.25f;
    }
  }
  hitCeiling_ = dy > 0.0f && manager_->RayTestAny(position_ + D3DXVECTOR3(0.0f, 0.9f * height_, 0.0f),
                                                   position_ + D3DXVECTOR3(0.0f, 1.05f * height_, 0.0f), rayMask_);
}

void PhysicsCharacter::TouchDynamicGround(const btCollisionObject* object, const D3DXVECTOR3& hitPoint,
                                          const D3DXVECTOR3& hitNormal, bool wasGrounded) {
  btRigidBody* ground = DynamicBody(object);
  if (ground == nullptr) return;
  const float groundMass = 1.0f / ground->getInvMass();
  const btVector3 relative = ToBtVector3(hitPoint) - ground->getWorldTransform().getOrigin();
  const float stepsPerSecond = manager_->GetStepsPerSecond();
  if (!wasGrounded) {
    // Landing on it pushes it down and along.
    const D3DXVECTOR3 impulse = (hitNormal * (D3DXVec3Dot(&move_, &hitNormal) * 0.35f) + move_ * 0.15f) *
                                PushMass(groundMass) * stepsPerSecond;
    ground->activate();
    ground->applyImpulse(ToBtVector3(impulse), relative);
    return;
  }
  // Standing on it: ride along with part of its motion, and push it back
  // against the walk.
  const D3DXVECTOR3 velocity = ToD3dVector3(ground->getVelocityInLocalPoint(relative));
  carry_ += velocity * manager_->GetTimeStep() * 0.6f;
  if (!resting_) {
    const D3DXVECTOR3 target = move_ * (-0.6f * stepsPerSecond);
    D3DXVECTOR3 change = target - velocity;
    change.y = 0.0f;
    ground->activate();
    ground->applyImpulse(ToBtVector3(change * (0.2f * std::min(mass_, groundMass))), relative);
  }
}

bool PhysicsCharacter::GroundWithoutProbe(bool wasGrounded, float dy) {
  if (stepMaterial_ != 0) {
    // Move found a step last frame: stand on it.
    grounded_ = true;
    groundMaterial_ = stepMaterial_;
    bob_ += (0.0f - bob_) * 0.25f;
    groundAngle_ *= 0.8f;
    groundY_ = position_.y;
    groundNormal_ = kUp;
    btRigidBody* step = DynamicBody(stepObject_);
    if (step != nullptr && !wasGrounded) {
      const float m = PushMass(1.0f / step->getInvMass());
      step->activate();
      step->applyImpulse(btVector3(0.0f, manager_->GetStepsPerSecond() * m * -stepUp_ * 0.5f, 0.0f),
                         ToBtVector3(stepPoint_) - step->getWorldTransform().getOrigin());
    }
    return true;
  }
  // Falling without falling: wedged somewhere. From the fifth such frame
  // the character counts as standing.
  if ((falling_ || (onGround_ && !rising_)) && dy > -0.5f * fallThreshold_) {
    if (++stuckFrames_ >= 5) {
      grounded_ = true;
      groundMaterial_ = lastGroundMaterial_ != 0 ? lastGroundMaterial_ : kMaterialUniv;
      bob_ += (0.0f - bob_) * 0.25f;
      pressDown_ = true;
      groundAngle_ = 0.0f;
      groundY_ = position_.y;
      groundNormal_ = kUp;
    }
  } else {
    stuckFrames_ = 0;
  }
  return false;
}

void PhysicsCharacter::UpdateOnGround() {
  if (rising_) {
    onGround_ = false;
    lastGroundMaterial_ = 0;
  }
  if (grounded_) {
    onGround_ = true;
    lastGroundMaterial_ = groundMaterial_;
    airborneFrames_ = 0;
  } else if (onGround_) {
    // A few frames of grace after an edge: the character may still jump.
    if (++airborneFrames_ <= kGraceFrames) {
      pressDown_ = true;
    } else {
      onGround_ = false;
      lastGroundMaterial_ = 0;
    }
  }
}
