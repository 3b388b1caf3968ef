#pragma once
// Building blocks for the procedural sounds: filters, envelopes and
// oscillators over float sample buffers. All state lives in the objects, so
// a sound built from a fixed seed is the same every run.

#include <cstdint>
#include <vector>

namespace assetgen {

// A biquad filter (Robert Bristow-Johnson's cookbook forms), direct form I.
class Biquad {
 public:
  static Biquad LowPass(float frequency, float q, float sampleRate);
  static Biquad HighPass(float frequency, float q, float sampleRate);
  static Biquad BandPass(float frequency, float q, float sampleRate);  // 0 dB peak gain
  float Process(float x);
  // Takes the other filter's coefficients and keeps this one's state, so a
  // sweeping filter changes without a click.
  void Retune(const Biquad& coefficients);

 private:
  float b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
  float x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// A sine whose frequency glides exponentially from `from` to `to` with the
// time constant `glide` (seconds).
class GlidingSine {
 public:
  GlidingSine(float from, float to, float glide, float sampleRate);
  float Next();

 private:
  float from_, to_, glide_, rate_;
  double phase_ = 0.0;
  std::uint64_t sample_ = 0;
};

// Envelope value at time t (seconds): a linear attack over `attack`, then an
// exponential decay with time constant `decay`.
float AttackDecay(float t, float attack, float decay);

// Scales the buffer so that its largest magnitude is `peak`.
void NormalizePeak(std::vector<float>* samples, float peak);
// A raised-cosine fade to silence over the last `seconds`.
void FadeOut(std::vector<float>* samples, float seconds, float sampleRate);
// tanh saturation with the given drive, keeping unity gain for small values.
void SoftClip(std::vector<float>* samples, float drive);
// Removes the DC offset with a one-pole high-pass at about 20 Hz.
void RemoveDc(std::vector<float>* samples, float sampleRate);

}  // namespace assetgen
