#include "EffectTextures.h"

#include <cmath>
#include <vector>

#include "Noise.h"
#include "TextureTools.h"
#include "VecMath.h"

namespace assetgen {

namespace {

// Distance from the image centre in units of half the image (1 at the
// middle of an edge), and the angle around it.
float Radius(float u, float v) { return 2.0f * std::sqrt((u - 0.5f) * (u - 0.5f) + (v - 0.5f) * (v - 0.5f)); }
float Angle(float u, float v) { return std::atan2(v - 0.5f, u - 0.5f); }

// Soft edge of a shape at signed distance d (negative inside), `width` wide.
float Edge(float d, float width) { return 1.0f - SmoothStep(-width, width, d); }

// Transparent pixels keep the colour of their surroundings, so that
// filtering towards them does not darken the edge.
ColorImage Blank(int size, Color colour) {
  colour.a = 0.0f;
  return ColorImage(size, size, colour);
}

}  // namespace

ImageRgba MakeShadowTexture() {
  ColorImage image = Blank(64, Rgb(1, 1, 1));
  Paint(&image, [](float u, float v) {
    // A solid core with a soft rim that reaches exactly zero one texel
    // inside the border: the game lays the blob faintly, so the core carries it.
    const float r = Radius(u, v) * (64.0f / 62.0f);
    const float falloff = r < 1.0f ? (1.0f - r * r) : 0.0f;
    return Rgb(0, 0, 0, std::sqrt(falloff));
  });
  return ToRgba8(image);
}

ImageRgba MakeBloodDropTexture() {
  ColorImage image = Blank(64, Rgb(0.35f, 0.02f, 0.02f));
  Paint(&image, [](float u, float v) {
    const float r = Radius(u, v);
    const float a = Angle(u, v);
    // A slightly uneven rim.
    const float rim = 0.72f + 0.035f * GradientNoise2(std::cos(a) * 1.5f + 3.0f, std::sin(a) * 1.5f + 3.0f, 11u);
    const float coverage = Edge(r - rim, 0.05f);
    // Thicker, darker in the middle; a highlight up and to the left.
    const float depth = Saturate(1.0f - r / rim);
    Color colour = Mix(Rgb(0.55f, 0.03f, 0.03f), Rgb(0.32f, 0.0f, 0.01f), std::sqrt(depth));
    const float hx = u - 0.38f, hy = v - 0.36f;
    const float highlight = std::exp(-(hx * hx + hy * hy) * 260.0f);
    colour = Mix(colour, Rgb(0.95f, 0.7f, 0.7f), 0.75f * highlight);
    colour.a = coverage;
    return colour;
  });
  return ToRgba8(image);
}

ImageRgba MakeBloodSplashTexture() {
  constexpr int kSize = 128;
  // Coverage first: a ragged blot, streaks thrown outwards, droplets.
  FloatImage coverage(kSize, kSize);
  Random random(4711);
  struct Drop {
    float u, v, radius;
  };
  std::vector<Drop> drops;
  for (int i = 0; i < 22; ++i) {
    const float angle = random.Range(0.0f, 2.0f * kPi);
    const float distance = random.Range(0.36f, 0.88f);
    const float radius = random.Range(0.018f, 0.06f) * (1.1f - 0.6f * distance);
    drops.push_back({0.5f + 0.5f * distance * std::cos(angle), 0.5f + 0.5f * distance * std::sin(angle), radius});
  }
  std::vector<float> streakAngles;
  for (int i = 0; i < 9; ++i) streakAngles.push_back(random.Range(0.0f, 2.0f * kPi));
  Paint(&coverage, [&](float u, float v) {
    const float r = Radius(u, v);
    const float a = Angle(u, v);
    const float ragged = 0.42f + 0.09f * Fbm2(std::cos(a) * 1.6f + 5.0f, std::sin(a) * 1.6f + 5.0f, 23u, 4) +
                         0.05f * Fbm2(u * 9.0f, v * 9.0f, 29u, 3);
    float c = Edge(r - ragged, 0.02f);
    // Streaks: thin wedges along a few directions, tapering outwards.
    for (float streak : streakAngles) {
      float d = std::fabs(std::remainder(a - streak, 2.0f * kPi));
      const float width = 0.09f * Saturate(1.0f - (r - 0.3f) / 0.45f);
      c = std::fmax(c, Edge(d * r - width * 0.5f, 0.01f) * Edge(r - 0.78f, 0.03f));
    }
    for (const Drop& drop : drops) {
      const float d = std::sqrt((u - drop.u) * (u - drop.u) + (v - drop.v) * (v - drop.v)) - drop.radius;
      c = std::fmax(c, Edge(d, 0.006f));
    }
    // Nothing reaches the border.
    return c * Edge(r - 0.96f, 0.02f);
  });
  ColorImage image = Blank(kSize, Rgb(0.3f, 0.01f, 0.01f));
  Paint(&image, [&](float u, float v) {
    const int x = static_cast<int>(u * kSize), y = static_cast<int>(v * kSize);
    const float a = coverage.At(x, y);
    const float shade = 0.5f + 0.5f * Fbm2(u * 6.0f, v * 6.0f, 31u, 3);
    Color colour = Mix(Rgb(0.28f, 0.0f, 0.01f), Rgb(0.52f, 0.03f, 0.03f), shade);
    colour.a = a;
    return colour;
  });
  return ToRgba8(image);
}

ImageRgba MakeSmokeTexture() {
  // A cluster of soft lumps, broken up by fractal noise: a billowing puff.
  struct Lump {
    float u, v, radius;
  };
  std::vector<Lump> lumps = {{0.5f, 0.5f, 0.27f}};
  Random random(57);
  for (int i = 0; i < 7; ++i) {
    const float angle = random.Range(0.0f, 2.0f * kPi);
    const float distance = random.Range(0.12f, 0.22f);
    lumps.push_back({0.5f + distance * std::cos(angle), 0.5f + distance * std::sin(angle), random.Range(0.13f, 0.19f)});
  }
  ColorImage image = Blank(128, Rgb(0.9f, 0.9f, 0.9f));
  Paint(&image, [&](float u, float v) {
    float density = 0.0f;
    float lit = 0.0f;
    for (const Lump& lump : lumps) {
      const float du = (u - lump.u) / lump.radius, dv = (v - lump.v) / lump.radius;
      const float d2 = du * du + dv * dv;
      const float w = std::exp(-d2 * 2.4f);
      density += w;
      // Each lump is brighter on its upper left side.
      lit += w * Saturate(0.6f - 0.35f * (du + dv));
    }
    const float billow = Fbm2(u * 5.0f, v * 5.0f, 57u, 5, 0.55f);
    density *= 0.9f + 0.6f * billow;
    const float shade = 0.62f + 0.38f * Saturate(lit / (density + 1e-4f) + 0.5f * billow);
    Color colour = Rgb(shade, shade, shade);
    colour.a = SmoothStep(0.08f, 0.85f, density) * Edge(Radius(u, v) - 0.95f, 0.04f);
    return colour;
  });
  return ToRgba8(image);
}

ImageRgba MakeBlurMaskTexture() {
  ColorImage image = Blank(128, Rgb(1, 1, 1));
  Paint(&image, [](float u, float v) {
    // r in texture units: 0 at the centre, 0.5 at the middle of an edge.
    const float r = 0.5f * Radius(u, v);
    return Rgb(1, 1, 1, 1.0f - SmoothStep(0.08f, 0.36f, r));
  });
  return ToRgba8(image);
}

}  // namespace assetgen
