// Ray queries and impact reports against small worlds.

#include <gtest/gtest.h>

#include <vector>

#include "physics/PhysicsFixture.h"

namespace physics_test {
namespace {

struct RecordedHit {
  D3DXVECTOR3 point;
  D3DXVECTOR4 normal;
  const btCollisionObject* object;
};

class HitRecorder : public PhysicsManager::CallbackRayHit {
 public:
  void OnRayHit(const D3DXVECTOR3& point, const D3DXVECTOR4& normal,
                const btCollisionWorld::LocalRayResult& result) override {
    hits.push_back({point, normal, result.m_collisionObject});
  }
  std::vector<RecordedHit> hits;
};

struct Impact {
  const btCollisionObject* a;
  const btCollisionObject* b;
  D3DXVECTOR3 point;
  float impulse;
  int contacts;
};

class ImpactRecorder : public PhysicsManager::CallbackImpact {
 public:
  void OnImpact(const btCollisionObject* a, const btCollisionObject* b, const D3DXVECTOR3& point, float impulse,
                btPersistentManifold* manifold) override {
    impacts.push_back({a, b, point, impulse, manifold->getNumContacts()});
  }
  std::vector<Impact> impacts;
};

TEST_F(PhysicsTest, TheClosestRayReportsPointNormalAndTheMaterialOfTheTriangleHit) {
  // A map at height 10 scaled by 2: Grass for x < 0, Snow for x > 0.
  BodyHandle* map = Add(Ground({kMaterialGrass, kMaterialSnow}, {0, 1}, 10.0f, 100.0f, 2.0f), 0.0f, 0.0f, 0.0f);
  D3DXVECTOR3 point;
  D3DXVECTOR4 normal;
  int material = -1;
  EXPECT_EQ(physics.RayTestClosest(D3DXVECTOR3(-20, 30, 5), D3DXVECTOR3(-20, -10, 5), &point, &normal, &material,
                                   0xFFFF),
            map->body);
  EXPECT_EQ(material, kMaterialGrass);
  EXPECT_NEAR(point.y, 10.0f, 1e-4f);
  EXPECT_NEAR(point.x, -20.0f, 1e-4f);
  EXPECT_NEAR(std::fabs(normal.y), 1.0f, 1e-5f);
  EXPECT_EQ(normal.w, 0.0f);
  EXPECT_TRUE(physics.RayTestClosest(D3DXVECTOR3(60, 30, 5), D3DXVECTOR3(60, -10, 5), &point, &normal, &material,
                                     0xFFFF) != nullptr);
  EXPECT_EQ(material, kMaterialSnow);

  // A crate in front of the map is nearer; a mask of map groups sees past it.
  Add(Crate(), 60.0f, 15.0f, 5.0f);
  EXPECT_NE(physics.RayTestClosest(D3DXVECTOR3(60, 30, 5), D3DXVECTOR3(60, -10, 5), &point, nullptr, &material, 0xFFFF),
            map->body);
  EXPECT_NEAR(point.y, 20.0f, 1e-3f);
  EXPECT_EQ(material, kMaterialMetal);
  EXPECT_EQ(physics.RayTestClosest(D3DXVECTOR3(60, 30, 5), D3DXVECTOR3(60, -10, 5), &point, nullptr, &material, 0x300),
            map->body);
  EXPECT_EQ(material, kMaterialSnow);

  // A miss leaves the outputs alone.
  point = D3DXVECTOR3(1, 2, 3);
  material = 77;
  EXPECT_EQ(physics.RayTestClosest(D3DXVECTOR3(0, 30, 0), D3DXVECTOR3(0, 20, 0), &point, &normal, &material, 0xFFFF),
            nullptr);
  EXPECT_EQ(point, D3DXVECTOR3(1, 2, 3));
  EXPECT_EQ(material, 77);
}

TEST_F(PhysicsTest, ARayStartingInsideAConvexBodyDoesNotReportIt) {
  BodyHandle* crate = Add(Crate(), 0.0f, 0.0f, 0.0f);
  const D3DXVECTOR3 inside(1, 1, 1);
  const D3DXVECTOR3 outside(1, 1, 30);
  EXPECT_FALSE(physics.RayTestAny(inside, outside, 0xFFFF));
  EXPECT_EQ(physics.RayTestClosest(inside, outside, nullptr, nullptr, nullptr, 0xFFFF), nullptr);
  HitRecorder recorder;
  physics.RayTestAll(inside, outside, &recorder);
  EXPECT_TRUE(recorder.hits.empty());
  // From outside the same body is met on its face.
  D3DXVECTOR3 point;
  D3DXVECTOR4 normal;
  EXPECT_EQ(physics.RayTestClosest(outside, inside, &point, &normal, nullptr, 0xFFFF), crate->body);
  EXPECT_NEAR(point.z, 5.0f, 1e-3f);
  EXPECT_NEAR(normal.z, 1.0f, 1e-4f);
}

TEST_F(PhysicsTest, AnyHitRaysFollowTheMaskAndAllHitRaysReportEveryObject) {
  Add(Ground({1}, {0}), 0.0f, 0.0f, 0.0f);
  std::vector<BodyHandle*> crates;
  for (int i = 0; i < 3; ++i) crates.push_back(Add(Crate(), 20.0f * static_cast<float>(i), 5.0f, 0.0f));
  const D3DXVECTOR3 start(-20, 5, 0);
  const D3DXVECTOR3 end(80, 5, 0);
  EXPECT_TRUE(physics.RayTestAny(start, end, 0xFFFF));
  EXPECT_TRUE(physics.RayTestAny(start, end, kGroupProp));
  EXPECT_FALSE(physics.RayTestAny(start, end, 0x300));  // map groups: the ray runs above the map
  EXPECT_TRUE(physics.RayTestAny(D3DXVECTOR3(90, 5, 0), D3DXVECTOR3(90, -5, 0), 0x300));

  HitRecorder recorder;
  physics.RayTestAll(start, end, &recorder);
  ASSERT_EQ(recorder.hits.size(), 3u);
  for (const BodyHandle* crate : crates) {
    const auto found = std::find_if(recorder.hits.begin(), recorder.hits.end(),
                                    [crate](const RecordedHit& hit) { return hit.object == crate->body; });
    ASSERT_NE(found, recorder.hits.end());
    // Each crate is met on its near face, turned towards the ray's start.
    EXPECT_NEAR(found->point.x, PositionOf(crate).x - 5.0f, 1e-3f);
    EXPECT_NEAR(found->normal.x, -1.0f, 1e-4f);
  }
}

TEST_F(PhysicsTest, BodiesPressedIntoTheMapLeaveThroughItsFrontWhileOneOverhangingATopRestsAndSleeps) {
  // A platform 10 high: its top and the side facing +x, winding outwards.
  PeBodySource* platform = nullptr;
  std::vector<std::int32_t> materials = {1};
  ASSERT_TRUE(physics.CreateTriMesh(&platform, materials,
                                    Keep(MakeMesh({{-20, 10, -20}, {-20, 10, 20}, {20, 10, 20}, {20, 10, -20},
                                                   {20, 0, -20}, {20, 0, 20}},
                                                  {{0, 1, 2, 0}, {0, 2, 3, 0}, {4, 3, 2, 0}, {4, 2, 5, 0}})),
                                    1.0f));
  Add(Keep(platform), 0.0f, 0.0f, 0.0f);
  Add(Ground({1}, {0}, 0.0f, 300.0f), 0.0f, 0.0f, 0.0f);
  // Centres behind the ground's plane: a crate in a triangle's middle, a
  // ball by the diagonal two triangles share.
  BodyHandle* sunk = Add(Crate(), 100.0f, -2.0f, 40.0f);
  PeBodySource* ball = nullptr;
  ASSERT_TRUE(physics.CreateSphere(&ball, 1.0f, 0.25f, 1.0f, 2.0f));
  BodyHandle* sphere = Add(Keep(ball), -100.3f, -0.5f, -100.0f);
  // Set down with its centre behind the side's plane but above the side:
  // it stays, flat on its face, and falls asleep.
  BodyHandle* overhanging = Add(Crate(), 18.0f, 15.0f, 0.0f);
  Step(300);
  EXPECT_NEAR(PositionOf(sunk).y, 5.0f, 0.1f);
  EXPECT_NEAR(PositionOf(sphere).y, 2.0f, 0.1f);
  EXPECT_NEAR(PositionOf(overhanging).x, 18.0f, 0.05f);
  EXPECT_NEAR(PositionOf(overhanging).y, 15.0f, 0.05f);
  EXPECT_NEAR(overhanging->body->getWorldTransform().getBasis()[1][1], 1.0f, 1e-3f);
  EXPECT_EQ(overhanging->body->getActivationState(), ISLAND_SLEEPING);
}

TEST_F(PhysicsTest, ImpactsReportTheMeanContactUntilBothBodiesSleepAndAgainOnceTouched) {
  BodyHandle* map = Add(Ground({1}, {0}), 0.0f, 0.0f, 0.0f);
  BodyHandle* bottom = Add(Crate(), 0.0f, 5.0f, 0.0f);
  BodyHandle* top = Add(Crate(), 0.0f, 15.0f, 0.0f);
  Step(10);
  ImpactRecorder recorder;
  physics.ReportImpacts(&recorder);
  ASSERT_EQ(recorder.impacts.size(), 2u);
  for (const Impact& impact : recorder.impacts) {
    const bool onMap = impact.a == map->body || impact.b == map->body;
    if (!onMap) {
      EXPECT_TRUE((impact.a == top->body && impact.b == bottom->body) ||
                  (impact.a == bottom->body && impact.b == top->body));
    }
    // The mean of the contact points lies on the touching face.
    EXPECT_LT(std::fabs(impact.point.x), 5.0f);
    EXPECT_LT(std::fabs(impact.point.z), 5.0f);
    EXPECT_NEAR(impact.point.y, onMap ? 0.0f : 10.0f, 0.1f);
    // Resting: per step the contacts carry the weight above them, spread
    // over the face's points.
    const float weight = (onMap ? 40.0f : 20.0f) * kGravity / 60.0f;
    EXPECT_NEAR(impact.impulse * static_cast<float>(impact.contacts), weight, weight * 0.1f);
  }

  Step(300);
  ASSERT_EQ(top->body->getActivationState(), ISLAND_SLEEPING);
  ASSERT_EQ(bottom->body->getActivationState(), ISLAND_SLEEPING);
  recorder.impacts.clear();
  physics.ReportImpacts(&recorder);
  EXPECT_TRUE(recorder.impacts.empty());

  top->body->activate();
  top->body->applyCentralImpulse(btVector3(0.0f, 0.0f, 100.0f));
  Step();
  physics.ReportImpacts(&recorder);
  EXPECT_FALSE(recorder.impacts.empty());
}

TEST_F(PhysicsTest, RemovingABodyDropsThePredictiveContactsAFastBodyLeftOnIt) {
  // A swept sphere heading for a crate within one step leaves a predictive
  // contact on it; the crate then leaves the world before the report.
  PeBodySource* ball = nullptr;
  ASSERT_TRUE(physics.CreateSphere(&ball, 1.0f, 0.0f, 1.0f, 1.0f));
  BodyHandle* sphere = Add(Keep(ball), -8.0f, 50.0f, 0.0f);
  sphere->body->setCcdMotionThreshold(0.5f);
  sphere->body->setCcdSweptSphereRadius(0.5f);
  sphere->body->setLinearVelocity(btVector3(600.0f, 0.0f, 0.0f));
  BodyHandle* crate = Add(Crate(), 0.0f, 50.0f, 0.0f);
  Step();
  ImpactRecorder before;
  physics.ReportImpacts(&before);
  ASSERT_FALSE(before.impacts.empty());

  const btCollisionObject* removed = crate->body;
  bodies.pop_back();
  physics.RemoveBody(crate);
  ImpactRecorder after;
  physics.ReportImpacts(&after);
  for (const Impact& impact : after.impacts) EXPECT_TRUE(impact.a != removed && impact.b != removed);
  Step();  // the next step starts with no stale contact to release
}

}  // namespace
}  // namespace physics_test
