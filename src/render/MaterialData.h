#pragma once
// A material: how a surface is shaded (technique row, ambient and specular
// response, a free shader scalar) and its four texture maps.

#include "platform/d3d9/D3d9.h"

class RenderSystem;

struct MaterialData {
  std::int32_t type = -1;  // row of the material type table; -1: the default material
  float ambientRate = 0.0f;
  float specular[3] = {0.0f, 0.0f, 0.0f};
  float specularPower = 0.0f;  // follows specular: the four floats go to the shader as one vector
  float gpv = 0.0f;
  IDirect3DTexture9* diffuseMap = nullptr;
  IDirect3DTexture9* normalMap = nullptr;
  IDirect3DTexture9* specularMap = nullptr;
  IDirect3DTexture9* emissiveMap = nullptr;
  D3DMATERIAL9* fixedMaterial = nullptr;  // fixed-pipeline mode only, owned
  RenderSystem* owner = nullptr;
};

// One row of the material type table.
struct MaterialType {
  const char* shortName;  // what a .udt file names
  const char* technique;  // the effect technique that draws it
  bool normal;            // uses a normal map
  bool spec;              // uses a specular map (else g_Specular from the record)
  bool emis;              // uses an emissive map
  bool gpv;               // sets g_GPV
  bool lmap;              // fixed pipeline: stage 1 modulates by a light map, times two
  bool lit;               // fixed pipeline: lit while drawn
  int kind;               // 0 standard, 1 character, 2 toon, 3 toon hair, 4 hair, 5 bright
};

constexpr int kMaterialTypeCount = 21;
constexpr int kMaterialTypePlainOcr = 20;  // the overlay's row; no .udt file can name it
const MaterialType& GetMaterialType(int row);
// The row of a short name (exact, case-sensitive), or -1.
int FindMaterialType(const char* shortName);

// Fills the fixed-pipeline colours of a material from its ambient rate,
// specular colour and power, shaped by its type's kind.
void FillFixedMaterial(const MaterialData& material, D3DMATERIAL9* out);
