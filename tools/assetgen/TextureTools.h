#pragma once
// Procedural texture helpers: floating-point images to paint into, sampling,
// and the conversions to the 8-bit maps the game reads (colour,
// tangent-space normal maps from height fields, specular maps).

#include <cstdint>
#include <functional>
#include <vector>

#include "MeshModel.h"

namespace assetgen {

struct Color {
  float r = 0.0f, g = 0.0f, b = 0.0f, a = 1.0f;
};

inline Color Rgb(float r, float g, float b, float a = 1.0f) { return Color{r, g, b, a}; }
Color Mix(const Color& a, const Color& b, float t);
Color Scale(const Color& c, float s);  // rgb only

// A single-channel float image (heights, masks).
struct FloatImage {
  int width = 0;
  int height = 0;
  std::vector<float> values;

  FloatImage() = default;
  FloatImage(int w, int h, float fill = 0.0f);
  float& At(int x, int y) { return values[static_cast<std::size_t>(y) * width + x]; }
  float At(int x, int y) const { return values[static_cast<std::size_t>(y) * width + x]; }
  // Texel (x, y) with wrapping (tiling) or clamping at the borders.
  float Fetch(int x, int y, bool wrap) const { return Fetch(x, y, wrap, wrap); }
  float Fetch(int x, int y, bool wrapX, bool wrapY) const;
};

// A float RGBA image.
struct ColorImage {
  int width = 0;
  int height = 0;
  std::vector<Color> texels;

  ColorImage() = default;
  ColorImage(int w, int h, Color fill = Color{});
  Color& At(int x, int y) { return texels[static_cast<std::size_t>(y) * width + x]; }
  const Color& At(int x, int y) const { return texels[static_cast<std::size_t>(y) * width + x]; }
};

// Fills every texel from a function of the texel centre's (u, v) in [0, 1).
void Paint(ColorImage* image, const std::function<Color(float u, float v)>& shader);
void Paint(FloatImage* image, const std::function<float(float u, float v)>& shader);

// 8-bit RGBA, each channel clamped to [0, 1] and rounded.
ImageRgba ToRgba8(const ColorImage& image);

// A tangent-space normal map of a height field whose heights are in texel
// units times `strength`: x along +u, y along +v (down the image), z out of
// the surface; a flat field gives (0.5, 0.5, 1). Wrap for tiling textures
// (per axis: a lat-long map wraps around in u only).
ImageRgba NormalMapFromHeight(const FloatImage& height, float strength, bool wrapU, bool wrapV);

// A specular map texel: highlight colour in rgb, exponent / 255 in alpha
// (the game reads the exponent as alpha times 255).
Color SpecularTexel(float intensity, float exponent, Color tint = Color{1.0f, 1.0f, 1.0f, 1.0f});

// True when both sides are powers of two.
bool IsPowerOfTwo(int width, int height);

}  // namespace assetgen
