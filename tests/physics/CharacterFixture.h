#pragma once
// Worlds of static boxes (ground, ramps, steps, platforms) for the character
// capsule, and a walker that drives the capsule the way a character does:
// its own gravity and ground friction per step, the capsule's push fed back
// into its velocity, running adding speed along a direction.

#include "btBulletDynamicsCommon.h"
#include "physics/PhysicsCharacter.h"
#include "physics/PhysicsFixture.h"

namespace physics_test {

// A character of scale 1.
constexpr float kCharacterMass = 18.0f;
constexpr float kCharacterRadius = 1.5f;
constexpr float kCharacterHeight = 7.5f;
constexpr float kCrouchHeight = 5.625f;

struct Walker {
  explicit Walker(PhysicsCharacter* capsule) : capsule(capsule) {}

  // One character frame: Update, the character's own motion, Move.
  void Frame(const D3DXVECTOR3& runDirection = D3DXVECTOR3(0, 0, 0), bool crouch = false, bool jump = false) {
    capsule->Update(&landing);
    velocity += capsule->GetPush() * 1.5f;
    if (!onGround) {
      if (capsule->IsOnGround()) {
        velocity.y = 0.0f;
        onGround = true;
      }
    } else if (!capsule->IsOnGround()) {
      onGround = false;
    }
    if (capsule->HitCeiling() && velocity.y > 0.0f) velocity.y *= -0.2f;
    bool jumped = false;
    if (onGround && jump) {
      onGround = false;
      jumped = true;
      velocity.y = velocity.y * 0.25f + 0.32f;
    }
    const bool running = runDirection != D3DXVECTOR3(0, 0, 0);
    velocity += runDirection * (0.1f * 1.8f / 3.0f);
    velocity *= 0.99f;
    if (!onGround || jumped) {
      velocity.y -= 0.035f;
    } else {
      velocity *= 0.75757575f;
    }
    capsule->Move(velocity, crouch, running);
  }

  PhysicsCharacter* capsule;
  D3DXVECTOR3 velocity;
  bool onGround = false;
  float landing = 0.0f;
};

class CharacterTest : public PhysicsTest {
 protected:
  void SetUp() override {
    PhysicsTest::SetUp();
    SetPhysicsManager(&physics);
  }
  void TearDown() override {
    physics.FinishStep();
    capsule.Destroy();
    other.Destroy();
    SetPhysicsManager(nullptr);
    PhysicsTest::TearDown();
  }

  // A static box whose top face is centred at (x, top, z), turned by angle
  // about z (positive angles raise +x).
  BodyHandle* StaticBox(float x, float top, float z, float halfX, float halfY, float halfZ, float angle = 0.0f) {
    PeBodySource* source = nullptr;
    EXPECT_TRUE(physics.CreateBox(&source, 0.0f, 0.0f, 1.0f, halfX, halfY, halfZ));
    Keep(source);
    D3DXMATRIX rotation;
    D3DXMatrixRotationZ(&rotation, angle);
    // The box centre lies halfY below the top face along the face normal.
    const D3DXVECTOR3 normal(-std::sin(angle), std::cos(angle), 0.0f);
    const D3DXVECTOR3 centre = D3DXVECTOR3(x, top, z) - normal * halfY;
    rotation._41 = centre.x;
    rotation._42 = centre.y;
    rotation._43 = centre.z;
    return Add(source, rotation);
  }
  // Flat ground with its top at y = 0.
  BodyHandle* FlatGround() { return StaticBox(0.0f, 0.0f, 0.0f, 200.0f, 1.0f, 200.0f); }

  bool CreateCapsule(PhysicsCharacter* target, float x, float y, float z) {
    return target->Create(D3DXVECTOR3(x, y, z), kCharacterMass, kCharacterRadius, kCharacterHeight,
                          kCharacterRadius, kCrouchHeight, this);
  }

  // Character frames, each followed by one physics step.
  void Run(Walker& walker, int frames, const D3DXVECTOR3& direction = D3DXVECTOR3(0, 0, 0), bool crouch = false) {
    for (int i = 0; i < frames; ++i) {
      walker.Frame(direction, crouch);
      Step();
    }
  }

  PhysicsCharacter capsule;
  PhysicsCharacter other;
};

}  // namespace physics_test
