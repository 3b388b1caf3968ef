// The mohawk ("mohi", material "hair_waste_chestnut"): a crest of stiff,
// backswept chestnut spikes with bleached tips along the middle of the
// scalp, on a short strip that hides where they grow from. Origin at the
// "neck" joint, like the head it sits on.

#include <cmath>

#include "Fighter.h"
#include "MeshBuilder.h"
#include "Noise.h"
#include "TextureTools.h"

namespace assetgen {

namespace {

// The midline over the head's cranium, from the forehead (negative angles)
// over the crown (0) to the nape.
Vec3 Midline(float angle) {
  return {0.0f, kCraniumCentre.y + kCraniumRadii.y * std::cos(angle),
          kCraniumCentre.z + kCraniumRadii.z * std::sin(angle)};
}
Vec3 MidlineNormal(float angle) {
  return Normalize(Vec3{0.0f, std::cos(angle) / kCraniumRadii.y, std::sin(angle) / kCraniumRadii.z});
}

// A flattened lens: thin across the head (x), long along the crest.
std::vector<Vec2> LensSection(float halfThickness, float halfWidth, int points) {
  std::vector<Vec2> section;
  for (int i = 0; i < points; ++i) {
    const float a = 2.0f * kPi * static_cast<float>(i) / static_cast<float>(points);
    section.push_back({halfThickness * std::cos(a), halfWidth * std::sin(a)});
  }
  return section;
}

}  // namespace

TexturedAsset BuildMohawk() {
  TexturedAsset asset;
  MeshModel& mesh = asset.mesh;
  const Vec3 side{1.0f, 0.0f, 0.0f};
  // The strip the spikes grow from, hugging the scalp.
  {
    std::vector<SweepFrame> path;
    for (int i = 0; i <= 24; ++i) {
      const float angle = Lerp(-0.95f, 1.95f, static_cast<float>(i) / 24.0f);
      const Vec3 n = MidlineNormal(angle);
      path.push_back({Midline(angle) + n * 0.006f, side, n, 1.0f, 1.0f});
    }
    const std::size_t first = mesh.vertices.size();
    AppendSweep(&mesh, path, LensSection(0.11f, 0.028f, 12), true, true);
    // The strip shows the roots only.
    for (std::size_t v = first; v < mesh.vertices.size(); ++v) mesh.vertices[v].uv.y *= 0.2f;
  }
  // The spikes: tallest over the crown, leaning back and curling a little.
  constexpr int kSpikes = 9;
  for (int s = 0; s < kSpikes; ++s) {
    const float t = static_cast<float>(s) / static_cast<float>(kSpikes - 1);
    const float angle = Lerp(-0.85f, 1.75f, t);
    const Vec3 base = Midline(angle) - MidlineNormal(angle) * 0.03f;
    const Vec3 direction = Normalize(MidlineNormal(angle) + Vec3{0.0f, 0.3f, 0.5f});
    const float length = 0.42f + 0.32f * std::sin(kPi * (0.15f + 0.7f * t));
    std::vector<SweepFrame> path;
    constexpr int kFrames = 9;
    for (int f = 0; f <= kFrames; ++f) {
      const float k = static_cast<float>(f) / static_cast<float>(kFrames);
      const Vec3 position = base + direction * (length * k) + Vec3{0.0f, -0.05f, 0.12f} * (k * k);
      // The section is across the spike: x across the head, y along the
      // crest (perpendicular to the spike's direction).
      const Vec3 along = Normalize(Cross(side, direction));
      const float taper = 1.0f - 0.94f * std::pow(k, 1.3f);
      path.push_back({position, side, along, taper, taper});
    }
    AppendSweep(&mesh, path, LensSection(0.045f, 0.13f, 10), false, true);
  }
  ComputeNormals(&mesh, 0, true);

  constexpr int kSize = 256;
  ColorImage colour(kSize, kSize), specular(kSize, kSize);
  FloatImage height(kSize, kSize);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const float u = (x + 0.5f) / kSize, v = (y + 0.5f) / kSize;
      // Strands run along v (from the roots at 0 to the tips at 1); u goes
      // round the spike, so the noise repeats across it.
      const float strand = Fbm2(u * 48.0f, v * 3.0f, 701u, 3, 0.5f, 48);
      const float clump = Fbm2(u * 8.0f, v * 1.5f, 702u, 2, 0.5f, 8);
      Color c = Mix(Rgb(0.2f, 0.1f, 0.05f), Rgb(0.46f, 0.25f, 0.11f), SmoothStep(0.0f, 0.3f, v));
      c = Mix(c, Rgb(0.82f, 0.6f, 0.32f), SmoothStep(0.6f, 1.0f, v + 0.15f * clump));  // bleached tips
      c = Scale(c, 0.78f + 0.35f * (0.5f + 0.5f * strand) + 0.1f * clump);
      colour.At(x, y) = c;
      height.At(x, y) = 6.0f * strand + 3.0f * clump;
      specular.At(x, y) = SpecularTexel(0.3f + 0.2f * (0.5f + 0.5f * strand), 36.0f, Rgb(1.0f, 0.9f, 0.75f));
    }
  }
  asset.maps = {{"hair_waste_chestnut.png", ToRgba8(colour)},
                {"hair_waste_chestnut_n.png", NormalMapFromHeight(height, 0.5f, true, false)},
                {"hair_waste_chestnut_s.png", ToRgba8(specular)}};
  UdtMaterial& m = asset.material;
  m.type = "Hair2";
  m.ambientRate = 1.0f;
  m.specular = {0.35f, 0.3f, 0.25f};
  m.specularPower = 36.0f;
  m.gpv = 0.8f;  // strength of the second, tinted highlight
  m.diffuseMap = "hair_waste_chestnut.png";
  m.normalMap = "hair_waste_chestnut_n.png";
  m.specularMap = "hair_waste_chestnut_s.png";
  return asset;
}

}  // namespace assetgen
