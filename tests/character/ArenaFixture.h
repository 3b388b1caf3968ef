#pragma once
// The fighter fixture on the generated arena instead of the flat box: the
// level mesh collided at scale 70 with its materials, as the scene loads it.

#include <cstdint>
#include <string>
#include <vector>

#include "character/CharacterFixture.h"
#include "physics/PhysicsMaterial.h"
#include "platform/d3dx9/D3dxMesh.h"

namespace character_test {

class ArenaTest : public CharacterTest {
 protected:
  static constexpr float kLevelScale = 70.0f;
  static constexpr float kGroundY = 110.0f;            // the arena's lowest floor

  void SetUp() override {
    CharacterTest::SetUp();
    if (HasFatalFailure()) return;
    physics.RemoveBody(ground);
    ground = nullptr;

    const std::string path = std::string(CHARACTER_TEST_DATA_DIR) + "/map/test_map.x";
    ID3DXBuffer* materials = nullptr;
    DWORD count = 0;
    ASSERT_EQ(D3DXLoadMeshFromXA(path.c_str(), D3DXMESH_MANAGED, nullptr, nullptr, &materials, nullptr, &count,
                                 &levelMesh),
              D3D_OK);
    std::vector<std::int32_t> materialMap;
    const auto* list = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
    for (DWORD i = 0; i < count; ++i) {
      const int found = list[i].pTextureFilename != nullptr ? FindPhysicsMaterialByCode(list[i].pTextureFilename) : -1;
      materialMap.push_back(found > 0 ? found : kMaterialUniv);
    }
    materials->Release();
    ASSERT_TRUE(physics.CreateTriMesh(&levelSource, materialMap, levelMesh, kLevelScale));
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    ASSERT_TRUE(physics.AddBody(identity, levelSource, &level));
  }

  void TearDown() override {
    physics.FinishStep();
    // The fighters go first: their bodies may lie on the level.
    for (CharacterObj* character : characters) {
      const int index = manager.Find(character);
      if (index >= 0) manager.Remove(index);
      character->Release();
      delete character;
    }
    characters.clear();
    if (level != nullptr) physics.RemoveBody(level);
    if (levelSource != nullptr) physics.DestroySource(levelSource);
    if (levelMesh != nullptr) levelMesh->Release();
    CharacterTest::TearDown();
  }

  // The height of the level's surface below (x, z), or false when there is
  // none within depth below from.
  bool FloorBelow(float x, float fromY, float z, float depth, float* y) {
    D3DXVECTOR3 hit;
    if (physics.RayTestClosest(D3DXVECTOR3(x, fromY, z), D3DXVECTOR3(x, fromY - depth, z), &hit, nullptr, nullptr,
                               kGroupMap) == nullptr) {
      return false;
    }
    *y = hit.y;
    return true;
  }

  ID3DXMesh* levelMesh = nullptr;
  PeBodySource* levelSource = nullptr;
  BodyHandle* level = nullptr;
};

}  // namespace character_test
