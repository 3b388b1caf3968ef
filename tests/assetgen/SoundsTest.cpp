// The synthesised sounds have the character their names promise: a short
// low knock, a blast with a long rumbling tail, a deep hit that rings on.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/assetgen/Sounds.h"
#include "tools/assetgen/Synth.h"

namespace {

using namespace assetgen;

// RMS level (dB below full scale) of the samples between two times.
float LevelDb(const std::vector<float>& s, float from, float to) {
  const std::size_t a = static_cast<std::size_t>(from * kSoundRate);
  const std::size_t b = std::min(s.size(), static_cast<std::size_t>(to * kSoundRate));
  double sum = 0.0;
  for (std::size_t i = a; i < b; ++i) sum += static_cast<double>(s[i]) * s[i];
  return static_cast<float>(10.0 * std::log10(sum / static_cast<double>(b - a) + 1e-20));
}

// The dominant frequency between two times, by counting zero crossings.
float CrossingFrequency(const std::vector<float>& s, float from, float to) {
  const std::size_t a = static_cast<std::size_t>(from * kSoundRate);
  const std::size_t b = std::min(s.size(), static_cast<std::size_t>(to * kSoundRate));
  int crossings = 0;
  for (std::size_t i = a + 1; i < b; ++i) crossings += (s[i - 1] < 0.0f) != (s[i] < 0.0f) ? 1 : 0;
  return static_cast<float>(crossings) * 0.5f / (to - from);
}

float Peak(const std::vector<float>& s) {
  float peak = 0.0f;
  for (float v : s) peak = std::fmax(peak, std::fabs(v));
  return peak;
}

TEST(SoundsTest, TheThudIsAShortLowKnock) {
  const std::vector<float> thud = MakeWoodyThud();
  EXPECT_LT(thud.size(), static_cast<std::size_t>(kSoundRate / 2));
  EXPECT_NEAR(Peak(thud), 0.89f, 0.01f);
  // Loud at once, near silence a quarter of a second later.
  EXPECT_GT(LevelDb(thud, 0.0f, 0.05f), LevelDb(thud, 0.25f, 0.3f) + 30.0f);
  EXPECT_LT(CrossingFrequency(thud, 0.05f, 0.2f), 300.0f);
  EXPECT_NEAR(thud.back(), 0.0f, 1e-3f);  // faded out: no click at the end
}

TEST(SoundsTest, TheExplosionRollsOnLongAfterTheBlast) {
  const std::vector<float> blast = MakeExplosion();
  EXPECT_GT(blast.size(), static_cast<std::size_t>(kSoundRate * 2.5f));
  EXPECT_NEAR(Peak(blast), 0.89f, 0.01f);
  // The crack is bright, the tail dark and rumbling.
  EXPECT_GT(CrossingFrequency(blast, 0.0f, 0.05f), 1000.0f);
  EXPECT_LT(CrossingFrequency(blast, 1.0f, 2.0f), 250.0f);
  // The tail is still there after a second and dies away towards the end.
  const float early = LevelDb(blast, 0.0f, 0.2f), middle = LevelDb(blast, 1.0f, 1.5f),
              late = LevelDb(blast, 2.4f, 2.6f);
  EXPECT_GT(middle, early - 20.0f);
  EXPECT_LT(late, middle - 3.0f);
  EXPECT_NEAR(blast.back(), 0.0f, 1e-3f);
}

TEST(SoundsTest, TheHeavyHitPunchesLowAndRingsOn) {
  const std::vector<float> hit = MakeHeavyHit();
  EXPECT_NEAR(Peak(hit), 0.89f, 0.01f);
  // After the punch the body's ring sounds at its lowest mode.
  EXPECT_NEAR(CrossingFrequency(hit, 0.2f, 0.45f), 172.0f, 25.0f);
  EXPECT_GT(LevelDb(hit, 0.3f, 0.4f), LevelDb(hit, 0.0f, 0.05f) - 30.0f);
}

TEST(SynthTest, FiltersPassWhatTheyShouldAndSweepWithoutJumps) {
  // A 100 Hz sine through a 1 kHz low-pass keeps its level; a 5 kHz one
  // loses most of it.
  auto through = [](Biquad filter, float frequency) {
    float peak = 0.0f;
    for (int i = 0; i < kSoundRate / 10; ++i) {
      const float y = filter.Process(std::sin(6.2831853f * frequency * static_cast<float>(i) / kSoundRate));
      if (i > kSoundRate / 20) peak = std::fmax(peak, std::fabs(y));
    }
    return peak;
  };
  EXPECT_NEAR(through(Biquad::LowPass(1000.0f, 0.7f, kSoundRate), 100.0f), 1.0f, 0.05f);
  EXPECT_LT(through(Biquad::LowPass(1000.0f, 0.7f, kSoundRate), 5000.0f), 0.1f);
  EXPECT_LT(through(Biquad::HighPass(1000.0f, 0.7f, kSoundRate), 100.0f), 0.05f);
  EXPECT_NEAR(through(Biquad::BandPass(800.0f, 2.0f, kSoundRate), 800.0f), 1.0f, 0.05f);
  // Retuning keeps the state: a steady signal sees no step.
  Biquad filter = Biquad::LowPass(500.0f, 0.7f, kSoundRate);
  float last = 0.0f;
  for (int i = 0; i < 2000; ++i) last = filter.Process(1.0f);
  filter.Retune(Biquad::LowPass(400.0f, 0.7f, kSoundRate));
  EXPECT_NEAR(filter.Process(1.0f), last, 0.01f);
}

}  // namespace
