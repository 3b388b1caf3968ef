#include "TextureTools.h"

#include <cmath>

#include "VecMath.h"

namespace assetgen {

namespace {

int WrapIndex(int i, int n) {
  const int m = i % n;
  return m < 0 ? m + n : m;
}

int ClampIndex(int i, int n) { return i < 0 ? 0 : (i >= n ? n - 1 : i); }

std::uint8_t ToByte(float v) {
  const float c = Saturate(v);
  return static_cast<std::uint8_t>(std::lround(c * 255.0f));
}

}  // namespace

Color Mix(const Color& a, const Color& b, float t) {
  return Color{Lerp(a.r, b.r, t), Lerp(a.g, b.g, t), Lerp(a.b, b.b, t), Lerp(a.a, b.a, t)};
}

Color Scale(const Color& c, float s) { return Color{c.r * s, c.g * s, c.b * s, c.a}; }

FloatImage::FloatImage(int w, int h, float fill)
    : width(w), height(h), values(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill) {}

float FloatImage::Fetch(int x, int y, bool wrapX, bool wrapY) const {
  x = wrapX ? WrapIndex(x, width) : ClampIndex(x, width);
  y = wrapY ? WrapIndex(y, height) : ClampIndex(y, height);
  return At(x, y);
}

ColorImage::ColorImage(int w, int h, Color fill)
    : width(w), height(h), texels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill) {}

void Paint(ColorImage* image, const std::function<Color(float u, float v)>& shader) {
  for (int y = 0; y < image->height; ++y) {
    const float v = (static_cast<float>(y) + 0.5f) / static_cast<float>(image->height);
    for (int x = 0; x < image->width; ++x) {
      image->At(x, y) = shader((static_cast<float>(x) + 0.5f) / static_cast<float>(image->width), v);
    }
  }
}

void Paint(FloatImage* image, const std::function<float(float u, float v)>& shader) {
  for (int y = 0; y < image->height; ++y) {
    const float v = (static_cast<float>(y) + 0.5f) / static_cast<float>(image->height);
    for (int x = 0; x < image->width; ++x) {
      image->At(x, y) = shader((static_cast<float>(x) + 0.5f) / static_cast<float>(image->width), v);
    }
  }
}

ImageRgba ToRgba8(const ColorImage& image) {
  ImageRgba out;
  out.width = image.width;
  out.height = image.height;
  out.pixels.resize(image.texels.size() * 4);
  for (std::size_t i = 0; i < image.texels.size(); ++i) {
    const Color& c = image.texels[i];
    out.pixels[i * 4 + 0] = ToByte(c.r);
    out.pixels[i * 4 + 1] = ToByte(c.g);
    out.pixels[i * 4 + 2] = ToByte(c.b);
    out.pixels[i * 4 + 3] = ToByte(c.a);
  }
  return out;
}

ImageRgba NormalMapFromHeight(const FloatImage& height, float strength, bool wrapU, bool wrapV) {
  ImageRgba out;
  out.width = height.width;
  out.height = height.height;
  out.pixels.resize(height.values.size() * 4);
  for (int y = 0; y < height.height; ++y) {
    for (int x = 0; x < height.width; ++x) {
      // Central differences: slope per texel along +u and +v.
      const float du = (height.Fetch(x + 1, y, wrapU, wrapV) - height.Fetch(x - 1, y, wrapU, wrapV)) * 0.5f * strength;
      const float dv = (height.Fetch(x, y + 1, wrapU, wrapV) - height.Fetch(x, y - 1, wrapU, wrapV)) * 0.5f * strength;
      const Vec3 n = Normalize(Vec3{-du, -dv, 1.0f});
      std::uint8_t* p = &out.pixels[(static_cast<std::size_t>(y) * height.width + x) * 4];
      p[0] = ToByte(n.x * 0.5f + 0.5f);
      p[1] = ToByte(n.y * 0.5f + 0.5f);
      p[2] = ToByte(n.z * 0.5f + 0.5f);
      p[3] = 255;
    }
  }
  return out;
}

Color SpecularTexel(float intensity, float exponent, Color tint) {
  return Color{tint.r * intensity, tint.g * intensity, tint.b * intensity, Clamp(exponent, 1.0f, 255.0f) / 255.0f};
}

bool IsPowerOfTwo(int width, int height) {
  auto power = [](int v) { return v > 0 && (v & (v - 1)) == 0; };
  return power(width) && power(height);
}

}  // namespace assetgen
