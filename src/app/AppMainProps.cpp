// The game step's reactions: fighters groaning under heavy hits, bombs
// counting down and exploding, props following their bodies and knocking,
// and the props and fighters the keys create in front of the camera.

#include <cmath>

#include "app/AppMain.h"
#include "app/MatrixRows.h"
#include "BulletCollision/CollisionShapes/btCollisionShape.h"
#include "BulletDynamics/Dynamics/btRigidBody.h"
#include "physics/PhysicsMath.h"
#include "platform/win32/CrtRandom.h"

namespace {

// The map's collision groups: what blocks a blast's line of sight.
constexpr std::uint16_t kMapMask = 0x300;
constexpr float kBombRadius = 38.0f;
constexpr float kThrowSpeed = 150.0f;
constexpr float kSpawnDistance = 40.0f;

D3DXVECTOR3 Unit(const D3DXVECTOR3& v) {
  D3DXVECTOR3 out;
  D3DXVec3Normalize(&out, &v);
  return out;
}

float Distance(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
  const D3DXVECTOR3 d = a - b;
  return D3DXVec3Length(&d);
}

D3DXVECTOR3 NodePosition(const SkinMeshEntity::Node* node) {
  return node != nullptr ? D3DXVECTOR3(node->world._41, node->world._42, node->world._43)
                         : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
}

}  // namespace

void AppMain::UpdateHitReactions() {
  for (CharacterObj* character : characters_) {
    if (character->reactionTick % 2 == 0 && character->hitDamage > 150.0f) {
      if (sound_ != nullptr) {
        sound_->Play3D(scene_.hitSound, 1.0f, character->hitDamage * 0.5f + 30.0f, character->position, 0.0f);
      }
      AddDebugMark(character->position, character->hitDamage * 0.5f + 30.0f, character->hitDamage);
      character->hitDamage = 0.0f;
    }
    character->hitDamage *= 0.8f;
    character->hitPeak *= 0.9f;
    character->reactionTick += 1;
  }
}

void AppMain::UpdateBombs() {
  for (int i = static_cast<int>(bombs_.size()) - 1; i >= 0; --i) {
    Bomb* bomb = bombs_[static_cast<std::size_t>(i)];
    btRigidBody* body = bomb->prop->handle->body;
    D3DXVECTOR3 current = ToD3dVector3(body->getWorldTransform().getOrigin());
    // A fast bomb that went through the map last step is pulled back in
    // front of the wall.
    if (physics_.RayTestAny(bomb->lastPosition, current, kMapMask)) {
      current = bomb->lastPosition + (current - bomb->lastPosition) * 0.2f;
      btTransform transform = body->getWorldTransform();
      transform.setOrigin(ToBtVector3(current));
      body->setWorldTransform(transform);
    }
    bomb->lastPosition = current;
    if (--bomb->countdown > 0) continue;

    RemoveProp(bomb->prop);
    delete bomb;
    bombs_.erase(bombs_.begin() + i);
    Explode(current, kBombRadius);
  }
}

void AppMain::Explode(const D3DXVECTOR3& position, float radius) {
  // The fireball, the smoke that lingers, soot, and a burst towards the camera.
  const D3DXVECTOR3 still(0.0f, 0.0f, 0.0f);
  effects_.SpawnSmoke(position, 15.0f, 0.0f, still, D3DXCOLOR(1.0f, 1.0f, 1.0f, 0.9f), true, 0.0f);
  for (int i = 0; i < 8; ++i) {
    effects_.SpawnSmoke(position, 30.0f, 0.45f, D3DXVECTOR3(0.0f, 0.225f, 0.0f), D3DXCOLOR(0.8f, 0.8f, 0.8f, 0.4f),
                        false, 5.0f);
  }
  for (int i = 0; i < 4; ++i) {
    effects_.SpawnSmoke(position, 25.0f, 0.25f, D3DXVECTOR3(0.0f, 0.125f, 0.0f), D3DXCOLOR(0.1f, 0.1f, 0.1f, 0.4f),
                        false, 2.0f);
  }
  const D3DXVECTOR3 towardsEye = Unit(GetCamera().eye - position);
  effects_.SpawnSmoke(position + towardsEye * 3.5f, 13.0f, 0.0f, towardsEye * 0.4f, D3DXCOLOR(1.0f, 1.0f, 1.0f, 0.5f),
                      true, 0.0f);

  if (sound_ != nullptr) sound_->Play3D(scene_.explosionSound, 1.0f, radius * 10.0f, position, 0.0f);
  effects_.TriggerFlash(position, radius * 5.0f, 2.0f);

  // Fighters are thrown by the chest first, then by the knees.
  for (CharacterObj* character : characters_) {
    const D3DXVECTOR3 knees = (NodePosition(character->GetBone(CharacterObj::kLeftKnee)) +
                               NodePosition(character->GetBone(CharacterObj::kRightKnee))) * 0.5f;
    const struct {
      D3DXVECTOR3 point;
      float factor;
    } targets[2] = {{NodePosition(character->GetBone(CharacterObj::kChest)), 2.0f}, {knees, 1.5f}};
    for (const auto& target : targets) {
      const float distance = Distance(target.point, position);
      if (!(distance < radius) || physics_.RayTestAny(position, target.point, kMapMask)) continue;
      const D3DXVECTOR3 away = Unit(target.point - position);
      character->Hit(target.factor * (radius - distance) / radius, target.point, away * ((radius - distance) * 0.1f));
      const int drops = static_cast<int>((radius - distance) * 12.0f);
      for (int i = 0; i < drops; ++i) {
        effects_.SpawnFluid(target.point + EffectManager::RandomDirection() * 2.0f, 0.3f,
                            away * ((radius - distance) * 0.06f), 0.6f);
      }
    }
  }

  for (SceneProp* prop : props_) {
    btRigidBody* body = prop->handle->body;
    const D3DXVECTOR3 point = ToD3dVector3(body->getWorldTransform().getOrigin());
    const float distance = Distance(point, position);
    if (!(distance < radius) || body->getInvMass() == 0.0f || physics_.RayTestAny(position, point, kMapMask)) {
      continue;
    }
    const float mass = 1.0f / body->getInvMass();
    const D3DXVECTOR3 impulse = Unit(point - position) * ((radius - distance) * (mass * 0.6f + 1.6f));
    // Pushed a little above the centre, so the blast also tips it over.
    body->applyImpulse(ToBtVector3(impulse), btVector3(0.0f, prop->kind->size * 0.3f, 0.0f));
    body->activate(true);
  }
}

void AppMain::UpdatePropShadow(SceneProp* prop) {
  if (--prop->shadowCountdown > 0) return;
  const btRigidBody* body = prop->handle->body;
  const D3DXVECTOR3 position = ToD3dVector3(body->getWorldTransform().getOrigin());
  const float distance = Distance(position, GetCamera().eye);
  if (!(distance < 500.0f)) return;
  // Far and resting props refresh their shadows less often.
  const int state = body->getActivationState();
  const bool asleep = state == ISLAND_SLEEPING || state == DISABLE_SIMULATION;
  const std::int32_t frames = 1 + (distance > 200.0f ? 2 : 0) + (asleep ? 3 : 0);
  prop->shadow.Project(frames, position);
  prop->shadowCountdown = frames;
}

void AppMain::UpdateProps() {
  for (SceneProp* prop : props_) {
    const btRigidBody* body = prop->handle->body;
    prop->matrix = ToD3dMatrix(body->getWorldTransform());
    if (prop->thrown) {
      // Drawn half a step ahead in its first frame, so it leaves the hand
      // instead of appearing behind it.
      prop->thrown = false;
      NormalizeRotationRows(&prop->matrix);
      const D3DXVECTOR3 ahead = ToD3dVector3(body->getLinearVelocity()) * (physics_.GetTimeStep() * 0.5f);
      prop->matrix._41 += ahead.x;
      prop->matrix._42 += ahead.y;
      prop->matrix._43 += ahead.z;
    }
    for (int row = 0; row < 3; ++row) {
      for (int column = 0; column < 3; ++column) prop->matrix.m[row][column] *= prop->kind->scale;
    }
    if (prop->kind->castsShadow) UpdatePropShadow(prop);

    if (prop->tick % 3 == 0 && prop->impact > prop->kind->impactThreshold) {
      const D3DXVECTOR3 position(prop->matrix._41, prop->matrix._42, prop->matrix._43);
      if (sound_ != nullptr) sound_->Play3D(scene_.impactSound, 1.0f, prop->impact * 0.3f + 25.0f, position, 0.0f);
      AddDebugMark(position, prop->impact * 0.3f + 25.0f, prop->impact);
      // The next knock must first overcome a negative start.
      prop->impact = prop->kind->impactThreshold * -2.0f;
    }
    prop->impact *= 0.8f;
    prop->tick += 1;
  }
}

void AppMain::SpawnFromKeys() {
  // One prop per frame; W wins, then E, R and Q.
  static const struct {
    int key;
    int kind;
  } kBindings[] = {{'W', kPropW}, {'E', kPropE}, {'R', kPropR}, {'Q', kPropQ}};
  const CameraView& camera = GetCamera();
  for (const auto& binding : kBindings) {
    if (!IsKeyPressed(binding.key)) continue;
    if (SceneProp* prop = SpawnProp(&propKinds_[binding.kind], camera.eye)) {
      btRigidBody* body = prop->handle->body;
      body->setLinearVelocity(ToBtVector3(camera.viewDirection * kThrowSpeed));
      // The follow camera may rest just in front of a wall; a prop centred
      // on the eye would start in the wall and could end up inside the
      // level. It starts its own size ahead, on the clear path to the player.
      btVector3 centre;
      btScalar radius = 0.0f;
      body->getCollisionShape()->getBoundingSphere(centre, radius);
      btTransform start = body->getWorldTransform();
      start.setOrigin(ToBtVector3(camera.eye + camera.viewDirection * radius));
      body->setWorldTransform(start);
    }
    break;
  }
  if (IsKeyPressed('T')) {
    const float yaw = static_cast<float>(crt::rand()) / 32767.0f * 6.2831855f;
    SpawnCharacter(camera.eye + camera.viewDirection * kSpawnDistance, yaw, 3.0f);
  }
}
