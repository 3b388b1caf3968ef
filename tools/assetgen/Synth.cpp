#include "Synth.h"

#include <cmath>

namespace assetgen {

namespace {

constexpr double kTwoPi = 6.283185307179586;

}  // namespace

Biquad Biquad::LowPass(float frequency, float q, float sampleRate) {
  const double w = kTwoPi * frequency / sampleRate, c = std::cos(w), alpha = std::sin(w) / (2.0 * q);
  const double a0 = 1.0 + alpha;
  Biquad f;
  f.b0_ = static_cast<float>((1.0 - c) / 2.0 / a0);
  f.b1_ = static_cast<float>((1.0 - c) / a0);
  f.b2_ = f.b0_;
  f.a1_ = static_cast<float>(-2.0 * c / a0);
  f.a2_ = static_cast<float>((1.0 - alpha) / a0);
  return f;
}

Biquad Biquad::HighPass(float frequency, float q, float sampleRate) {
  const double w = kTwoPi * frequency / sampleRate, c = std::cos(w), alpha = std::sin(w) / (2.0 * q);
  const double a0 = 1.0 + alpha;
  Biquad f;
  f.b0_ = static_cast<float>((1.0 + c) / 2.0 / a0);
  f.b1_ = static_cast<float>(-(1.0 + c) / a0);
  f.b2_ = f.b0_;
  f.a1_ = static_cast<float>(-2.0 * c / a0);
  f.a2_ = static_cast<float>((1.0 - alpha) / a0);
  return f;
}

Biquad Biquad::BandPass(float frequency, float q, float sampleRate) {
  const double w = kTwoPi * frequency / sampleRate, c = std::cos(w), alpha = std::sin(w) / (2.0 * q);
  const double a0 = 1.0 + alpha;
  Biquad f;
  f.b0_ = static_cast<float>(alpha / a0);
  f.b1_ = 0.0f;
  f.b2_ = static_cast<float>(-alpha / a0);
  f.a1_ = static_cast<float>(-2.0 * c / a0);
  f.a2_ = static_cast<float>((1.0 - alpha) / a0);
  return f;
}

float Biquad::Process(float x) {
  const float y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
  x2_ = x1_;
  x1_ = x;
  y2_ = y1_;
  y1_ = y;
  return y;
}

void Biquad::Retune(const Biquad& c) {
  b0_ = c.b0_;
  b1_ = c.b1_;
  b2_ = c.b2_;
  a1_ = c.a1_;
  a2_ = c.a2_;
}

GlidingSine::GlidingSine(float from, float to, float glide, float sampleRate)
    : from_(from), to_(to), glide_(glide), rate_(sampleRate) {}

float GlidingSine::Next() {
  const double t = static_cast<double>(sample_++) / rate_;
  const double frequency = to_ + (from_ - to_) * std::exp(-t / glide_);
  phase_ += kTwoPi * frequency / rate_;
  if (phase_ > kTwoPi) phase_ -= kTwoPi;
  return static_cast<float>(std::sin(phase_));
}

float AttackDecay(float t, float attack, float decay) {
  if (t < 0.0f) return 0.0f;
  if (t < attack) return t / attack;
  return std::exp(-(t - attack) / decay);
}

void NormalizePeak(std::vector<float>* samples, float peak) {
  float largest = 0.0f;
  for (float s : *samples) largest = std::fmax(largest, std::fabs(s));
  if (largest <= 0.0f) return;
  const float gain = peak / largest;
  for (float& s : *samples) s *= gain;
}

void FadeOut(std::vector<float>* samples, float seconds, float sampleRate) {
  const std::size_t length = static_cast<std::size_t>(seconds * sampleRate);
  const std::size_t count = samples->size();
  for (std::size_t i = 0; i < length && i < count; ++i) {
    const float t = static_cast<float>(i) / static_cast<float>(length);  // 0 at the end
    (*samples)[count - 1 - i] *= 0.5f - 0.5f * std::cos(static_cast<float>(kTwoPi) * 0.5f * t);
  }
}

void SoftClip(std::vector<float>* samples, float drive) {
  for (float& s : *samples) s = std::tanh(s * drive) / drive;
}

void RemoveDc(std::vector<float>* samples, float sampleRate) {
  const float r = 1.0f - static_cast<float>(kTwoPi) * 20.0f / sampleRate;
  float x1 = 0.0f, y1 = 0.0f;
  for (float& s : *samples) {
    const float y = s - x1 + r * y1;
    x1 = s;
    y1 = y;
    s = y;
  }
}

}  // namespace assetgen
