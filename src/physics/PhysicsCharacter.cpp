// The capsule's life: creation with its two shapes, removal, and the switch
// between the standing and the crouching shape.

#include "physics/PhysicsCharacter.h"

#include "btBulletDynamicsCommon.h"
#include "effects/DebugDrawSystem.h"
#include "physics/PhysicsManager.h"
#include "physics/PhysicsMath.h"

namespace {

// Grows by one per capsule; staggers the periodic checks of characters.
int g_capsuleCounter = 0;

// A capsule must be taller than its diameter: otherwise the height becomes
// the mean of both and the radius just under half of that.
void CorrectCapsule(float* radius, float* height) {
  if (*height <= 2.0f * *radius) {
    *height = (*height + 2.0f * *radius) * 0.5f;
    *radius = *height * 0.5f * 0.99f;
  }
}

}  // namespace

PhysicsCharacter::~PhysicsCharacter() { Destroy(); }

bool PhysicsCharacter::Create(const D3DXVECTOR3& position, float mass, float radius, float height,
                              float crouchRadius, float crouchHeight, void* user) {
  Destroy();
  manager_ = GetPhysicsManager();
  if (manager_ == nullptr || !manager_->IsInitialized()) {
    manager_ = nullptr;
    return false;
  }
  CorrectCapsule(&radius, &height);
  CorrectCapsule(&crouchRadius, &crouchHeight);

  rayMask_ = 0xFFFF;
  radius_ = radius;
  height_ = height;
  mass_ = mass;
  crouchRadius_ = crouchRadius;
  crouchHeight_ = crouchHeight;
  position_ = position;
  bottomOffset_ = -height * 0.5f;
  smoothedPosition_ = position;
  bob_ = 0.0f;
  fallThreshold_ = 0.001f * (radius + height);
  riseThreshold_ = 0.01f * (radius + height);
  move_ = push_ = carry_ = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  resting_ = true;
  rising_ = falling_ = false;
  stepMaterial_ = 0;
  stepObject_ = nullptr;
  stepUp_ = 0.0f;
  groundMaterial_ = 0;
  grounded_ = hitCeiling_ = false;
  groundAngle_ = 0.0f;
  groundY_ = position.y;
  groundNormal_ = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
  lastGroundMaterial_ = 0;
  onGround_ = false;
  airborneFrames_ = stuckFrames_ = 0;
  pressDown_ = false;
  user_ = user;
  crouching_ = false;
  frameCounter_ = g_capsuleCounter++;
  groundProbeCount_ = 0;

  standShape_ = new btCapsuleShape(radius, height - 2.0f * radius);
  crouchShape_ = new btCapsuleShape(crouchRadius, crouchHeight - 2.0f * crouchRadius);
  standShape_->setUserPointer(&source_);
  crouchShape_->setUserPointer(&source_);
  source_.shape = standShape_;
  source_.mass = mass;
  source_.owner = this;

  btVector3 inertia(0.0f, 0.0f, 0.0f);
  standShape_->calculateLocalInertia(mass, inertia);
  source_.constructionInfo = new btRigidBody::btRigidBodyConstructionInfo(mass, nullptr, standShape_, inertia);
  btRigidBody::btRigidBodyConstructionInfo& info = *source_.constructionInfo;
  info.m_friction = 0.01f;
  info.m_restitution = 0.01f;
  info.m_linearDamping = 0.0f;
  info.m_angularDamping = 1.0f;
  info.m_linearSleepingThreshold = radius * 0.05f;
  info.m_angularSleepingThreshold = 1.0f;

  D3DXMATRIX start;
  D3DXMatrixTranslation(&start, position.x, position.y + height * 0.5f, position.z);
  if (!manager_->AddBody(start, &source_, &handle_)) {
    Destroy();
    return false;
  }
  handle_->user = user;
  body_ = handle_->body;
  // The character applies its own gravity through its displacement.
  body_->setGravity(btVector3(0.0f, 0.0f, 0.0f));
  return true;
}

void PhysicsCharacter::Destroy() {
  if (manager_ != nullptr && handle_ != nullptr) manager_->RemoveBody(handle_);
  handle_ = nullptr;
  body_ = nullptr;
  delete source_.constructionInfo;
  source_.constructionInfo = nullptr;
  source_.shape = nullptr;
  delete standShape_;
  delete crouchShape_;
  standShape_ = nullptr;
  crouchShape_ = nullptr;
  manager_ = nullptr;
}

void PhysicsCharacter::SwitchShape(bool crouching) {
  btTransform transform = body_->getWorldTransform();
  const btVector3 linearVelocity = body_->getLinearVelocity();
  const btVector3 angularVelocity = body_->getAngularVelocity();
  manager_->RemoveBody(handle_);
  body_ = nullptr;

  btCapsuleShape* shape = crouching ? crouchShape_ : standShape_;
  btVector3 inertia(0.0f, 0.0f, 0.0f);
  shape->calculateLocalInertia(mass_, inertia);
  source_.constructionInfo->m_collisionShape = shape;
  source_.constructionInfo->m_localInertia = inertia;
  source_.shape = shape;
  bottomOffset_ = -(crouching ? crouchHeight_ : height_) * 0.5f;
  // The centre moves by half the height difference so that the feet stay.
  const float shift = (height_ - crouchHeight_) * 0.5f;
  transform.getOrigin().setY(transform.getOrigin().y() + (crouching ? -shift : shift));
  crouching_ = crouching;

  if (!manager_->AddBody(ToD3dMatrix(transform), &source_, &handle_)) return;
  handle_->user = user_;
  body_ = handle_->body;
  body_->setGravity(btVector3(0.0f, 0.0f, 0.0f));
  body_->setLinearVelocity(linearVelocity);
  body_->setAngularVelocity(angularVelocity);
}

float PhysicsCharacter::PushMass(float otherMass) const {
  return mass_ <= otherMass ? mass_ : (mass_ + otherMass) * 0.5f;
}

void PhysicsCharacter::AddDebugLine(const D3DXVECTOR3& from, const D3DXVECTOR3& to, std::uint32_t color,
                                    int holdFrames) {
  DebugDrawSystem* target = manager_->GetDebugDraw().target;
  if (target != nullptr) target->AddLine(from, to, color, holdFrames, 0);
}
