// The world's debug drawing: switched on and off, drawn only after a join,
// and Bullet's primitives turned into one-frame debug primitives.

#include <gtest/gtest.h>

#include "effects/DebugDrawSystem.h"
#include "physics/PhysicsFixture.h"

namespace physics_test {
namespace {

TEST_F(PhysicsTest, TheWorldDebugDrawsAfterEachJoinOnlyWhileATargetIsSet) {
  Add(Crate(), 0.0f, 100.0f, 0.0f);
  DebugDrawSystem target;
  PhysicsManager::BulletDebugDraw& drawer = physics.GetDebugDraw();

  // Off: nothing drawn, no mode set.
  Step();
  physics.DrawDebugWorld();
  EXPECT_EQ(physics.GetWorld()->getDebugDrawer(), nullptr);
  EXPECT_EQ(drawer.getDebugMode(), 0);

  physics.SetDebugDraw(&target, true);
  EXPECT_EQ(physics.GetWorld()->getDebugDrawer(), &drawer);
  EXPECT_EQ(drawer.getDebugMode(), PhysicsManager::kDebugModeSimple);
  // A running step's drawing is dropped; its join draws the wireframe.
  physics.StartStep();
  drawer.drawLine(btVector3(0, 0, 0), btVector3(1, 1, 1), btVector3(1, 1, 1));
  EXPECT_EQ(target.GetPrimitiveCount(), 0);
  physics.FinishStep();
  const std::size_t wireframe = target.GetLines().size();
  EXPECT_EQ(wireframe, 12u);  // the crate's edges
  target.DrawShapes();
  EXPECT_EQ(target.GetPrimitiveCount(), 0);  // held for one frame

  // Shift's full view adds the bounding box.
  physics.SetDebugDraw(&target, false);
  EXPECT_EQ(drawer.getDebugMode(), PhysicsManager::kDebugModeFull);
  Step();
  EXPECT_EQ(target.GetLines().size(), wireframe + 12u);
  target.DrawShapes();

  physics.SetDebugDraw(nullptr, true);
  EXPECT_EQ(physics.GetWorld()->getDebugDrawer(), nullptr);
  Step();
  EXPECT_EQ(target.GetPrimitiveCount(), 0);
}

TEST(PhysicsDebugDrawTest, ContactPointsAndSpheresBecomeTimedPrimitives) {
  PhysicsManager::BulletDebugDraw drawer;
  DebugDrawSystem target;
  drawer.target = &target;
  // Colours are clamped and opaque; a contact at distance 0 is a
  // zero-length line held for its lifetime.
  drawer.drawContactPoint(btVector3(1, 2, 3), btVector3(0, 1, 0), 0.0f, 5, btVector3(2.0f, 0.5f, -1.0f));
  ASSERT_EQ(target.GetLines().size(), 1u);
  const DebugDrawSystem::Line& contact = target.GetLines()[0];
  EXPECT_EQ(contact.from, D3DXVECTOR3(1, 2, 3));
  EXPECT_EQ(contact.to, D3DXVECTOR3(1, 2, 3));
  EXPECT_EQ(contact.holdFrames, 5);
  EXPECT_EQ(contact.colour, 0xFFFF8000u);

  drawer.drawSphere(2.5f, btTransform(btQuaternion(0, 0, 0, 1), btVector3(4, 5, 6)), btVector3(0, 0, 1));
  ASSERT_EQ(target.GetSpheres().size(), 1u);
  EXPECT_EQ(target.GetSpheres()[0].centre, D3DXVECTOR3(4, 5, 6));
  EXPECT_EQ(target.GetSpheres()[0].radius, 2.5f);
}

}  // namespace
}  // namespace physics_test
