#include "Sounds.h"

#include <cmath>

#include "Noise.h"
#include "Synth.h"

namespace assetgen {

namespace {

constexpr float kRate = static_cast<float>(kSoundRate);

std::size_t Samples(float seconds) { return static_cast<std::size_t>(seconds * kRate); }
float Time(std::size_t i) { return static_cast<float>(i) / kRate; }

// A mode of a struck body: a damped sine (modal synthesis).
struct Mode {
  float frequency;
  float decay;  // seconds
  float level;
};

void AddModes(std::vector<float>* out, const Mode* modes, int count, std::uint64_t seed) {
  Random random(seed);
  for (int m = 0; m < count; ++m) {
    const float phase = random.Range(0.0f, 6.2831853f);
    const float w = 6.2831853f * modes[m].frequency;
    for (std::size_t i = 0; i < out->size(); ++i) {
      const float t = Time(i);
      (*out)[i] += modes[m].level * std::sin(w * t + phase) * AttackDecay(t, 0.0008f, modes[m].decay);
    }
  }
}

}  // namespace

std::vector<float> MakeWoodyThud() {
  std::vector<float> out(Samples(0.42f), 0.0f);
  // The body of the knock: a low sine falling in pitch as the impact ends.
  GlidingSine body(210.0f, 125.0f, 0.03f, kRate);
  for (std::size_t i = 0; i < out.size(); ++i) out[i] += 0.9f * body.Next() * AttackDecay(Time(i), 0.0015f, 0.065f);
  // Wood resonances: a few damped modes, the higher ones shorter.
  const Mode modes[] = {
      {480.0f, 0.05f, 0.3f}, {1130.0f, 0.03f, 0.18f}, {1870.0f, 0.02f, 0.1f}, {2950.0f, 0.012f, 0.06f}};
  AddModes(&out, modes, 4, 101);
  // The contact click.
  Random random(7);
  Biquad click = Biquad::HighPass(1800.0f, 0.7f, kRate);
  for (std::size_t i = 0; i < out.size(); ++i) {
    out[i] += 0.35f * click.Process(random.Range(-1.0f, 1.0f)) * AttackDecay(Time(i), 0.0005f, 0.004f);
  }
  // Wood is dull: take the top off.
  Biquad dull = Biquad::LowPass(4200.0f, 0.7f, kRate);
  for (float& s : out) s = dull.Process(s);
  RemoveDc(&out, kRate);
  FadeOut(&out, 0.08f, kRate);
  NormalizePeak(&out, 0.89f);
  return out;
}

std::vector<float> MakeExplosion() {
  std::vector<float> out(Samples(3.2f), 0.0f);
  Random random(2024);
  // The blast: broadband noise with a very fast attack.
  Biquad blastTone = Biquad::LowPass(7000.0f, 0.7f, kRate);
  // The fireball: noise through a low-pass whose cutoff falls from bright to
  // dark over the first second (recomputed every 64 samples).
  Biquad body = Biquad::LowPass(2500.0f, 0.8f, kRate);
  // The rumble: brown noise (integrated white noise) kept below 140 Hz,
  // swelling in and out slowly so that it rolls.
  Biquad rumbleLow = Biquad::LowPass(140.0f, 0.9f, kRate);
  Biquad rumbleLow2 = Biquad::LowPass(180.0f, 0.7f, kRate);
  float brown = 0.0f;
  GlidingSine thump(62.0f, 32.0f, 0.18f, kRate);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const float t = Time(i);
    if (i % 64 == 0) {
      const float cutoff = 220.0f + 2600.0f * std::exp(-t / 0.35f);
      body.Retune(Biquad::LowPass(cutoff, 0.8f, kRate));
    }
    const float white = random.Range(-1.0f, 1.0f);
    brown = 0.997f * brown + 0.05f * white;
    const float blast = blastTone.Process(white) * AttackDecay(t, 0.0015f, 0.05f);
    const float fire = body.Process(white) * 1.6f * AttackDecay(t, 0.004f, 0.45f);
    const float roll = 0.75f + 0.25f * ValueNoise2(t * 5.0f, 0.5f, 77u) + 0.15f * ValueNoise2(t * 11.0f, 3.5f, 78u);
    const float rumble = rumbleLow2.Process(rumbleLow.Process(brown)) * 3.2f * roll * AttackDecay(t, 0.06f, 0.7f);
    const float sub = thump.Next() * 0.9f * AttackDecay(t, 0.003f, 0.3f);
    out[i] = 2.6f * blast + fire + rumble + sub;
  }
  // Debris crackle: short bursts scattered over the first second.
  for (int burst = 0; burst < 14; ++burst) {
    const float start = random.Range(0.08f, 1.1f);
    const float level = random.Range(0.05f, 0.18f) * std::exp(-start / 0.6f);
    Biquad tone = Biquad::BandPass(random.Range(900.0f, 3500.0f), 1.5f, kRate);
    const std::size_t first = Samples(start);
    for (std::size_t i = first; i < out.size() && i < first + Samples(0.03f); ++i) {
      out[i] += level * 4.0f * tone.Process(random.Range(-1.0f, 1.0f)) * AttackDecay(Time(i - first), 0.0005f, 0.006f);
    }
  }
  RemoveDc(&out, kRate);
  NormalizePeak(&out, 1.0f);
  SoftClip(&out, 1.8f);
  FadeOut(&out, 0.6f, kRate);
  NormalizePeak(&out, 0.89f);
  return out;
}

std::vector<float> MakeHeavyHit() {
  std::vector<float> out(Samples(0.75f), 0.0f);
  // The weight of the blow: a deep sine punch.
  GlidingSine punch(110.0f, 52.0f, 0.045f, kRate);
  for (std::size_t i = 0; i < out.size(); ++i) out[i] += punch.Next() * AttackDecay(Time(i), 0.002f, 0.09f);
  // The smack of the contact: mid-band noise, very short.
  Random random(99);
  Biquad smack = Biquad::BandPass(900.0f, 0.9f, kRate);
  Biquad crack = Biquad::HighPass(2500.0f, 0.7f, kRate);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const float white = random.Range(-1.0f, 1.0f);
    out[i] += 1.1f * smack.Process(white) * AttackDecay(Time(i), 0.001f, 0.03f);
    out[i] += 0.25f * crack.Process(white) * AttackDecay(Time(i), 0.0004f, 0.006f);
  }
  // The "dong": a few inharmonic partials of a struck hollow body.
  const Mode modes[] = {
      {172.0f, 0.28f, 0.22f}, {391.0f, 0.18f, 0.13f}, {655.0f, 0.12f, 0.08f}, {1010.0f, 0.07f, 0.05f}};
  AddModes(&out, modes, 4, 313);
  RemoveDc(&out, kRate);
  NormalizePeak(&out, 1.0f);
  SoftClip(&out, 1.4f);
  FadeOut(&out, 0.15f, kRate);
  NormalizePeak(&out, 0.89f);
  return out;
}

}  // namespace assetgen
