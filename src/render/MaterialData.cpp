#include "render/MaterialData.h"

#include <cstring>

#include "render/RenderSystem.h"

namespace {

// The row order is the order of the renderer's technique handles. The last
// row's short name starts with a line break, so that no line of a material
// file can name it. Columns: short name, technique, then the flags normal,
// spec, emis, gpv, lmap, lit, and the kind.
const MaterialType kMaterialTypes[kMaterialTypeCount] = {
    {"StdSimple", "T_Std_Simple", false, false, false, false, false, true, 0},
    {"StdMid", "T_Std_Mid", true, false, false, false, false, true, 0},
    {"StdMid+", "T_Std_MidP", true, true, false, false, false, true, 0},
    {"StdFull", "T_Std_Full", true, true, true, false, false, true, 0},
    {"CharSimple", "T_Char_Simple", false, false, false, true, false, true, 1},
    {"CharMid", "T_Char_Mid", true, false, false, true, false, true, 1},
    {"CharMid+", "T_Char_MidP", true, true, false, true, false, true, 1},
    {"CharFull", "T_Char_Full", true, true, true, false, false, true, 1},
    {"MapSimple", "T_Map_Simple", false, false, false, false, true, true, 0},
    {"MapMid", "T_Map_Mid", true, false, false, false, true, true, 0},
    {"MapMid+", "T_Map_MidP", true, true, false, false, true, true, 0},
    {"MapFull", "T_Map_Full", true, true, true, false, true, true, 0},
    {"Toon", "T_Toon", false, true, true, true, false, true, 2},
    {"ToonHair", "T_ToonHair", false, false, false, true, false, true, 3},
    {"Toon2", "T_Toon2", false, true, true, true, false, true, 2},
    {"ToonHair2", "T_ToonHair2", true, false, true, true, false, true, 3},
    {"Hair", "T_Hair", false, true, false, true, false, true, 4},
    {"Hair2", "T_Hair2", true, true, false, true, false, true, 4},
    {"Plain", "T_Plain", false, false, false, false, false, false, 0},
    {"PlainBright", "T_PlainBright", false, false, false, true, false, false, 5},
    {"\nPlainOCR", "T_PlainOCR", false, false, false, false, false, true, 0},
};

D3DCOLORVALUE Grey(float value) { return D3DCOLORVALUE{value, value, value, 1.0f}; }

// Drops one texture reference of a map slot: back to the owner's pool when
// the pool holds the maps, else directly.
void ReleaseMap(IDirect3DTexture9** map, RenderSystem* pool) {
  if (*map == nullptr) return;
  if (pool != nullptr) {
    pool->GetTexturePool().Release(*map);
  } else {
    (*map)->Release();
  }
  *map = nullptr;
}

// Destroys a material with the references it holds. In the shader modes the
// maps are texture-pool references; in the fixed-pipeline mode the material
// holds its own blended texture; a material without an owner holds plain
// references.
void ReleaseMaterial(MaterialData* material) {
  RenderSystem* pool = material->owner != nullptr && !material->owner->IsFixedPipeline() ? material->owner : nullptr;
  ReleaseMap(&material->diffuseMap, pool);
  ReleaseMap(&material->normalMap, pool);
  ReleaseMap(&material->specularMap, pool);
  ReleaseMap(&material->emissiveMap, pool);
  delete material->fixedMaterial;
  material->fixedMaterial = nullptr;
  material->type = -1;
  delete material;
}

}  // namespace

const MaterialType& GetMaterialType(int row) {
  // An unset type (-1) draws as the default material, whose row is 0.
  return row >= 0 && row < kMaterialTypeCount ? kMaterialTypes[row] : kMaterialTypes[0];
}

int FindMaterialType(const char* shortName) {
  if (shortName == nullptr) return -1;
  for (int row = 0; row < kMaterialTypeCount; ++row) {
    if (std::strcmp(kMaterialTypes[row].shortName, shortName) == 0) return row;
  }
  return -1;
}

void FillFixedMaterial(const MaterialData& material, D3DMATERIAL9* out) {
  const float a = material.ambientRate;
  out->Diffuse = Grey(1.0f);
  out->Ambient = D3DCOLORVALUE{a, a, a, 1.0f};
  out->Specular = D3DCOLORVALUE{material.specular[0], material.specular[1], material.specular[2], 1.0f};
  out->Emissive = Grey(0.0f);
  out->Power = material.specularPower;
  switch (GetMaterialType(material.type).kind) {
    case 1:  // character
      out->Emissive = Grey(0.1f);
      out->Diffuse = Grey(0.9f);
      break;
    case 2:  // toon
    case 3:  // toon hair
      out->Emissive = Grey(0.5f);
      out->Diffuse = Grey(0.6f);
      out->Specular.r *= 1.2f;
      out->Specular.g *= 1.2f;
      out->Specular.b *= 1.2f;
      out->Power *= 2.5f;
      break;
    case 4:  // hair
      out->Emissive = Grey(0.1f);
      out->Diffuse = Grey(0.8f);
      out->Power *= 8.0f;
      break;
    default:
      break;
  }
}

void RenderSystem::TexturePoolManager::DeleteResource(IDirect3DTexture9* texture) {
  if (texture != nullptr) texture->Release();
}

void RenderSystem::MaterialPoolManager::DeleteResource(MaterialData* material) {
  if (material != nullptr) ReleaseMaterial(material);
}
