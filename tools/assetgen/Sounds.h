#pragma once
// The scene's three sounds, synthesised: samples in [-1, 1] at kSoundRate.

#include <vector>

namespace assetgen {

constexpr int kSoundRate = 44100;

// A prop hitting something: a short, dull, woody knock.
std::vector<float> MakeWoodyThud();
// A cabbage bomb going off: a sharp blast that rolls off into a long rumble.
std::vector<float> MakeExplosion();
// A heavy blow landing on a fighter: a deep punch with a short resonant ring.
std::vector<float> MakeHeavyHit();

}  // namespace assetgen
