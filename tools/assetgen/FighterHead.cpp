// The fighter's head ("tinpira1"): a square-jawed punk with a heavy brow, a
// crooked nose, squinting eyes, stubble, a scarred eyebrow and cheek, the
// scalp shaved at the sides of the mohawk. Origin at the "neck" joint (the
// game draws it 0.2 above the joint at 98%); the neck stub reaches down
// into the body's neck.

#include <cmath>

#include "Fighter.h"
#include "Noise.h"
#include "OrganicModel.h"

namespace assetgen {

namespace {

constexpr float kEyeRadius = 0.062f;
const Vec3 kEyeLeft{0.16f, 0.655f, -0.365f};  // the fighter's left (+X)

SdfShape HeadShape() {
  SdfShape shape;
  shape.Add(RoundCone({0.0f, -0.32f, 0.06f}, {0.0f, 0.35f, 0.04f}, 0.3f, 0.28f, 0.15f, 0));  // neck
  shape.Add(Ellipsoid(kCraniumCentre, kCraniumRadii, 0.15f, 0));
  shape.Add(RoundBox({0.0f, 0.4f, -0.1f}, {0.3f, 0.22f, 0.3f}, 0.15f, 0.15f, 0));                   // jaw
  shape.Add(Ellipsoid({0.0f, 0.22f, -0.32f}, {0.15f, 0.1f, 0.11f}, 0.08f, 0));                      // chin
  shape.Add(RoundCone({-0.24f, 0.785f, -0.38f}, {0.24f, 0.785f, -0.38f}, 0.07f, 0.07f, 0.08f, 0));  // brow
  // A broken nose: bridge and tip a little to the left.
  shape.Add(RoundCone({0.0f, 0.74f, -0.45f}, {0.025f, 0.56f, -0.56f}, 0.045f, 0.068f, 0.04f, 0));
  shape.Add(Ellipsoid({-0.03f, 0.55f, -0.5f}, {0.05f, 0.04f, 0.045f}, 0.03f, 0));  // nostril wings
  shape.Add(Ellipsoid({0.07f, 0.55f, -0.5f}, {0.05f, 0.04f, 0.045f}, 0.03f, 0));
  shape.Add(Ellipsoid({0.0f, 0.455f, -0.43f}, {0.12f, 0.03f, 0.045f}, 0.02f, 0));   // upper lip
  shape.Add(Ellipsoid({0.0f, 0.395f, -0.42f}, {0.11f, 0.035f, 0.045f}, 0.02f, 0));  // lower lip
  // The mouth: a slit whose corners turn down (a sneer).
  shape.Add(Carve(RoundCone({-0.02f, 0.428f, -0.47f}, {-0.115f, 0.405f, -0.44f}, 0.008f, 0.006f, 0.012f, 0)));
  shape.Add(Carve(RoundCone({0.02f, 0.428f, -0.47f}, {0.115f, 0.41f, -0.44f}, 0.008f, 0.006f, 0.012f, 0)));
  shape.Add(Carve(RoundCone({-0.02f, 0.428f, -0.47f}, {0.02f, 0.428f, -0.47f}, 0.008f, 0.008f, 0.012f, 0)));
  for (float side : {-1.0f, 1.0f}) {
    shape.Add(Ellipsoid({side * 0.22f, 0.58f, -0.3f}, {0.14f, 0.09f, 0.12f}, 0.08f, 0));           // cheekbone
    shape.Add(Carve(Ellipsoid({side * 0.16f, 0.66f, -0.44f}, {0.095f, 0.06f, 0.08f}, 0.05f, 0)));  // eye socket
    shape.Add(Ellipsoid({side * kEyeLeft.x, kEyeLeft.y, kEyeLeft.z}, {kEyeRadius, kEyeRadius, kEyeRadius}, 0.01f, 0));
    // Heavy upper lids: he squints.
    shape.Add(RoundCone({side * 0.085f, 0.695f, -0.405f}, {side * 0.235f, 0.7f, -0.385f}, 0.026f, 0.024f, 0.02f, 0));
    shape.Add(Ellipsoid({side * 0.43f, 0.62f, 0.06f}, {0.05f, 0.13f, 0.09f}, 0.03f, 0));  // ear
  }
  return shape;
}

float Gauss2(float dx, float dy, float radius) { return std::exp(-(dx * dx + dy * dy) / (radius * radius)); }

struct HeadPainter {
  const SdfShape& shape;
  const std::vector<float>& vertexOcclusion;

  // Where the eyes look: straight ahead.
  static float EyeDistance(Vec3 p, float side) {
    return Distance(p, Vec3{side * kEyeLeft.x, kEyeLeft.y, kEyeLeft.z}) - kEyeRadius;
  }

  SurfaceLook Look(const SurfacePoint& s) const {
    const Vec3 p = s.position;
    SurfaceLook look;
    for (float side : {-1.0f, 1.0f}) {
      if (std::fabs(EyeDistance(p, side)) < 0.006f && p.z < kEyeLeft.z) {
        // The eye: white, a brown iris and a black pupil round the front.
        const Vec3 d = Normalize(p - Vec3{side * kEyeLeft.x, kEyeLeft.y, kEyeLeft.z});
        const float fromFront = std::acos(Clamp(-d.z, -1.0f, 1.0f));
        Color c = Rgb(0.86f, 0.83f, 0.78f);
        if (fromFront < 0.5f) c = Rgb(0.32f, 0.19f, 0.1f);
        if (fromFront < 0.22f) c = Rgb(0.03f, 0.02f, 0.02f);
        look.albedo = c;
        look.specular = 0.8f;
        look.exponent = 80.0f;
        return look;
      }
    }
    const float occlusion = s.Interpolate(vertexOcclusion);
    Color skin = Rgb(0.8f, 0.57f, 0.44f);
    skin = Scale(skin, 1.0f + 0.07f * Fbm3(p * 4.0f, 501u, 3) + 0.03f * Fbm3(p * 20.0f, 502u, 2));
    // Red nose and ears, darker ear hollows.
    skin = Mix(skin, Rgb(0.8f, 0.45f, 0.38f),
               0.5f * Gauss2(p.x - 0.02f, p.y - 0.58f, 0.08f) * (p.z < -0.4f ? 1.0f : 0.0f));
    // Lips.
    const float lips = Gauss2(p.x * 0.45f, (p.y - 0.425f) * 1.1f, 0.055f) * (p.z < -0.36f ? 1.0f : 0.0f);
    skin = Mix(skin, Rgb(0.62f, 0.36f, 0.33f), Saturate(lips * 1.3f));
    // The shaved scalp: blue-grey stubble where hair would grow.
    const float scalp =
        SmoothStep(0.78f, 0.9f, p.y + 0.35f * Saturate(p.z)) * SmoothStep(-0.25f, -0.05f, p.z + 0.2f * (p.y - 0.9f));
    const float stubbleDots = 1.0f - SmoothStep(0.18f, 0.32f, Cellular3(p * 90.0f, 503u).nearest);
    skin = Mix(skin, Rgb(0.42f, 0.36f, 0.34f), scalp * (0.55f + 0.25f * stubbleDots));
    // The beard shadow on jaw, chin and upper lip.
    const float beard = SmoothStep(0.56f, 0.44f, p.y) * SmoothStep(0.05f, -0.2f, p.z) * SmoothStep(-0.05f, 0.12f, p.y) *
                        (1.0f - Saturate(lips * 2.0f));
    skin = Mix(skin, Rgb(0.45f, 0.36f, 0.33f), beard * (0.35f + 0.3f * stubbleDots));
    // Eyebrows: thick, low, the left one split by a scar.
    for (float side : {-1.0f, 1.0f}) {
      // Drawn together and down at the inner ends: a permanent scowl.
      const float bx = (p.x - side * 0.16f) / 0.11f;
      const float by = (p.y - 0.772f - 0.03f * bx * side + 0.012f * bx * bx) / 0.026f;
      float brow = (bx * bx < 1.0f && by * by < 1.0f && p.z < -0.3f) ? 1.0f : 0.0f;
      if (side > 0.0f && std::fabs(bx - 0.2f) < 0.12f) brow = 0.0f;
      const float strands = 0.6f + 0.4f * ValueNoise3(p.x * 300.0f, p.y * 60.0f, p.z * 300.0f, 504u);
      skin = Mix(skin, Rgb(0.15f, 0.09f, 0.06f), brow * strands);
    }
    // Scars: through the left eyebrow and across the right cheek.
    auto scarLine = [&](Vec3 a, Vec3 b) {
      const Vec3 ab = b - a;
      const float t = Clamp(Dot(p - a, ab) / Dot(ab, ab), 0.0f, 1.0f);
      return 1.0f - SmoothStep(0.005f, 0.012f, Distance(p, a + ab * t));
    };
    const float scar = std::fmax(scarLine({0.17f, 0.86f, -0.41f}, {0.21f, 0.7f, -0.43f}),
                                 scarLine({-0.32f, 0.62f, -0.28f}, {-0.16f, 0.47f, -0.39f}));
    skin = Mix(skin, Rgb(0.9f, 0.7f, 0.64f), scar * 0.85f);
    // A gold stud in the left ear lobe.
    if (Distance(p, Vec3{0.46f, 0.51f, 0.02f}) < 0.025f) {
      look.albedo = Rgb(0.85f, 0.65f, 0.2f);
      look.specular = 0.9f;
      look.exponent = 60.0f;
      return look;
    }
    look.albedo = Scale(skin, 1.0f - 0.55f * occlusion);
    // An oily forehead and nose shine more.
    const float tZone =
        Saturate(Gauss2(p.x, p.y - 0.8f, 0.2f) + Gauss2(p.x, p.y - 0.6f, 0.08f)) * (p.z < -0.3f ? 1.0f : 0.0f);
    look.specular = (0.22f + 0.2f * tZone) * (1.0f - 0.6f * occlusion) * (1.0f - 0.5f * scalp);
    look.exponent = 22.0f;
    return look;
  }

  float Height(Vec3 p) const {
    float h = 0.001f * Fbm3(p * 90.0f, 601u, 2);
    // Forehead wrinkles and the frown between the brows.
    if (p.z < -0.2f && p.y > 0.82f && p.y < 1.0f) h -= 0.0025f * std::pow(std::fabs(std::sin(p.y * 90.0f)), 8.0f);
    if (p.z < -0.3f && std::fabs(p.x) < 0.04f && p.y > 0.72f && p.y < 0.86f)
      h -= 0.003f * (1.0f - std::fabs(p.x) / 0.04f);
    // Stubble on scalp and jaw.
    h += 0.0006f * (1.0f - SmoothStep(0.15f, 0.3f, Cellular3(p * 90.0f, 503u).nearest));
    return h;
  }
};

}  // namespace

TexturedAsset BuildFighterHead() {
  TexturedAsset asset;
  const SdfShape shape = HeadShape();
  OrganicMeshOptions options;
  options.cell = 0.022f;
  options.targetTriangles = 2400;
  options.maxError = 0.002f;
  options.atlasSize = 512;
  options.atlasPadding = 3;
  ChartAtlas atlas = BuildOrganicMesh(shape, options);
  const std::vector<float> occlusion = VertexOcclusion(shape, atlas.mesh);
  const HeadPainter painter{shape, occlusion};
  const BakedMaps maps = BakeSurfaceMaps(
      atlas.mesh, options.atlasSize, [&](const SurfacePoint& s) { return painter.Look(s); },
      [&](Vec3 p) { return painter.Height(p); }, 1.0f);
  asset.mesh = std::move(atlas.mesh);
  asset.maps = {{"tinpira1.png", maps.diffuse}, {"tinpira1_n.png", maps.normal}, {"tinpira1_s.png", maps.specular}};
  UdtMaterial& m = asset.material;
  m.type = "CharMid+";
  m.ambientRate = 1.0f;
  m.specular = {0.3f, 0.28f, 0.25f};
  m.specularPower = 22.0f;
  m.gpv = 0.35f;
  m.diffuseMap = "tinpira1.png";
  m.normalMap = "tinpira1_n.png";
  m.specularMap = "tinpira1_s.png";
  return asset;
}

}  // namespace assetgen
