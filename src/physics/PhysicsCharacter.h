#pragma once
// A living character's body in the world: an upright capsule without world
// gravity, moved by the displacement the character decides each step. It
// finds the ground below with rays, climbs small steps, slides on slopes,
// rides on and pushes moving bodies, switches between a standing and a
// crouching capsule with the feet kept in place, and reports landings.
// Everything runs on the main thread while no step is in flight; the world
// advances the capsule during the step.

#include <cstdint>

#include "LinearMath/btScalar.h"  // PeBodySource.h needs it first
#include "physics/PeBodySource.h"
#include "platform/d3dx9/D3dxMath.h"

class PhysicsManager;
class btCapsuleShape;
class btCollisionObject;
class btRigidBody;
struct BodyHandle;

class PhysicsCharacter {
 public:
  // The capsule's embedded source: a body found by a ray or a contact is a
  // character when its source says so.
  class BodySource : public PeBodySource {
   public:
    BodySource() : PeBodySource(kKindCapsule, kMaterialSpecial, kGroupCharacter, kMaskAll, 0.0f) {}
    bool IsObject() const override { return false; }
    bool IsCharacter() const override { return true; }
  };

  // Slope limit of walkable ground (55 degrees) and its inverse.
  static constexpr float kMaxGroundAngle = 0.9599311f;
  static constexpr float kInverseMaxGroundAngle = 1.0417415f;
  // Frames a character still counts as on the ground after leaving it.
  static constexpr int kGraceFrames = 6;

  PhysicsCharacter() = default;
  virtual ~PhysicsCharacter();
  PhysicsCharacter(const PhysicsCharacter&) = delete;
  PhysicsCharacter& operator=(const PhysicsCharacter&) = delete;

  // Adds the standing capsule with its feet at position. A height not above
  // the diameter is corrected (the same for the crouching pair). False when
  // there is no manager or the body is not added; nothing is left behind.
  bool Create(const D3DXVECTOR3& position, float mass, float radius, float height, float crouchRadius,
              float crouchHeight, void* user);
  void Destroy();
  bool IsCreated() const { return handle_ != nullptr; }

  // First in each character frame: reads back what the last step did,
  // probes the ground and the ceiling and updates the ground state. The
  // landing strength (may be null) is nonzero in the frame of a landing.
  void Update(float* landingStrength);
  // After the character has decided its displacement for this step: makes
  // it the capsule's velocity, with step climbing, sliding and the
  // anti-tunnelling ray.
  void Move(const D3DXVECTOR3& displacement, bool crouching, bool running);

  // The feet: the bottom of the active capsule.
  const D3DXVECTOR3& GetPosition() const { return position_; }
  // The feet with the vertical smoothing; what the character stands at.
  const D3DXVECTOR3& GetSmoothedPosition() const { return smoothedPosition_; }
  // Realised minus requested displacement of the last step (y halved), plus
  // the pull towards the ground height while grounded.
  const D3DXVECTOR3& GetPush() const { return push_; }
  const D3DXVECTOR3& GetMove() const { return move_; }
  bool IsOnGround() const { return onGround_; }
  bool IsGrounded() const { return grounded_; }
  bool IsResting() const { return resting_; }
  bool HitCeiling() const { return hitCeiling_; }
  bool IsCrouching() const { return crouching_; }
  int GetGroundMaterial() const { return groundMaterial_; }
  int GetLastGroundMaterial() const { return lastGroundMaterial_; }
  int GetStepMaterial() const { return stepMaterial_; }
  float GetGroundAngle() const { return groundAngle_; }
  const D3DXVECTOR3& GetGroundNormal() const { return groundNormal_; }
  float GetRadius() const { return radius_; }
  float GetHeight() const { return height_; }
  float GetCrouchRadius() const { return crouchRadius_; }
  float GetCrouchHeight() const { return crouchHeight_; }
  float GetFallThreshold() const { return fallThreshold_; }
  int GetFrameCounter() const { return frameCounter_; }
  // How many ground probes have run; the resting stagger is seen through it.
  int GetGroundProbeCount() const { return groundProbeCount_; }
  BodyHandle* GetHandle() const { return handle_; }
  btRigidBody* GetBody() const { return body_; }

  // The owning character (set by it after creation).
  void* character = nullptr;

 private:
  // Update's parts.
  void ProbeGround(bool wasGrounded, float dy);
  void TouchDynamicGround(const btCollisionObject* object, const D3DXVECTOR3& hitPoint,
                          const D3DXVECTOR3& hitNormal, bool wasGrounded);
  // Grounding by a step found by Move or by being stuck; true for a step.
  bool GroundWithoutProbe(bool wasGrounded, float dy);
  void UpdateOnGround();
  // Move's parts.
  void SwitchShape(bool crouching);
  void PreventTunnelling();
  void ClimbStep();
  // The mass that meets a body of the given mass in a push.
  float PushMass(float otherMass) const;
  // A probe ray for the debug view, while the world has a debug target.
  void AddDebugLine(const D3DXVECTOR3& from, const D3DXVECTOR3& to, std::uint32_t color, int holdFrames);

  PhysicsManager* manager_ = nullptr;
  std::uint16_t rayMask_ = 0xFFFF;
  float radius_ = 0.0f;
  float height_ = 0.0f;
  float mass_ = 0.0f;
  float crouchRadius_ = 0.0f;
  float crouchHeight_ = 0.0f;
  D3DXVECTOR3 position_;
  float bottomOffset_ = 0.0f;
  D3DXVECTOR3 smoothedPosition_;
  float bob_ = 0.0f;
  float fallThreshold_ = 0.0f;
  float riseThreshold_ = 0.0f;
  D3DXVECTOR3 move_;
  D3DXVECTOR3 push_;
  D3DXVECTOR3 carry_;
  bool resting_ = true;
  bool rising_ = false;
  bool falling_ = false;
  int stepMaterial_ = 0;
  const btCollisionObject* stepObject_ = nullptr;
  D3DXVECTOR3 stepPoint_;
  float stepUp_ = 0.0f;
  int groundMaterial_ = 0;
  bool grounded_ = false;
  bool hitCeiling_ = false;
  float groundAngle_ = 0.0f;
  float groundY_ = 0.0f;
  D3DXVECTOR3 groundNormal_{0.0f, 1.0f, 0.0f};
  int lastGroundMaterial_ = 0;
  bool onGround_ = false;
  int airborneFrames_ = 0;
  int stuckFrames_ = 0;
  bool pressDown_ = false;
  BodyHandle* handle_ = nullptr;
  btRigidBody* body_ = nullptr;
  void* user_ = nullptr;
  btCapsuleShape* standShape_ = nullptr;
  btCapsuleShape* crouchShape_ = nullptr;
  bool crouching_ = false;
  BodySource source_;
  int frameCounter_ = 0;
  int groundProbeCount_ = 0;
};
