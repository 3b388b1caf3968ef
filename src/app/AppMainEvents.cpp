// What happens when something hits something: kicks and weapon sweeps
// from the fighters, their throws and landings, and the contacts of the
// last physics step. All of it runs on the main thread between steps.

#include "app/AppMain.h"
#include "app/MatrixRows.h"

#include "BulletCollision/CollisionShapes/btCollisionShape.h"
#include "BulletCollision/NarrowPhaseCollision/btPersistentManifold.h"
#include "BulletDynamics/Dynamics/btRigidBody.h"
#include "physics/PhysicsMath.h"

namespace {

constexpr std::uint16_t kLevelMask = 0x100;

// The rigid body behind a collision object when it can move, else null.
btRigidBody* DynamicBody(const btCollisionObject* object) {
  const BodyHandle* handle = GetBodyHandle(object);
  if (handle == nullptr || handle->body == nullptr || handle->source == nullptr) return nullptr;
  if (handle->body->isStaticObject()) return nullptr;
  return handle->body;
}

float MassOf(const btRigidBody* body) {
  const float inverse = body->getInvMass();
  return inverse != 0.0f ? 1.0f / inverse : 0.0f;
}

// Pushes a body at a world point.
void PushAt(btRigidBody* body, const D3DXVECTOR3& point, const D3DXVECTOR3& impulse) {
  const btVector3 centre = body->getCenterOfMassPosition();
  const btVector3 relative(point.x - centre.x(), point.y - centre.y(), point.z - centre.z());
  body->activate(true);
  body->applyImpulse(btVector3(impulse.x, impulse.y, impulse.z), relative);
}

CharacterObj* CharacterOf(const btCollisionObject* object) {
  const BodyHandle* handle = GetBodyHandle(object);
  return handle != nullptr ? static_cast<CharacterObj*>(handle->user) : nullptr;
}

}  // namespace

bool AppMain::StrikeRay(const D3DXVECTOR3& end, const D3DXVECTOR3& start, CharacterBase* attacker) {
  D3DXVECTOR3 hit;
  const btCollisionObject* object = physics_.RayTestClosest(start, end, &hit, nullptr, nullptr, 0xFFFF);
  if (object == nullptr) return false;
  btRigidBody* body = DynamicBody(object);
  if (body == nullptr) return true;  // a wall stops the strike
  const PeBodySource* source = GetBodyHandle(object)->source;
  if (source->IsObject()) {
    PushAt(body, hit, (end - start) * (MassOf(body) * 500.0f + 1500.0f));
  } else if (source->IsCharacter()) {
    CharacterObj* struck = CharacterOf(object);
    if (struck == attacker) return false;  // the fighter's own capsule
    if (struck != nullptr) struck->Hit(0.4f, hit, (end - start) * 0.5f);
  } else if (source->IsRagdoll()) {
    if (CharacterObj* struck = CharacterOf(object)) struck->Hit(0.4f, hit, (end - start) * 0.5f);
  }
  return true;
}

void AppMain::SweepRay(const D3DXVECTOR3& end, const D3DXVECTOR3& start, CharacterBase* /*attacker*/) {
  sweepEnd_ = end;
  sweepStart_ = start;
  physics_.RayTestAll(start, end, this);
}

void AppMain::OnRayHit(const D3DXVECTOR3& point, const D3DXVECTOR4& /*normal*/,
                       const btCollisionWorld::LocalRayResult& result) {
  const btCollisionObject* object = result.m_collisionObject;
  btRigidBody* body = DynamicBody(object);
  if (body == nullptr) return;
  const D3DXVECTOR3 direction = sweepEnd_ - sweepStart_;
  const PeBodySource* source = GetBodyHandle(object)->source;
  if (source->IsObject()) {
    PushAt(body, point, direction * (MassOf(body) * 150.0f + 500.0f));
  } else if (source->IsCharacter()) {
    // A blade cuts the living; ragdolls are left alone.
    if (CharacterObj* struck = CharacterOf(object)) struck->Hit(2.0f, point, direction * 0.32f);
    SpillBlood(point, direction);
  }
}

void AppMain::ThrowObject(const D3DXMATRIX& hand, const D3DXVECTOR3& velocity, CharacterBase* thrower) {
  SceneProp* prop = SpawnProp(&propKinds_[kPropW], D3DXVECTOR3(0.0f, 0.0f, 0.0f));
  if (prop == nullptr) return;
  prop->thrown = true;
  btRigidBody* body = prop->handle->body;
  // The hand's rows carry the fighter's scale; a body's basis must not.
  D3DXMATRIX placement = hand;
  NormalizeRotationRows(&placement);
  // A fighter against a wall can reach into it, and a cabbage made there
  // would start inside the level (whose blocks have no floor to stop it):
  // it starts in front of the level between the fighter and the hand.
  const D3DXVECTOR3 reach(hand._41, hand._42, hand._43);
  const D3DXVECTOR3 from(thrower->GetPosition()->x, reach.y, thrower->GetPosition()->z);
  D3DXVECTOR3 wall;
  D3DXVECTOR4 normal;
  if (physics_.RayTestClosest(from, reach, &wall, &normal, nullptr, kLevelMask) != nullptr) {
    btVector3 centre;
    btScalar radius = 0.0f;
    body->getCollisionShape()->getBoundingSphere(centre, radius);
    const D3DXVECTOR3 start = wall + D3DXVECTOR3(normal.x, normal.y, normal.z) * radius;
    placement._41 = start.x;
    placement._42 = start.y;
    placement._43 = start.z;
  }
  body->setWorldTransform(ToBtTransform(placement));
  body->setLinearVelocity(btVector3(velocity.x, velocity.y, velocity.z) * 70.0f);
  // A lift off the hand that also sets the cabbage spinning.
  const D3DXVECTOR3 handPosition(hand._41, hand._42, hand._43);
  const D3DXVECTOR3 relative = (*thrower->GetPosition() - handPosition) * 0.05f;
  body->applyImpulse(btVector3(0.0f, 5.0f, 0.0f), btVector3(relative.x, relative.y, relative.z));

  auto* bomb = new Bomb();
  bomb->prop = prop;
  bomb->countdown = static_cast<std::int32_t>(5.0f * (1000.0f / GetFrameInterval()));
  bomb->lastPosition = D3DXVECTOR3(placement._41, placement._42, placement._43);
  bombs_.push_back(bomb);
}

void AppMain::PlayHitSound(const D3DXVECTOR3& position, float strength) {
  if (sound_ != nullptr) sound_->Play3D(scene_.hitSound, 1.0f, strength * 180.0f + 20.0f, position, 0.0f);
  AddDebugValue(position, strength, 0xFFFF0000u, 60, 60);
}

void AppMain::OnImpact(const btCollisionObject* a, const btCollisionObject* b, const D3DXVECTOR3& /*point*/,
                       float impulse, btPersistentManifold* /*manifold*/) {
  const BodyHandle* handleA = GetBodyHandle(a);
  const BodyHandle* handleB = GetBodyHandle(b);
  if (handleA == nullptr || handleB == nullptr || handleA->source == nullptr || handleB->source == nullptr) return;
  // Fighters count half: their capsules and limbs touch the ground all the time.
  const bool half = handleA->source->IsCharacter() || handleB->source->IsCharacter() ||
                    (handleA->source->IsRagdoll() && handleB->source->IsRagdoll());
  if (half) impulse *= 0.5f;

  for (const BodyHandle* handle : {handleA, handleB}) {
    const int state = handle->body->getActivationState();
    if (state == ISLAND_SLEEPING || state == DISABLE_SIMULATION) continue;
    if (handle->source->IsObject()) {
      if (handle->user != nullptr) static_cast<SceneProp*>(handle->user)->impact += impulse;
    } else if (handle->source->IsRagdoll()) {
      auto* character = static_cast<CharacterObj*>(handle->user);
      if (character != nullptr && impulse > character->hitPeak) {
        character->hitDamage += impulse - character->hitPeak;
        character->hitPeak += (impulse - character->hitPeak) * 0.7f;
      }
    }
  }
}
