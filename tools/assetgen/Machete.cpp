// The machete ("nata", material "nata_blood"): a broad chopping blade, black
// from the forge with a bright ground edge, smeared with blood towards the
// tip, on a wooden handle with brass rivets.
//
// Model space is the game's weapon attachment: the blade runs along +Y to
// the striking point (0, 2, 0) at its tip, the handle along -Y through the
// fist (the fist's centre lies near (-0.16, -1.64, 0.27) here), the flat of
// the blade faces +-X and its edge faces -Z, which in the hand points away
// from the elbow, as in a hammer grip.

#include <cmath>

#include "Fighter.h"
#include "MeshBuilder.h"
#include "Noise.h"
#include "TextureTools.h"

namespace assetgen {

namespace {

constexpr float kSpineZ = 0.1f;
constexpr float kBladeBase = -0.6f;
constexpr float kSpineHalf = 0.032f;  // half thickness at the spine
constexpr float kFlatHalf = 0.026f;   // where the ground bevel starts
constexpr int kStations = 12;

float BevelZ(float t) { return -0.16f - 0.04f * t; }
float EdgeZ(float t) { return -0.28f - 0.1f * t; }
// The tip is cut on a slant: longest at the spine.
float TipY(float z) { return 2.05f - 0.2f * (kSpineZ - z) / 0.48f; }
float StationY(float t, float z) { return kBladeBase + t * (TipY(z) - kBladeBase); }

// Texture layout (square atlas): the two sides of the blade, the spine
// between them, the tip's end face, the handle below.
struct Region {
  float u0, v0, u1, v1;
};
constexpr Region kSidePlus{0.02f, 0.02f, 0.46f, 0.7f};
constexpr Region kSideMinus{0.54f, 0.02f, 0.98f, 0.7f};
constexpr Region kSpine{0.47f, 0.02f, 0.53f, 0.7f};
constexpr Region kTip{0.05f, 0.72f, 0.2f, 0.74f};
constexpr Region kHandle{0.0f, 0.76f, 1.0f, 0.98f};

constexpr float kBladeTop = 2.1f, kBladeLength = 2.8f;  // blade texture: y from 2.1 down
constexpr float kZMin = -0.4f, kZMax = 0.12f;

Vec2 SideUv(Vec3 p, bool plusSide) {
  const Region& r = plusSide ? kSidePlus : kSideMinus;
  // Seen from +X, +Z runs to the right; seen from -X, -Z does.
  const float across = plusSide ? (p.z - kZMin) / (kZMax - kZMin) : (kZMax - p.z) / (kZMax - kZMin);
  return {Lerp(r.u0, r.u1, across), Lerp(r.v0, r.v1, (kBladeTop - p.y) / kBladeLength)};
}

// Quads between two rails of points over the stations, turned to face
// `outward`.
void AddStrip(MeshModel* mesh, const std::vector<Vec3>& a, const std::vector<Vec3>& b, Vec3 outward,
              const std::function<Vec2(Vec3)>& uvOf) {
  const std::uint32_t first = static_cast<std::uint32_t>(mesh->vertices.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    AddVertex(mesh, a[i], outward, uvOf(a[i]));
    AddVertex(mesh, b[i], outward, uvOf(b[i]));
  }
  for (std::uint32_t i = 0; i + 1 < a.size(); ++i) {
    std::uint32_t q[4] = {first + 2 * i, first + 2 * i + 2, first + 2 * i + 3, first + 2 * i + 1};
    const Vec3 p0 = mesh->vertices[q[0]].position, p1 = mesh->vertices[q[1]].position,
               p2 = mesh->vertices[q[2]].position;
    if (Dot(Cross(p1 - p0, p2 - p0), outward) < 0.0f) std::swap(q[1], q[3]);
    AddQuad(mesh, q[0], q[1], q[2], q[3]);
  }
  // The strip is flat: one normal for all of it.
  const Vec3 p0 = mesh->vertices[first].position, p1 = mesh->vertices[first + 1].position,
             p2 = mesh->vertices[first + 2].position;
  Vec3 n = Normalize(Cross(p1 - p0, p2 - p0));
  if (Dot(n, outward) < 0.0f) n = -n;
  for (std::size_t v = first; v < mesh->vertices.size(); ++v) mesh->vertices[v].normal = n;
}

void AddBlade(MeshModel* mesh) {
  std::vector<Vec3> spinePlus, spineMinus, flatPlus, flatMinus, edge;
  for (int s = 0; s <= kStations; ++s) {
    const float t = static_cast<float>(s) / kStations;
    const float bz = BevelZ(t), ez = EdgeZ(t);
    spinePlus.push_back({kSpineHalf, StationY(t, kSpineZ), kSpineZ});
    spineMinus.push_back({-kSpineHalf, StationY(t, kSpineZ), kSpineZ});
    flatPlus.push_back({kFlatHalf, StationY(t, bz), bz});
    flatMinus.push_back({-kFlatHalf, StationY(t, bz), bz});
    edge.push_back({0.0f, StationY(t, ez), ez});
  }
  for (bool plus : {true, false}) {
    const float sx = plus ? 1.0f : -1.0f;
    const auto uv = [plus](Vec3 p) { return SideUv(p, plus); };
    AddStrip(mesh, plus ? spinePlus : spineMinus, plus ? flatPlus : flatMinus, Vec3{sx, 0, 0}, uv);
    AddStrip(mesh, plus ? flatPlus : flatMinus, edge, Normalize(Vec3{sx, 0, -0.25f}), uv);
  }
  AddStrip(mesh, spinePlus, spineMinus, Vec3{0, 0, 1}, [](Vec3 p) {
    return Vec2{Lerp(kSpine.u0, kSpine.u1, (kSpineHalf - p.x) / (2.0f * kSpineHalf)),
                Lerp(kSpine.v0, kSpine.v1, (kBladeTop - p.y) / kBladeLength)};
  });
  // The slanted end face at the tip: a fan, facing along the blade.
  const Vec3 outward = Normalize(Vec3{0.0f, 0.48f, -0.2f});
  const Vec3 ring[5] = {spinePlus.back(), flatPlus.back(), edge.back(), flatMinus.back(), spineMinus.back()};
  auto tipUv = [](Vec3 p) {
    return Vec2{Lerp(kTip.u0, kTip.u1, (p.x + kSpineHalf) / (2.0f * kSpineHalf)),
                Lerp(kTip.v0, kTip.v1, (kZMax - p.z) / (kZMax - kZMin))};
  };
  std::uint32_t index[5];
  for (int i = 0; i < 5; ++i) index[i] = AddVertex(mesh, ring[i], outward, tipUv(ring[i]));
  for (int i = 1; i + 1 < 5; ++i) {
    std::uint32_t tri[3] = {index[0], index[i], index[i + 1]};
    const Vec3 p0 = ring[0], p1 = ring[i], p2 = ring[i + 1];
    if (Dot(Cross(p1 - p0, p2 - p0), outward) < 0.0f) std::swap(tri[1], tri[2]);
    AddTriangle(mesh, tri[0], tri[1], tri[2]);
  }
}

void AddHandle(MeshModel* mesh) {
  const std::size_t first = mesh->vertices.size();
  // From the pommel up to the bolster that meets the blade.
  AppendLathe(mesh,
              {{0.0f, -2.56f},
               {0.11f, -2.56f},
               {0.11f, -2.56f},
               {0.16f, -2.5f},
               {0.165f, -2.4f},
               {0.13f, -2.3f},
               {0.14f, -2.1f},
               {0.152f, -1.65f},
               {0.145f, -1.1f},
               {0.132f, -0.82f},
               {0.132f, -0.82f},
               {0.17f, -0.8f},
               {0.17f, -0.6f},
               {0.17f, -0.6f},
               {0.0f, -0.6f}},
              16);
  for (std::size_t v = first; v < mesh->vertices.size(); ++v) {
    Vec2& uv = mesh->vertices[v].uv;
    uv = {Lerp(kHandle.u0, kHandle.u1, uv.x), Lerp(kHandle.v0, kHandle.v1, uv.y)};
  }
}

// ---------------------------------------------------------------- paint --

struct MacheteTexel {
  Color colour;
  float height;  // texels
  Color specular;
};

MacheteTexel PaintBlade(float z, float y) {
  const float t = Clamp((y - kBladeBase) / (TipY(z) - kBladeBase), 0.0f, 1.0f);
  const float bevel = BevelZ(t);
  // Black forge skin down to a wavy line, then the bright ground bevel.
  const float line = bevel + 0.05f + 0.015f * Fbm2(y * 3.0f, 0.5f, 801u, 3);
  const bool ground = z < line;
  Color c = ground ? Rgb(0.7f, 0.72f, 0.74f) : Rgb(0.11f, 0.11f, 0.12f);
  float h = 0.0f;
  Color spec = ground ? SpecularTexel(0.85f, 70.0f) : SpecularTexel(0.3f, 24.0f);
  if (ground) {
    const float brushed = Fbm2(z * 6.0f, y * 160.0f, 802u, 2);
    c = Scale(c, 0.92f + 0.1f * brushed);
    h += 0.6f * brushed;
  } else {
    // Hammer marks.
    const CellDistances dent = Cellular2(z * 28.0f, y * 14.0f, 803u);
    h -= 2.0f * (1.0f - SmoothStep(0.0f, 0.45f, dent.nearest));
    c = Scale(c, 0.9f + 0.2f * dent.nearest);
  }
  // Blood: thick towards the tip and the edge, running down in drips.
  const float towardsTip = SmoothStep(0.6f, 1.7f, y);
  const float towardsEdge = SmoothStep(0.0f, -0.3f, z);
  float blood = towardsTip * (0.45f + 0.55f * towardsEdge) + 0.45f * Fbm2(z * 5.0f, y * 2.5f, 804u, 4) - 0.35f;
  const float dripColumn = Fbm2(z * 40.0f, 3.0f, 805u, 2);
  if (dripColumn > 0.25f && y > 0.2f) blood = std::fmax(blood, SmoothStep(0.2f, 1.0f, y) * 0.6f - 0.1f);
  blood = Saturate(blood * 3.0f);
  if (blood > 0.0f) {
    const Color wet = Rgb(0.34f, 0.02f, 0.02f), dry = Rgb(0.16f, 0.02f, 0.015f);
    const float dried = Saturate(Fbm2(z * 9.0f, y * 6.0f, 806u, 3) + 0.3f);
    c = Mix(c, Mix(wet, dry, dried), blood);
    h += 3.0f * blood;
    spec = Mix(spec, SpecularTexel(0.55f, 45.0f, Rgb(1.0f, 0.8f, 0.8f)), blood);
  }
  return {c, h, spec};
}

MacheteTexel PaintHandle(float around, float along) {
  // Lathe coordinates: `along` 0 at the bolster (top), 1 at the pommel.
  // Profile arc length puts the bolster above 0.17 and the pommel below 0.8.
  if (along < 0.17f || along > 0.8f) {
    const float worn = Fbm2(around * 8.0f, along * 8.0f, 811u, 3, 0.5f, 8);
    return {Scale(Rgb(0.3f, 0.3f, 0.31f), 0.85f + 0.2f * worn), worn, SpecularTexel(0.6f, 50.0f)};
  }
  const float grain = Fbm2(around * 6.0f, along * 60.0f, 812u, 3, 0.5f, 6);
  Color c = Scale(Rgb(0.3f, 0.17f, 0.09f), 0.85f + 0.25f * grain);
  float h = 1.5f * grain;
  Color spec = SpecularTexel(0.12f, 10.0f);
  // Two brass rivets through each side of the grip.
  for (float ru : {0.25f, 0.75f}) {
    for (float rv : {0.35f, 0.62f}) {
      const float du = (around - ru) * 4.0f, dv = (along - rv);
      if (du * du + dv * dv < 0.03f * 0.03f) {
        c = Rgb(0.72f, 0.55f, 0.22f);
        h += 3.0f;
        spec = SpecularTexel(0.7f, 40.0f);
      }
    }
  }
  // Dark grime where the hand holds it.
  c = Scale(c, 1.0f - 0.25f * SmoothStep(0.3f, 0.7f, along) * (0.5f + 0.5f * grain));
  return {c, h, spec};
}

}  // namespace

TexturedAsset BuildMachete() {
  TexturedAsset asset;
  AddBlade(&asset.mesh);
  AddHandle(&asset.mesh);

  constexpr int kSize = 512;
  ColorImage colour(kSize, kSize), specular(kSize, kSize);
  FloatImage height(kSize, kSize);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const float u = (x + 0.5f) / kSize, v = (y + 0.5f) / kSize;
      MacheteTexel texel;
      if (v >= kHandle.v0) {
        texel = PaintHandle((u - kHandle.u0) / (kHandle.u1 - kHandle.u0), (v - kHandle.v0) / (kHandle.v1 - kHandle.v0));
      } else if (v <= kSidePlus.v1) {
        const float bladeY = kBladeTop - (v - kSidePlus.v0) / (kSidePlus.v1 - kSidePlus.v0) * kBladeLength;
        if (u >= kSpine.u0 && u <= kSpine.u1) {
          texel = {Rgb(0.1f, 0.1f, 0.11f), 0.0f, SpecularTexel(0.3f, 24.0f)};
        } else {
          const bool plus = u < 0.5f;
          const Region& r = plus ? kSidePlus : kSideMinus;
          const float across = (u - r.u0) / (r.u1 - r.u0);
          const float z = plus ? Lerp(kZMin, kZMax, across) : Lerp(kZMax, kZMin, across);
          texel = PaintBlade(z, bladeY);
        }
      } else {
        texel = {Rgb(0.68f, 0.7f, 0.72f), 0.0f, SpecularTexel(0.8f, 60.0f)};
      }
      colour.At(x, y) = texel.colour;
      height.At(x, y) = texel.height;
      specular.At(x, y) = texel.specular;
    }
  }
  asset.maps = {{"nata_blood.png", ToRgba8(colour)},
                {"nata_blood_n.png", NormalMapFromHeight(height, 0.5f, false, false)},
                {"nata_blood_s.png", ToRgba8(specular)}};
  UdtMaterial& m = asset.material;
  m.type = "StdMid+";
  m.ambientRate = 1.0f;
  m.specular = {0.6f, 0.6f, 0.6f};
  m.specularPower = 50.0f;
  m.diffuseMap = "nata_blood.png";
  m.normalMap = "nata_blood_n.png";
  m.specularMap = "nata_blood_s.png";
  return asset;
}

}  // namespace assetgen
