// Body sources from parameters and meshes, the material table and the
// per-triangle material combiner.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "physics/HullShape.h"
#include "physics/PhysicsFixture.h"
#include "physics/VertexDataAnalyzer.h"

namespace physics_test {
namespace {

TEST(PhysicsMaterialTest, RowsAreIndexedByNumberAndFoundByCode) {
  EXPECT_EQ(GetPhysicsMaterial(kMaterialInvalid)->friction, 0.0f);
  EXPECT_EQ(GetPhysicsMaterial(kMaterialMetal)->restitution, 0.65f);
  EXPECT_STREQ(GetPhysicsMaterial(kMaterialSpecial)->name, "Special");
  EXPECT_EQ(GetPhysicsMaterial(-1), nullptr);
  EXPECT_EQ(GetPhysicsMaterial(kPhysicsMaterialCount), nullptr);
  EXPECT_EQ(FindPhysicsMaterialByCode("gr_floor.png"), kMaterialGrass);
  EXPECT_EQ(FindPhysicsMaterialByCode("**"), kMaterialInvalid);
  EXPECT_EQ(FindPhysicsMaterialByCode("zz"), -1);
  EXPECT_EQ(FindPhysicsMaterialByCode("s"), -1);
}

TEST(VertexDataAnalyzerTest, FindsTheLastStreamZeroPositionWithUsageIndexZero) {
  const D3DVERTEXELEMENT9 declaration[] = {
      {0, 0, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
      {0, 8, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
      {0, 20, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 1},
      {0, 32, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0},
      {0, 44, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
      D3DDECL_END(),
      {0, 56, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},  // past the end: never read
  };
  float vertices[2][14] = {};
  vertices[1][11] = 7.0f;
  vertices[1][12] = 8.0f;
  vertices[1][13] = 9.0f;
  PeLocal::VertexDataAnalyzer analyzer(declaration, vertices);
  ASSERT_TRUE(analyzer.Analyze());
  EXPECT_EQ(analyzer.positionOffset, 44);
  EXPECT_EQ(analyzer.vertexSize, 56u);
  EXPECT_EQ(analyzer.Position(1), D3DXVECTOR3(7.0f, 8.0f, 9.0f));

  const D3DVERTEXELEMENT9 none[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0}, D3DDECL_END()};
  PeLocal::VertexDataAnalyzer missing(none, vertices);
  EXPECT_FALSE(missing.Analyze());
  EXPECT_EQ(missing.positionOffset, -1);
}

TEST_F(PhysicsTest, FactorySourcesCarryTheirKindMaterialFilterAndSleepingThresholds) {
  PeBodySource* crate = Crate();
  EXPECT_EQ(crate->kind, PeBodySource::kKindBox);
  EXPECT_EQ(crate->material, kMaterialMetal);
  EXPECT_EQ(crate->group, kGroupProp);
  EXPECT_EQ(crate->mask, 0xFFFF);
  EXPECT_TRUE(crate->IsObject());
  EXPECT_FALSE(crate->IsCharacter());
  EXPECT_FALSE(crate->IsRagdoll());
  EXPECT_EQ(crate->shape->getUserPointer(), crate);
  const btRigidBody::btRigidBodyConstructionInfo& info = *crate->constructionInfo;
  EXPECT_EQ(info.m_mass, 20.0f);
  EXPECT_FLOAT_EQ(info.m_localInertia.x(), 20.0f * (100.0f + 100.0f) / 12.0f);
  EXPECT_EQ(info.m_friction, 0.4f);
  EXPECT_EQ(info.m_restitution, 0.65f);
  EXPECT_EQ(info.m_linearDamping, 0.25f);
  EXPECT_EQ(info.m_angularDamping, 0.25f);
  // Tied to gravity: 39.24 x 0.1 x factor.
  EXPECT_FLOAT_EQ(info.m_linearSleepingThreshold, 3.924f);
  EXPECT_EQ(info.m_angularSleepingThreshold, 1.0f);

  PeBodySource* ball = nullptr;
  ASSERT_TRUE(physics.CreateSphere(&ball, 0.0f, 0.25f, 2.0f, 2.5f));
  Keep(ball);
  EXPECT_EQ(ball->kind, PeBodySource::kKindSphere);
  EXPECT_EQ(ball->material, kMaterialUniv);
  EXPECT_EQ(ball->constructionInfo->m_localInertia, btVector3(0.0f, 0.0f, 0.0f));
  EXPECT_FLOAT_EQ(ball->constructionInfo->m_linearSleepingThreshold, 7.848f);
  EXPECT_TRUE(Add(ball, 0.0f, 0.0f, 0.0f)->body->isStaticObject());
}

TEST_F(PhysicsTest, AHullKeepsItsSurfaceVerticesScaledAndSurvivesCoincidentPoints) {
  const std::vector<D3DXVECTOR3> corners = {{-1, -1, -1}, {1, -1, -1}, {-1, 1, -1}, {1, 1, -1},
                                            {-1, -1, 1},  {1, -1, 1},  {-1, 1, 1},  {1, 1, 1}, {0, 0, 0}};
  ID3DXMesh* cube = Keep(MakeMesh(corners, {{0, 1, 2, 0}}));
  PeBodySource* hull = nullptr;
  ASSERT_TRUE(physics.CreateConvexHull(cube, &hull, 12.0f, 0.4f, 1.0f, 10.0f));
  Keep(hull);
  EXPECT_EQ(hull->kind, PeBodySource::kKindConvexHull);
  // Bullet's hull class, of the type whose support queries it leaves to the shape.
  ASSERT_EQ(hull->shape->getShapeType(), CUSTOM_POLYHEDRAL_SHAPE_TYPE);
  const auto* shape = static_cast<const btConvexHullShape*>(hull->shape);
  EXPECT_EQ(shape->getNumPoints(), 8);  // the inner point answers no support query
  EXPECT_EQ(shape->getNumEdges(), 9);   // the debug wireframe still runs through every vertex
  btVector3 low;
  btVector3 high;
  shape->getAabb(btTransform::getIdentity(), low, high);
  EXPECT_NEAR(high.x(), 10.0f, 0.1f);

  // Every point the same: no volume, but nothing breaks when it falls.
  ID3DXMesh* point = Keep(MakeMesh({{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}, {{0, 1, 2, 0}}));
  PeBodySource* flat = nullptr;
  ASSERT_TRUE(physics.CreateConvexHull(point, &flat, 1.0f, 0.4f, 1.0f, 1.0f));
  Keep(flat);
  Add(Ground({1}, {0}), 0.0f, 0.0f, 0.0f);
  BodyHandle* falling = Add(flat, 0.0f, 3.0f, 0.0f);
  Step(120);
  EXPECT_TRUE(IsFinite(falling));
}

// A cube's grid (many points on each face: ties for axis directions),
// points inside it and copies, and a round cloud with an inner shell, each
// shuffled: the hull source must give every support, its box and its
// inertia exactly as a hull over all of them does.
TEST_F(PhysicsTest, AHullAnswersSupportQueriesAsAHullOverEveryVertex) {
  std::mt19937 random(7);
  std::normal_distribution<float> gauss(0.0f, 1.0f);
  auto onSphere = [&](float radius) {
    D3DXVECTOR3 p(gauss(random), gauss(random), gauss(random));
    D3DXVec3Normalize(&p, &p);
    return p * radius;
  };
  std::vector<D3DXVECTOR3> cube;
  for (int x = -2; x <= 2; ++x) {
    for (int y = -2; y <= 2; ++y) {
      for (int z = -2; z <= 2; ++z) cube.push_back(D3DXVECTOR3(x * 0.5f, y * 0.5f, z * 0.5f));
    }
  }
  for (int i = 0; i < 100; ++i) cube.push_back(onSphere(0.9f));
  std::vector<D3DXVECTOR3> ball;
  for (int i = 0; i < 400; ++i) ball.push_back(onSphere(i % 2 == 0 ? 1.5f : 0.7f));
  for (std::vector<D3DXVECTOR3>* cloud : {&cube, &ball}) {
    for (int i = 0; i < 50; ++i) cloud->push_back((*cloud)[static_cast<std::size_t>(i) * 3]);
    std::shuffle(cloud->begin(), cloud->end(), random);

    PeBodySource* source = nullptr;
    ASSERT_TRUE(physics.CreateConvexHull(Keep(MakeMesh(*cloud, {{0, 1, 2, 0}})), &source, 12.0f, 0.4f, 1.0f, 1.35f));
    Keep(source);
    const auto* reduced = static_cast<const PeLocal::HullShape*>(source->shape);
    EXPECT_TRUE(reduced->WalksGraph());
    EXPECT_LT(reduced->getNumPoints(), static_cast<int>(cloud->size()) * 2 / 3);
    btConvexHullShape full(&(*cloud)[0].x, static_cast<int>(cloud->size()), sizeof(D3DXVECTOR3));
    full.setLocalScaling(btVector3(1.35f, 1.35f, 1.35f));

    std::vector<btVector3> directions = {btVector3(1, 0, 0), btVector3(0, -1, 0), btVector3(0, 0, 1),
                                         btVector3(1, 1, 0), btVector3(0, 0, 0)};
    for (int i = 0; i < 2000; ++i) directions.emplace_back(gauss(random), gauss(random), gauss(random));
    for (const btVector3& d : directions) {
      EXPECT_EQ(reduced->localGetSupportingVertexWithoutMargin(d), full.localGetSupportingVertexWithoutMargin(d));
      EXPECT_EQ(reduced->localGetSupportVertexWithoutMarginNonVirtual(d),
                full.localGetSupportVertexWithoutMarginNonVirtual(d));
      EXPECT_EQ(reduced->localGetSupportingVertex(d), full.localGetSupportingVertex(d));
    }
    btVector3 low, high, fullLow, fullHigh;
    reduced->getAabb(btTransform::getIdentity(), low, high);
    full.getAabb(btTransform::getIdentity(), fullLow, fullHigh);
    EXPECT_EQ(low, fullLow);
    EXPECT_EQ(high, fullHigh);
    btVector3 inertia;
    full.calculateLocalInertia(12.0f, inertia);
    EXPECT_EQ(source->constructionInfo->m_localInertia, inertia);
  }
}

TEST_F(PhysicsTest, MeshesWithoutReadablePositionsGiveNoSource) {
  const D3DVERTEXELEMENT9 normalsOnly[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0}, D3DDECL_END()};
  const D3DVERTEXELEMENT9 packed[] = {{0, 0, D3DDECLTYPE_SHORT4, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
  for (const D3DVERTEXELEMENT9* declaration : {normalsOnly, packed}) {
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXCreateMesh(1, 3, D3DXMESH_MANAGED, declaration, nullptr, &mesh), D3D_OK);
    Keep(mesh);
    PeBodySource* source = nullptr;
    EXPECT_FALSE(physics.CreateConvexHull(mesh, &source, 1.0f, 0.0f, 1.0f, 1.0f));
    std::vector<std::int32_t> map = {1};
    EXPECT_FALSE(physics.CreateTriMesh(&source, map, mesh, 1.0f));
    EXPECT_EQ(source, nullptr);
  }
}

TEST_F(PhysicsTest, ATriangleMeshGetsAMaterialRecordPerMapEntryAndEveryAttributeId) {
  // Attribute ids 0 and 3 with a map of one entry: ids 1 to 3 get Univ.
  std::vector<std::int32_t> map = {kMaterialWood};
  ID3DXMesh* mesh = Keep(MakeGround(0.0f, 10.0f, {0, 3}));
  PeBodySource* source = nullptr;
  ASSERT_TRUE(physics.CreateTriMesh(&source, map, mesh, 70.0f));
  Keep(source);
  EXPECT_EQ(map, (std::vector<std::int32_t>{kMaterialWood, kMaterialUniv, kMaterialUniv, kMaterialUniv}));
  auto* trimesh = dynamic_cast<PeBodySource_TriMesh*>(source);
  ASSERT_NE(trimesh, nullptr);
  EXPECT_EQ(trimesh->kind, PeBodySource::kKindTriMesh);
  EXPECT_EQ(trimesh->group, kGroupMap);
  EXPECT_EQ(trimesh->mask, kMaskMap);
  EXPECT_EQ(trimesh->mass, 0.0f);
  EXPECT_EQ(trimesh->faceCount, 4);
  EXPECT_EQ(trimesh->vertexCount, 6);
  ASSERT_EQ(trimesh->materialProperties.size(), 4u);
  EXPECT_EQ(trimesh->materialProperties[0].m_friction, 0.6f);
  EXPECT_EQ(trimesh->materialProperties[3].m_restitution, 0.45f);
  EXPECT_EQ(trimesh->faceMaterials, (std::vector<int>{kMaterialWood, kMaterialWood, kMaterialUniv, kMaterialUniv}));
  EXPECT_EQ(trimesh->GetFaceMaterial(99), kMaterialUniv);
  EXPECT_EQ(source->shape->getShapeType(), MULTIMATERIAL_TRIANGLE_MESH_PROXYTYPE);
  EXPECT_EQ(source->shape->getLocalScaling(), btVector3(70.0f, 70.0f, 70.0f));
  EXPECT_EQ(source->constructionInfo->m_mass, 0.0f);
}

TEST_F(PhysicsTest, BrokenTriangleMeshesAreRefusedWithoutTouchingTheMap) {
  PeBodySource* source = nullptr;
  // An index that names no vertex.
  ID3DXMesh* stray = Keep(MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 0, 1}}, {{0, 1, 9, 0}}));
  std::vector<std::int32_t> map = {kMaterialStone};
  EXPECT_FALSE(physics.CreateTriMesh(&source, map, stray, 1.0f));
  // An attribute id the map could only reach by growing without bound.
  ID3DXMesh* huge = Keep(MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 0, 1}}, {{0, 1, 2, 0xFFFFFFFFu}}));
  EXPECT_FALSE(physics.CreateTriMesh(&source, map, huge, 1.0f));
  EXPECT_EQ(map.size(), 1u);
  // A map entry that is no row of the table.
  std::vector<std::int32_t> badMap = {kPhysicsMaterialCount};
  EXPECT_FALSE(physics.CreateTriMesh(&source, badMap, Keep(MakeGround(0.0f, 1.0f, {0})), 1.0f));
  EXPECT_EQ(source, nullptr);
}

TEST_F(PhysicsTest, DegenerateTrianglesAndWideIndicesMakeAUsableMap) {
  std::vector<D3DXVECTOR3> positions = {{-50, 0, -50}, {-50, 0, 50}, {50, 0, 50}, {50, 0, -50}, {0, 0, 0}, {10, 0, 0}};
  // Two real triangles, a sliver with a repeated corner and a collinear one.
  const std::vector<Triangle> faces = {{0, 1, 2, 0}, {0, 2, 3, 0}, {4, 4, 5, 0}, {0, 4, 2, 0}};
  ID3DXMesh* mesh = Keep(MakeMesh(positions, faces, D3DXMESH_MANAGED | D3DXMESH_32BIT));
  std::vector<std::int32_t> map = {kMaterialDirt};
  PeBodySource* source = nullptr;
  ASSERT_TRUE(physics.CreateTriMesh(&source, map, mesh, 1.0f));
  Add(Keep(source), 0.0f, 0.0f, 0.0f);
  BodyHandle* crate = Add(Crate(), 2.0f, 8.0f, 0.0f);
  PeBodySource* ballSource = nullptr;
  ASSERT_TRUE(physics.CreateSphere(&ballSource, 1.0f, 0.25f, 1.0f, 1.0f));
  BodyHandle* ball = Add(Keep(ballSource), 5.0f, 3.0f, 0.0f);
  Step(180);
  EXPECT_TRUE(IsFinite(crate));
  EXPECT_TRUE(IsFinite(ball));
  EXPECT_NEAR(PositionOf(crate).y, 5.0f, 0.1f);
  EXPECT_NEAR(PositionOf(ball).y, 1.0f, 0.1f);
  int material = -1;
  EXPECT_NE(physics.RayTestClosest(D3DXVECTOR3(5, 0.5f, 0), D3DXVECTOR3(5, -1, 0), nullptr, nullptr, &material, 0x100),
            nullptr);
  EXPECT_EQ(material, kMaterialDirt);
}

// Contacts of a crate (friction 0.4, restitution 0.65) with strips of the
// map and with another crate.
TEST_F(PhysicsTest, MapContactsMultiplyTheTrianglesMaterialAndPropsKeepBulletsCombination) {
  // Strips of 50 units: Stone from x -100, Invalid from x -50, Sand from 0.
  BodyHandle* map = Add(Ground({kMaterialStone, kMaterialInvalid, kMaterialSand}, {0, 1, 2, 2}), 0.0f, 0.0f, 0.0f);
  BodyHandle* onStone = Add(Crate(), -75.0f, 5.0f, 0.0f);
  BodyHandle* onInvalid = Add(Crate(), -25.0f, 5.0f, 0.0f);
  BodyHandle* onSand = Add(Crate(), 40.0f, 5.0f, 0.0f);
  BodyHandle* stacked = Add(Crate(), 40.0f, 15.0f, 0.0f);
  Step(10);

  btDispatcher* dispatcher = physics.GetWorld()->getDispatcher();
  std::set<const btCollisionObject*> checked;  // crates with a contact checked
  for (int i = 0; i < dispatcher->getNumManifolds(); ++i) {
    const btPersistentManifold* manifold = dispatcher->getManifoldByIndexInternal(i);
    const btCollisionObject* a = manifold->getBody0();
    const btCollisionObject* b = manifold->getBody1();
    const btCollisionObject* crate = a == map->body ? b : a;
    float friction = 0.0f;
    float restitution = 0.0f;
    if (a == map->body || b == map->body) {
      ASSERT_TRUE(crate == onStone->body || crate == onInvalid->body || crate == onSand->body);
      const PhysicsMaterial& m = kPhysicsMaterials[crate == onStone->body     ? kMaterialStone
                                                   : crate == onInvalid->body ? kMaterialInvalid
                                                                              : kMaterialSand];
      friction = 0.4f * m.friction;
      restitution = 0.65f * m.restitution;
    } else {
      ASSERT_TRUE((a == stacked->body || b == stacked->body));
      friction = 0.4f * 0.4f;  // Bullet's own product of the two bodies
      restitution = 0.65f * 0.65f;
    }
    for (int p = 0; p < manifold->getNumContacts(); ++p) {
      EXPECT_FLOAT_EQ(manifold->getContactPoint(p).m_combinedFriction, friction);
      EXPECT_FLOAT_EQ(manifold->getContactPoint(p).m_combinedRestitution, restitution);
      checked.insert(a == stacked->body || b == stacked->body ? stacked->body : crate);
    }
  }
  EXPECT_EQ(checked.size(), 4u);
}

}  // namespace
}  // namespace physics_test
