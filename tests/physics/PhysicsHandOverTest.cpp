// The hand-over of the world between the main thread and the worker: a
// busy scene stepped frame after frame while the main thread, between
// steps, reads transforms, rays and contacts, applies impulses and adds and
// removes bodies. Bullet itself is not built with the thread sanitizer, so
// the worker here also reads and writes every body from instrumented code
// after its step: any main-thread access to the bodies or contacts that
// overlapped a step shows up as a data race in the thread sanitizer build
// (GRAPPLE_TSAN).

#include <gtest/gtest.h>

#include <atomic>

#include "physics/PhysicsFixture.h"

namespace physics_test {
namespace {

// Reads and writes a value from instrumented code; volatile, so that the
// compiler cannot drop the store of an unchanged value.
void Touch(btScalar& value) {
  volatile btScalar* p = &value;
  *p = *p;
}

void Touch(btVector3& v) {
  for (int i = 0; i < 3; ++i) Touch(v[i]);
}

class TouchingManager : public PhysicsManager {
 public:
  int stepsSeenWithDrawingAllowed = 0;  // written by the worker only
  std::atomic<int> steps{0};

 protected:
  void Execute() override {
    PhysicsManager::Execute();
    if (GetDebugDraw().drawingAllowed) ++stepsSeenWithDrawingAllowed;
    // Everything the main thread reads or writes between steps.
    btCollisionObjectArray& objects = GetWorld()->getCollisionObjectArray();
    for (int i = 0; i < objects.size(); ++i) {
      Touch(objects[i]->getWorldTransform().getOrigin());
      if (btRigidBody* body = btRigidBody::upcast(objects[i])) {
        Touch(const_cast<btVector3&>(body->getLinearVelocity()));
      }
    }
    btDispatcher* dispatcher = GetWorld()->getDispatcher();
    for (int m = 0; m < dispatcher->getNumManifolds(); ++m) {
      btPersistentManifold* manifold = dispatcher->getManifoldByIndexInternal(m);
      for (int p = 0; p < manifold->getNumContacts(); ++p) {
        btManifoldPoint& point = manifold->getContactPoint(p);
        Touch(point.m_appliedImpulse);
        Touch(point.m_positionWorldOnA);
      }
    }
    steps.fetch_add(1);
  }
};

class CountingImpacts : public PhysicsManager::CallbackImpact {
 public:
  void OnImpact(const btCollisionObject*, const btCollisionObject*, const D3DXVECTOR3& point, float,
                btPersistentManifold*) override {
    ++count;
    sum += point;
  }
  int count = 0;
  D3DXVECTOR3 sum;
};

TEST(PhysicsHandOverTest, TheMainThreadUsesTheWorldOnlyBetweenTheJoinAndTheNextStart) {
  TouchingManager physics;
  ASSERT_TRUE(physics.Init());
  physics.SetGravity(D3DXVECTOR3(0.0f, -kGravity, 0.0f));
  std::vector<std::int32_t> map = {kMaterialStone};
  ID3DXMesh* mesh = MakeGround(0.0f, 200.0f, {0});
  PeBodySource* ground = nullptr;
  PeBodySource* crate = nullptr;
  ASSERT_TRUE(physics.CreateTriMesh(&ground, map, mesh, 1.0f));
  ASSERT_TRUE(physics.CreateBox(&crate, 20.0f, 0.25f, 1.0f, 5.0f, 5.0f, 5.0f));
  BodyHandle* level = nullptr;
  ASSERT_TRUE(physics.AddBody(Translation(0, 0, 0), ground, &level));
  std::vector<BodyHandle*> crates;
  for (int i = 0; i < 30; ++i) {
    BodyHandle* handle = nullptr;
    ASSERT_TRUE(physics.AddBody(Translation(static_cast<float>(i % 6) * 12.0f, 20.0f + 12.0f * static_cast<float>(i / 6),
                                            0.0f),
                                crate, &handle));
    crates.push_back(handle);
  }

  CountingImpacts impacts;
  const int frames = 200;
  for (int frame = 0; frame < frames; ++frame) {
    physics.FinishStep();
    // The game update: everything the later game code does to the world.
    physics.ReportImpacts(&impacts);
    D3DXVECTOR3 sum;
    for (BodyHandle* handle : crates) sum += PositionOf(handle);
    EXPECT_TRUE(std::isfinite(sum.x + sum.y + sum.z));
    physics.RayTestAny(D3DXVECTOR3(0, 100, 0), D3DXVECTOR3(0, -10, 0), 0xFFFF);
    physics.RayTestClosest(D3DXVECTOR3(-10, 5, 0), D3DXVECTOR3(80, 5, 0), nullptr, nullptr, nullptr, 0xFFFF);
    if (frame % 20 == 10) {
      crates[frame % crates.size()]->body->activate();
      crates[frame % crates.size()]->body->applyCentralImpulse(btVector3(0.0f, 300.0f, 0.0f));
    }
    if (frame % 50 == 25) {
      physics.RemoveBody(crates.back());
      crates.pop_back();
      BodyHandle* handle = nullptr;
      ASSERT_TRUE(physics.AddBody(Translation(30.0f, 80.0f, 0.0f), crate, &handle));
      crates.push_back(handle);
    }
    std::string statistics;
    physics.GetStatistics(statistics);
    physics.StartStep();
    // Drawing would run here, using only copies made above.
  }
  physics.FinishStep();

  EXPECT_EQ(physics.steps.load(), frames);
  EXPECT_EQ(physics.stepsSeenWithDrawingAllowed, 0);
  EXPECT_GT(impacts.count, 0);
  for (BodyHandle*& handle : crates) physics.RemoveBody(handle);
  physics.RemoveBody(level);
  physics.DestroySource(crate);
  physics.DestroySource(ground);
  mesh->Release();
  physics.Release();
}

}  // namespace
}  // namespace physics_test
