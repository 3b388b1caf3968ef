#pragma once
// The physics material table: friction and restitution per surface kind.
// Material numbers index the table directly; mesh materials name them by
// their two-letter code, ray queries report them, and the character code
// reads the ground material from them.

#include <cstdint>

struct PhysicsMaterial {
  float friction;
  float restitution;
  std::int32_t reserved[2];  // zero; keeps a row's head the layout of Bullet's btMaterial
  const char* code;          // two letters
  const char* name;
};

enum PhysicsMaterialNumber {
  kMaterialInvalid = 0,
  kMaterialUniv = 1,
  kMaterialWood = 2,
  kMaterialStone = 3,
  kMaterialMetal = 4,
  kMaterialGlass = 5,
  kMaterialDirt = 6,
  kMaterialSand = 7,
  kMaterialGrass = 8,
  kMaterialSnow = 9,
  kMaterialLife = 10,
  kMaterialSpecial = 11,
  kPhysicsMaterialCount = 12
};

extern const PhysicsMaterial kPhysicsMaterials[kPhysicsMaterialCount];

// The row of a material number, or null outside the table.
const PhysicsMaterial* GetPhysicsMaterial(int number);

// The first row whose code equals the first two characters of text, or -1.
int FindPhysicsMaterialByCode(const char* text);
