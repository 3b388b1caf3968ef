#pragma once
// A dead character's body: eleven capsules joined by ten constraints, built
// from the skeleton's pose at the moment of death and given the bones'
// motion of that moment. While it exists the bodies drive the skeleton's
// world matrices. It puts itself to sleep once the chest and pelvis stop
// moving. Everything runs on the main thread while no step is in flight.

#include "LinearMath/btScalar.h"  // PeBodySource.h needs it first
#include "anim/SkinMeshEntity.h"
#include "physics/PeBodySource.h"
#include "platform/d3dx9/D3dxMath.h"

class PhysicsManager;
class btCollisionShape;
class btRigidBody;
class btTypedConstraint;
struct BodyHandle;

class PhysicsRagdoll {
 public:
  class BodySource : public PeBodySource {
   public:
    BodySource() : PeBodySource(kKindCapsule, kMaterialLife, kGroupRagdoll, kMaskAll, 0.0f) {}
    bool IsObject() const override { return false; }
    bool IsRagdoll() const override { return true; }
  };

  // Skeleton node slots of the parameter block.
  enum NodeSlot {
    kNeck, kChest, kRoot, kLeftShoulder, kRightShoulder, kLeftElbow, kRightElbow, kLeftHand, kRightHand,
    kLeftHip, kRightHip, kLeftKnee, kRightKnee, kLeftFoot, kRightFoot, kNodeSlotCount
  };
  static constexpr int kPartCount = 11;
  static constexpr int kJointCount = 10;

  // The twenty slots the character fills: fifteen nodes, then the sizes.
  struct Parameters {
    SkinMeshEntity::Node* nodes[kNodeSlotCount] = {};
    float mass = 18.0f;           // of the whole body
    float height = 7.5f;
    float radius = 1.5f;          // scales every part's size and offset
    float limitScale = 0.8f;      // narrows every joint limit
    float dampingScale = 0.4f;    // damping per unit of damping factor
  };

  PhysicsRagdoll() = default;
  virtual ~PhysicsRagdoll();
  PhysicsRagdoll(const PhysicsRagdoll&) = delete;
  PhysicsRagdoll& operator=(const PhysicsRagdoll&) = delete;

  // At character creation. False without a manager or with a missing node;
  // such a ragdoll is never created.
  bool Init(const Parameters& parameters, float sleepingFactor);
  bool IsInitialized() const { return initialized_; }
  // Every living frame after the skeleton is posed: the bone positions the
  // next Create takes the inherited motion from.
  void RecordBones();
  // Once, at death, from the skeleton's current pose. False (and nothing
  // left in the world) when a part body cannot be added.
  bool Create(float impulseScale, float linearDampingFactor, float angularDampingFactor, void* user,
              const D3DXVECTOR3& initialVelocity);
  // Every ragdoll frame: the bones from the bodies and the settle test.
  void Update();
  void SetDamping(float linearFactor, float angularFactor);
  // Spreads the impulse over the three parts nearest to the point.
  void ApplyImpulse(const D3DXVECTOR3& point, const D3DXVECTOR3& impulse);
  // Removes the joints and the parts from the world.
  void Destroy();

  bool IsCreated() const { return created_; }
  bool IsSettled() const { return settled_; }
  btRigidBody* GetPartBody(int part) const { return parts_[part].body; }
  btTypedConstraint* GetJoint(int joint) const { return joints_[joint]; }
  float GetSettleThreshold() const { return settleThreshold_; }
  int GetSettleFrameLimit() const { return settleFrameLimit_; }

 private:
  struct Part {
    BodyHandle* handle = nullptr;
    btRigidBody* body = nullptr;
    btCollisionShape* shape = nullptr;  // owned
    D3DXMATRIX nodeOffset;              // node world = nodeOffset x body transform
  };

  bool CreatePart(int part, float impulseScale, void* user, const D3DXVECTOR3& initialVelocity);
  void CreateJoint(int joint);
  D3DXVECTOR3 NodePosition(int slot) const;

  PhysicsManager* manager_ = nullptr;
  Parameters parameters_;
  bool initialized_ = false;
  bool created_ = false;
  bool settled_ = false;
  D3DXVECTOR3 previousBones_[kNodeSlotCount];
  float settleThreshold_ = 0.0f;
  int settleFrameLimit_ = 0;
  D3DXVECTOR3 lastChest_;
  D3DXVECTOR3 lastRoot_;
  int stillFrames_ = 0;
  BodySource source_;
  Part parts_[kPartCount];
  btTypedConstraint* joints_[kJointCount] = {};
};
