#pragma once
// Hooks of the effect system for tests and tools (the game never calls them).

#include <cstdint>

#include "platform/d3dx9/D3dxEffect.h"

namespace d3dx {

struct EffectStatistics {
  std::uint64_t uniformUploads = 0;  // glUniform* calls for parameters
  std::uint64_t programsLinked = 0;
};

EffectStatistics GetEffectStatistics(ID3DXEffect* effect);
void ResetEffectStatistics(ID3DXEffect* effect);

}  // namespace d3dx
