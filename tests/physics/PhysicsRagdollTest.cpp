// The ragdoll built from a small synthetic skeleton: creation, the bones it
// drives, hits, settling and removal.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "physics/PhysicsFixture.h"
#include "physics/PhysicsRagdoll.h"

namespace physics_test {
namespace {

using Node = SkinMeshEntity::Node;
using R = PhysicsRagdoll;

// A standing figure, its left side along +x: bone slot, parent slot, offset
// from the parent joint.
struct BoneRow {
  int slot;
  int parent;
  float x, y, z;
};
const BoneRow kSkeleton[R::kNodeSlotCount] = {
    {R::kRoot, -1, 0.0f, 0.0f, 0.0f},          {R::kChest, R::kRoot, 0.0f, 1.5f, 0.0f},
    {R::kNeck, R::kChest, 0.0f, 1.2f, 0.0f},   {R::kLeftShoulder, R::kChest, 0.9f, 1.0f, 0.0f},
    {R::kRightShoulder, R::kChest, -0.9f, 1.0f, 0.0f}, {R::kLeftElbow, R::kLeftShoulder, 1.2f, 0.0f, 0.0f},
    {R::kRightElbow, R::kRightShoulder, -1.2f, 0.0f, 0.0f}, {R::kLeftHand, R::kLeftElbow, 1.1f, 0.0f, 0.0f},
    {R::kRightHand, R::kRightElbow, -1.1f, 0.0f, 0.0f}, {R::kLeftHip, R::kRoot, 0.5f, -0.3f, 0.0f},
    {R::kRightHip, R::kRoot, -0.5f, -0.3f, 0.0f}, {R::kLeftKnee, R::kLeftHip, 0.0f, -1.7f, 0.0f},
    {R::kRightKnee, R::kRightHip, 0.0f, -1.7f, 0.0f}, {R::kLeftFoot, R::kLeftKnee, 0.0f, -1.7f, 0.0f},
    {R::kRightFoot, R::kRightKnee, 0.0f, -1.7f, 0.0f},
};

D3DXVECTOR3 Translation(const D3DXMATRIX& m) { return D3DXVECTOR3(m._41, m._42, m._43); }

class RagdollTest : public PhysicsTest {
 protected:
  void SetUp() override {
    PhysicsTest::SetUp();
    SetPhysicsManager(&physics);
    for (const BoneRow& row : kSkeleton) {
      Node& node = nodes[row.slot];
      node.index = row.slot;
      node.parent = row.parent >= 0 ? &nodes[row.parent] : nullptr;
      D3DXMatrixTranslation(&node.local, row.x, row.y, row.z);
      parameters.nodes[row.slot] = &node;
    }
  }
  void TearDown() override {
    physics.FinishStep();
    ragdoll.Destroy();
    SetPhysicsManager(nullptr);
    PhysicsTest::TearDown();
  }

  // World matrices from the locals, the root placed by placement; the rows
  // list parents before children.
  void Pose(const D3DXMATRIX& placement) {
    for (const BoneRow& row : kSkeleton) {
      Node& node = nodes[row.slot];
      node.world = node.local * (node.parent != nullptr ? node.parent->world : placement);
    }
  }
  // Turned about y, leaning forward, the left elbow and right knee bent.
  void SomePose(float height) {
    D3DXMatrixRotationZ(&nodes[R::kLeftElbow].local, 0.6f);
    nodes[R::kLeftElbow].local._41 = 1.2f;
    D3DXMatrixRotationX(&nodes[R::kRightKnee].local, -0.5f);
    nodes[R::kRightKnee].local._42 = -1.7f;
    D3DXMATRIX placement;
    D3DXMatrixRotationYawPitchRoll(&placement, 0.4f, 0.3f, 0.0f);
    placement._42 = height;
    Pose(placement);
  }

  bool InitAndCreate() {
    if (!ragdoll.Init(parameters, 1.0f)) return false;
    ragdoll.RecordBones();
    return ragdoll.Create(1.0f, 1.0f, 2.5f, this, D3DXVECTOR3(0, 0, 0));
  }

  Node nodes[R::kNodeSlotCount];
  PhysicsRagdoll::Parameters parameters;
  PhysicsRagdoll ragdoll;
};

TEST_F(RagdollTest, CreationAddsElevenPartsAndTenJointsAndDestroyRemovesThemAll) {
  SomePose(10.0f);
  PeBodySource* ground = nullptr;
  ASSERT_TRUE(physics.CreateBox(&ground, 0.0f, 0.0f, 1.0f, 50.0f, 1.0f, 50.0f));
  Add(Keep(ground), 0.0f, -1.0f, 0.0f);
  ASSERT_TRUE(InitAndCreate());
  EXPECT_EQ(physics.GetWorld()->getNumCollisionObjects(), 1 + R::kPartCount);
  EXPECT_EQ(physics.GetWorld()->getNumConstraints(), R::kJointCount);
  float mass = 0.0f;
  for (int part = 0; part < R::kPartCount; ++part) {
    const BodyHandle* handle = GetBodyHandle(ragdoll.GetPartBody(part));
    ASSERT_NE(handle, nullptr);
    EXPECT_TRUE(handle->source->IsRagdoll());
    EXPECT_EQ(handle->user, this);
    EXPECT_EQ(handle->source->group, kGroupRagdoll);
    mass += 1.0f / ragdoll.GetPartBody(part)->getInvMass();
  }
  EXPECT_NEAR(mass, parameters.mass, 1e-3f);
  // A second creation does nothing.
  EXPECT_FALSE(ragdoll.Create(1.0f, 1.0f, 1.0f, this, D3DXVECTOR3(0, 0, 0)));

  Step(5);
  ragdoll.Destroy();
  EXPECT_FALSE(ragdoll.IsCreated());
  EXPECT_EQ(physics.GetWorld()->getNumCollisionObjects(), 1);
  EXPECT_EQ(physics.GetWorld()->getNumConstraints(), 0);
  ragdoll.Destroy();  // twice is harmless
}

TEST_F(RagdollTest, AMissingNodeRefusesTheRagdoll) {
  parameters.nodes[R::kLeftKnee] = nullptr;
  EXPECT_FALSE(ragdoll.Init(parameters, 1.0f));
  EXPECT_FALSE(ragdoll.Create(1.0f, 1.0f, 1.0f, this, D3DXVECTOR3(0, 0, 0)));
  EXPECT_EQ(physics.GetWorld()->getNumCollisionObjects(), 0);
}

TEST_F(RagdollTest, TheBonesStayWhereThePoseLeftThemUntilTheBodiesMove) {
  SomePose(10.0f);
  Node before[R::kNodeSlotCount];
  for (int slot = 0; slot < R::kNodeSlotCount; ++slot) before[slot].world = nodes[slot].world;
  ASSERT_TRUE(InitAndCreate());
  ragdoll.Update();
  for (int slot = 0; slot < R::kNodeSlotCount; ++slot) {
    for (int r = 0; r < 4; ++r) {
      for (int c = 0; c < 4; ++c) EXPECT_NEAR(nodes[slot].world.m[r][c], before[slot].world.m[r][c], 1e-4f) << slot;
    }
  }
  // A still pose gives no motion.
  for (int part = 0; part < R::kPartCount; ++part) {
    EXPECT_EQ(ragdoll.GetPartBody(part)->getLinearVelocity(), btVector3(0, 0, 0)) << part;
  }
  // After falling, a hand still hangs at its place below the elbow.
  Step(10);
  ragdoll.Update();
  const D3DXVECTOR3 hand = Translation(nodes[R::kLeftHand].world);
  const D3DXVECTOR3 expected = Translation(nodes[R::kLeftHand].local * nodes[R::kLeftElbow].world);
  EXPECT_NEAR(hand.x, expected.x, 1e-4f);
  EXPECT_NEAR(hand.y, expected.y, 1e-4f);
  EXPECT_LT(Translation(nodes[R::kChest].world).y, Translation(before[R::kChest].world).y);
}

TEST_F(RagdollTest, TheBodiesInheritTheSkeletonsLastMotion) {
  SomePose(10.0f);
  ASSERT_TRUE(ragdoll.Init(parameters, 1.0f));
  ragdoll.RecordBones();
  // The whole figure moved by 0.1 along x in the last frame.
  for (Node& node : nodes) node.world._41 += 0.1f;
  ASSERT_TRUE(ragdoll.Create(1.0f, 1.0f, 2.5f, this, D3DXVECTOR3(0, 0, 0)));
  const float expected = 0.1f * physics.GetStepsPerSecond();
  for (int part = 0; part < R::kPartCount; ++part) {
    const btVector3 velocity = ragdoll.GetPartBody(part)->getLinearVelocity();
    EXPECT_NEAR(velocity.x(), expected, 1e-3f) << part;
    EXPECT_NEAR(velocity.y(), 0.0f, 1e-4f) << part;
  }
}

TEST_F(RagdollTest, AnImpulseGoesToTheThreeNearestPartsBySharesOf46And32And22) {
  SomePose(10.0f);
  ASSERT_TRUE(InitAndCreate());
  const D3DXVECTOR3 point = Translation(nodes[R::kLeftElbow].world) + D3DXVECTOR3(0.3f, 0.2f, -0.5f);
  const D3DXVECTOR3 impulse(0.0f, 0.0f, 100.0f);
  btVector3 before[R::kPartCount];
  for (int part = 0; part < R::kPartCount; ++part) before[part] = ragdoll.GetPartBody(part)->getLinearVelocity();
  ragdoll.ApplyImpulse(point, impulse);

  // Parts ordered by distance from the point.
  int order[R::kPartCount];
  float distance[R::kPartCount];
  for (int part = 0; part < R::kPartCount; ++part) {
    order[part] = part;
    const D3DXVECTOR3 offset = ToD3dVector3(ragdoll.GetPartBody(part)->getWorldTransform().getOrigin()) - point;
    distance[part] = D3DXVec3Length(&offset);
  }
  std::stable_sort(order, order + R::kPartCount, [&](int a, int b) { return distance[a] < distance[b]; });
  const float shares[3] = {0.46f, 0.32f, 0.22f};
  for (int rank = 0; rank < R::kPartCount; ++rank) {
    btRigidBody* body = ragdoll.GetPartBody(order[rank]);
    const float momentum = (body->getLinearVelocity() - before[order[rank]]).z() / body->getInvMass();
    EXPECT_NEAR(momentum, rank < 3 ? shares[rank] * impulse.z : 0.0f, 1e-2f) << "rank " << rank;
  }
}

TEST_F(RagdollTest, ARagdollDroppedOnTheGroundFallsAndSettlesToSleep) {
  PeBodySource* ground = nullptr;
  ASSERT_TRUE(physics.CreateBox(&ground, 0.0f, 0.0f, 1.0f, 50.0f, 1.0f, 50.0f));
  Add(Keep(ground), 0.0f, -1.0f, 0.0f);
  SomePose(6.0f);
  ASSERT_TRUE(InitAndCreate());
  const float startY = Translation(nodes[R::kRoot].world).y;
  int frame = 0;
  for (; frame < 1800 && !ragdoll.IsSettled(); ++frame) {
    ragdoll.Update();
    Step();
    for (int part = 0; part < R::kPartCount; ++part) {
      ASSERT_TRUE(IsFinite(GetBodyHandle(ragdoll.GetPartBody(part)))) << "frame " << frame;
    }
  }
  ASSERT_TRUE(ragdoll.IsSettled()) << "not settled after " << frame << " frames";
  // The settle test runs only while a body is awake: keep going until every
  // body has gone to sleep and the ragdoll counts as settled on its own.
  for (int i = 0; i < 300; ++i) {
    Step();
    ragdoll.Update();
  }
  EXPECT_TRUE(ragdoll.IsSettled());
  for (int part = 0; part < R::kPartCount; ++part) {
    EXPECT_EQ(ragdoll.GetPartBody(part)->getActivationState(), ISLAND_SLEEPING) << part;
    EXPECT_GT(ragdoll.GetPartBody(part)->getWorldTransform().getOrigin().y(), 0.0f) << part;
  }
  const float restY = Translation(nodes[R::kRoot].world).y;
  EXPECT_LT(restY, startY - 2.0f);  // it fell
  EXPECT_GT(restY, 0.0f);           // but not through the ground

  // A hit wakes it.
  ragdoll.ApplyImpulse(Translation(nodes[R::kChest].world), D3DXVECTOR3(0, 0, 50));
  EXPECT_FALSE(ragdoll.IsSettled());
  ragdoll.Update();
  EXPECT_FALSE(ragdoll.IsSettled());
}

// Knees and elbows are hinges that bend one way only: twisting the lower
// limb against the upper one, first one way then the other, bends the joint
// into its range and never past its straight end. The limits are the
// table's degrees times the limit scale 0.8. The limits are soft: pushed
// steadily, a joint overshoots an end by up to about ten degrees.
TEST_F(RagdollTest, KneesAndElbowsBendOneWayOnly) {
  SomePose(10.0f);
  ASSERT_TRUE(InitAndCreate());
  physics.SetGravity(D3DXVECTOR3(0, 0, 0));
  ragdoll.SetDamping(1.0f, 1.0f);  // a stiff death damps all turning away
  struct HingeCase {
    int joint, upper, lower;
    float low, high;  // degrees
  };
  const HingeCase cases[] = {{4, 3, 5, 0.0f, 100.0f},  // left elbow
                             {5, 4, 6, -100.0f, 0.0f}, // right elbow
                             {8, 7, 9, 0.0f, 108.0f},  // left knee
                             {9, 8, 10, 0.0f, 108.0f}};
  constexpr float kDegrees = 180.0f / 3.14159265f;
  constexpr float kOvershoot = 15.0f;
  constexpr float kTwist = 1.0f;  // angular impulse per frame, about the hinge axis
  for (const HingeCase& c : cases) {
    auto* hinge = dynamic_cast<btHingeConstraint*>(ragdoll.GetJoint(c.joint));
    ASSERT_NE(hinge, nullptr) << c.joint;
    float lowest = 1e9f, highest = -1e9f;
    for (float sense : {1.0f, -1.0f}) {
      for (int frame = 0; frame < 90; ++frame) {
        // The hinge axis in the world: frame A's z axis.
        const btVector3 axis = hinge->getRigidBodyA().getWorldTransform().getBasis() *
                               hinge->getAFrame().getBasis().getColumn(2);
        btRigidBody* upper = ragdoll.GetPartBody(c.upper);
        btRigidBody* lower = ragdoll.GetPartBody(c.lower);
        upper->activate();
        lower->activate();
        lower->applyTorqueImpulse(axis * (sense * kTwist));
        upper->applyTorqueImpulse(axis * (-sense * kTwist));
        Step();
        const float angle = hinge->getHingeAngle() * kDegrees;
        lowest = std::min(lowest, angle);
        highest = std::max(highest, angle);
      }
    }
    EXPECT_GE(lowest, c.low - kOvershoot) << "joint " << c.joint;
    EXPECT_LE(highest, c.high + kOvershoot) << "joint " << c.joint;
    // It does bend, most of its range, the one way it may.
    EXPECT_GT(highest - lowest, 0.6f * (c.high - c.low)) << "joint " << c.joint;
  }
}

}  // namespace
}  // namespace physics_test
