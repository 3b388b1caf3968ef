#pragma once
// Helpers the whole-game benchmarks share.

#include <cstdlib>
#include <random>

#include "app/AppMain.h"

namespace bench {

// Extra fighters dropped over the arena's interior until the scene holds
// `total`, scale 3 like the scene's own opponents; the same places on
// every run.
inline void SpawnCrowd(AppMain& app, int total) {
  std::mt19937 random(12345);
  std::uniform_real_distribution<float> across(-240.0f, 240.0f);
  std::uniform_real_distribution<float> yaw(0.0f, 6.2831855f);
  for (int made = static_cast<int>(app.GetCharacters().size()); made < total; ++made) {
    const float x = across(random);
    const float z = across(random);
    app.SpawnCharacter(D3DXVECTOR3(x, 400.0f, z), yaw(random), 3.0f);
  }
}

// A count option between 1 and 100,000.
inline bool ParseCount(const char* text, int* value) {
  char* end = nullptr;
  const long parsed = std::strtol(text, &end, 10);
  if (*end != '\0' || parsed < 1 || parsed > 100000) return false;
  *value = static_cast<int>(parsed);
  return true;
}

}  // namespace bench
