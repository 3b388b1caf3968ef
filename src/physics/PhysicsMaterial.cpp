#include "physics/PhysicsMaterial.h"

const PhysicsMaterial kPhysicsMaterials[kPhysicsMaterialCount] = {
    {0.0f, 0.0f, {0, 0}, "**", "Invalid"},  {0.55f, 0.45f, {0, 0}, "un", "Univ"},
    {0.6f, 0.5f, {0, 0}, "wo", "Wood"},     {0.5f, 0.75f, {0, 0}, "st", "Stone"},
    {0.4f, 0.65f, {0, 0}, "me", "Metal"},   {0.45f, 0.55f, {0, 0}, "gl", "Glass"},
    {0.65f, 0.45f, {0, 0}, "di", "Dirt"},   {0.75f, 0.25f, {0, 0}, "sa", "Sand"},
    {0.7f, 0.35f, {0, 0}, "gr", "Grass"},   {0.45f, 0.3f, {0, 0}, "sn", "Snow"},
    {0.85f, 0.2f, {0, 0}, "li", "Life"},    {0.01f, 0.01f, {0, 0}, "sp", "Special"},
};

const PhysicsMaterial* GetPhysicsMaterial(int number) {
  if (number < 0 || number >= kPhysicsMaterialCount) return nullptr;
  return &kPhysicsMaterials[number];
}

int FindPhysicsMaterialByCode(const char* text) {
  if (text == nullptr || text[0] == '\0' || text[1] == '\0') return -1;
  for (int i = 0; i < kPhysicsMaterialCount; ++i) {
    if (kPhysicsMaterials[i].code[0] == text[0] && kPhysicsMaterials[i].code[1] == text[1]) return i;
  }
  return -1;
}
