#include "Props.h"

#include <cmath>

#include "MeshBuilder.h"
#include "Noise.h"
#include "TextureTools.h"

namespace assetgen {

namespace {

// ---------------------------------------------------------------- crate --

constexpr float kFrameInner = 0.8f;   // the frame boards cover |a| or |b| above this
constexpr float kPanelDepth = 0.06f;  // how far the planked panel sits inside

struct CrateSide {
  Vec3 normal, right, up;
};

// Adds one side: four frame boards (trapezoids), the four walls down to the
// panel and the panel. Face coordinates (a, b) run along right and up.
void AddCrateSide(MeshModel* model, const CrateSide& side) {
  auto point = [&](float a, float b, float depth) {
    return side.normal * (1.0f - depth) + side.right * a + side.up * b;
  };
  auto uv = [](float a, float b) { return Vec2{0.5f + 0.5f * a, 0.5f - 0.5f * b}; };
  const float k = kFrameInner, d = kPanelDepth;
  // The top board and its wall, turned clockwise for the other three.
  struct Corner {
    float a, b;
  };
  const Corner outer[4] = {{-1, 1}, {1, 1}, {1, -1}, {-1, -1}};
  const Corner inner[4] = {{-k, k}, {k, k}, {k, -k}, {-k, -k}};
  for (int s = 0; s < 4; ++s) {
    const Corner o0 = outer[s], o1 = outer[(s + 1) % 4], i0 = inner[s], i1 = inner[(s + 1) % 4];
    const std::uint32_t a = AddVertex(model, point(o0.a, o0.b, 0), side.normal, uv(o0.a, o0.b));
    const std::uint32_t b = AddVertex(model, point(o1.a, o1.b, 0), side.normal, uv(o1.a, o1.b));
    const std::uint32_t c = AddVertex(model, point(i1.a, i1.b, 0), side.normal, uv(i1.a, i1.b));
    const std::uint32_t e = AddVertex(model, point(i0.a, i0.b, 0), side.normal, uv(i0.a, i0.b));
    AddQuad(model, a, b, c, e);
    // The wall faces the middle of the side. Its lower edge takes texels a
    // quarter of its depth further in, so that its mapping keeps the side's
    // orientation (a zero-width mapping would leave it without a tangent).
    const float ma = 0.5f * (i0.a + i1.a), mb = 0.5f * (i0.b + i1.b);  // (0, +-k) or (+-k, 0)
    const Vec3 inward = Normalize(side.right * -ma + side.up * -mb);
    const Vec2 toCentre{-ma / k * d * 0.25f, mb / k * d * 0.25f};
    const std::uint32_t w0 = AddVertex(model, point(i0.a, i0.b, 0), inward, uv(i0.a, i0.b));
    const std::uint32_t w1 = AddVertex(model, point(i1.a, i1.b, 0), inward, uv(i1.a, i1.b));
    const std::uint32_t w2 = AddVertex(model, point(i1.a, i1.b, d), inward, uv(i1.a, i1.b) + toCentre);
    const std::uint32_t w3 = AddVertex(model, point(i0.a, i0.b, d), inward, uv(i0.a, i0.b) + toCentre);
    AddQuad(model, w0, w1, w2, w3);
  }
  const std::uint32_t p0 = AddVertex(model, point(-k, k, d), side.normal, uv(-k, k));
  const std::uint32_t p1 = AddVertex(model, point(k, k, d), side.normal, uv(k, k));
  const std::uint32_t p2 = AddVertex(model, point(k, -k, d), side.normal, uv(k, -k));
  const std::uint32_t p3 = AddVertex(model, point(-k, -k, d), side.normal, uv(-k, -k));
  AddQuad(model, p0, p1, p2, p3);
}

// Wood: a board's colour and height at (along, across) its grain, in face
// units; `seed` picks the board's tone and figure.
struct WoodSample {
  Color colour;
  float height;  // texels
};

WoodSample Wood(float along, float across, std::uint32_t seed) {
  const float tone = Hash01(seed, 1) - 0.5f;
  const float warp = Fbm2(along * 1.5f, across * 6.0f, seed + 3u, 3);
  const float rings = std::sin((across * 38.0f + warp * 3.0f + Hash01(seed, 2) * 10.0f) * kPi);
  const float grain = 0.5f + 0.5f * rings;
  const float fibre = Fbm2(along * 3.0f, across * 90.0f, seed + 5u, 3);
  Color base = Mix(Rgb(0.62f, 0.45f, 0.27f), Rgb(0.47f, 0.32f, 0.18f), grain * 0.6f + 0.2f * fibre + 0.2f);
  base = Scale(base, 1.0f + 0.25f * tone);
  // A knot here and there.
  const CellDistances knot = Cellular2(along * 2.2f, across * 5.0f, seed + 9u);
  if ((knot.id & 7u) == 0) {
    const float k = 1.0f - SmoothStep(0.05f, 0.22f, knot.nearest);
    base = Mix(base, Rgb(0.3f, 0.19f, 0.1f), k * 0.8f);
  }
  return {base, 0.6f * grain + 0.5f * fibre};
}

// Rounded board edge: 1 inside, falling to 0 within `width` of the edge.
float BoardEdge(float distance, float width) { return SmoothStep(0.0f, width, distance); }

TexturedAsset MakeCrateMaps(TexturedAsset asset) {
  constexpr int kSize = 512;
  const float k = kFrameInner;
  ColorImage colour(kSize, kSize);
  FloatImage height(kSize, kSize);
  ColorImage specular(kSize, kSize);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const float a = (static_cast<float>(x) + 0.5f) / kSize * 2.0f - 1.0f;
      const float b = 1.0f - (static_cast<float>(y) + 0.5f) / kSize * 2.0f;
      WoodSample wood;
      float edge = 1.0f;
      float dirt = 0.0f;
      bool nail = false;
      const bool topOrBottom = std::fabs(b) > k;
      const bool leftOrRight = !topOrBottom && std::fabs(a) > k;
      if (topOrBottom || leftOrRight) {
        // Frame boards: the top and bottom run the full width, the sides fit
        // between them.
        const float along = topOrBottom ? a : b;
        const float across = topOrBottom ? std::fabs(b) : std::fabs(a);
        const std::uint32_t board = topOrBottom ? (b > 0 ? 11u : 12u) : (a > 0 ? 13u : 14u);
        wood = Wood(along, across, board);
        const float toEdges = std::fmin(1.0f - across, across - k);
        edge = BoardEdge(toEdges, 0.02f);
        if (leftOrRight) edge *= BoardEdge(k - std::fabs(b), 0.02f);
        // Nails near the board ends.
        for (float na : {-0.9f, 0.9f}) {
          for (float nb : {-0.9f, 0.9f}) {
            if ((a - na) * (a - na) + (b - nb) * (b - nb) < 0.016f * 0.016f) nail = true;
          }
        }
        if (leftOrRight && std::fabs(std::fabs(b) - 0.0f) < 0.02f && std::fabs(std::fabs(a) - 0.9f) < 0.016f)
          nail = true;
        dirt = 0.35f * (1.0f - SmoothStep(0.0f, 0.12f, 1.0f - std::fmax(std::fabs(a), std::fabs(b))));
      } else {
        // The panel: four planks across, a diagonal brace over them.
        const float plankWidth = 2.0f * k / 4.0f;
        const float t = (b + k) / plankWidth;
        const int plank = static_cast<int>(std::floor(t));
        const float within = (t - static_cast<float>(plank)) * plankWidth;
        wood = Wood(a, within, 20u + static_cast<std::uint32_t>(plank));
        edge = BoardEdge(std::fmin(within, plankWidth - within), 0.012f);
        edge *= BoardEdge(k - std::fabs(a), 0.015f);
        // Darker towards the frame: the panel sits in its shadow.
        dirt = 0.45f * (1.0f - SmoothStep(0.0f, 0.1f, k - std::fmax(std::fabs(a), std::fabs(b))));
        // The brace from the bottom left to the top right corner.
        const float braceDistance = std::fabs(a - b) * 0.70710678f;
        if (braceDistance < 0.11f) {
          wood = Wood((a + b) * 0.70710678f, braceDistance, 30u);
          edge = BoardEdge(0.11f - braceDistance, 0.015f);
          wood.height += 4.0f;  // raised above the planks
          for (float s : {-0.6f, 0.0f, 0.6f}) {
            const float da = a - s, db = b - s;
            if (da * da + db * db < 0.016f * 0.016f) nail = true;
          }
        } else if (braceDistance < 0.14f) {
          dirt += 0.35f * (1.0f - (braceDistance - 0.11f) / 0.03f);  // its shadow on the planks
        }
      }
      dirt += 0.25f * SmoothStep(0.1f, 0.7f, Fbm2(a * 3.0f, b * 3.0f, 77u, 4));
      Color c = Scale(wood.colour, (0.55f + 0.45f * edge) * (1.0f - 0.5f * Saturate(dirt)));
      float h = wood.height + 6.0f * edge;
      Color s = SpecularTexel(0.1f, 10.0f);
      if (nail) {
        c = Rgb(0.32f, 0.31f, 0.3f);
        h += 3.0f;
        s = SpecularTexel(0.5f, 40.0f);
      }
      colour.At(x, y) = c;
      height.At(x, y) = h;
      specular.At(x, y) = s;
    }
  }
  asset.maps.push_back({"tex92_box.png", ToRgba8(colour)});
  asset.maps.push_back({"tex92_box_n.png", NormalMapFromHeight(height, 0.6f, false, false)});
  asset.maps.push_back({"tex92_box_s.png", ToRgba8(specular)});
  return asset;
}

// --------------------------------------------------------------- smiley --

// The face, drawn on the -Z hemisphere in the orthographic view along Z.
float SmileInk(Vec3 d) {
  if (d.z > -0.2f) return 0.0f;
  const float x = d.x, y = d.y;
  float ink = 0.0f;
  const float edge = 0.012f;
  for (float side : {-1.0f, 1.0f}) {
    const float ex = (x - side * 0.3f) / 0.085f, ey = (y - 0.27f) / 0.16f;
    const float e = std::sqrt(ex * ex + ey * ey);
    ink = std::fmax(ink, 1.0f - SmoothStep(1.0f - edge / 0.085f, 1.0f + edge / 0.085f, e));
  }
  // The mouth: the lower part of a circle, with round ends.
  const float cx = 0.0f, cy = 0.2f, radius = 0.52f, half = 0.05f;
  const float angle = std::atan2(y - cy, x - cx);
  const float start = -2.6f, end = -0.54f;  // radians, the lower arc
  float distance;
  if (angle >= start && angle <= end) {
    distance = std::fabs(std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy)) - radius);
  } else {
    const float ax = cx + radius * std::cos(start), ay = cy + radius * std::sin(start);
    const float bx = cx + radius * std::cos(end), by = cy + radius * std::sin(end);
    distance = std::fmin(std::sqrt((x - ax) * (x - ax) + (y - ay) * (y - ay)),
                         std::sqrt((x - bx) * (x - bx) + (y - by) * (y - by)));
  }
  ink = std::fmax(ink, 1.0f - SmoothStep(half - edge, half + edge, distance));
  return ink;
}

// ------------------------------------------------------------- cabbage --

struct Leaf {
  Vec3 centre;
  float radius;  // angular, radians
};

std::vector<Leaf> CabbageLeaves() {
  std::vector<Leaf> leaves;
  Random random(1234);
  // Outer leaves first (low, wide), inner ones last (high, small): a leaf
  // later in the list lies on top of the earlier ones.
  for (int i = 0; i < 13; ++i) {
    const float t = static_cast<float>(i) / 12.0f;
    const float height = Lerp(-0.35f, 0.75f, t) + random.Range(-0.12f, 0.12f);
    const float angle = random.Range(0.0f, 2.0f * kPi) + static_cast<float>(i) * 2.4f;
    const float r = std::sqrt(std::fmax(0.0f, 1.0f - height * height));
    leaves.push_back({Normalize(Vec3{r * std::cos(angle), height, r * std::sin(angle)}),
                      Lerp(1.05f, 0.6f, t) + random.Range(-0.08f, 0.08f)});
  }
  return leaves;
}

struct CabbageSample {
  float radius;  // of the surface
  float detail;  // fine height for the normal map (texels)
  Color colour;
};

CabbageSample SampleCabbage(Vec3 d, const std::vector<Leaf>& leaves) {
  int top = -1;
  float topT = 1.0f;
  int layers = 0;
  for (std::size_t i = 0; i < leaves.size(); ++i) {
    // A leaf's outline wobbles, so the edges are not circles.
    const float wobble =
        0.12f * GradientNoise3(d.x * 3.0f, d.y * 3.0f, d.z * 3.0f, 40u + static_cast<std::uint32_t>(i));
    const float angle = std::acos(Clamp(Dot(d, leaves[i].centre), -1.0f, 1.0f));
    const float t = angle / (leaves[i].radius * (1.0f + wobble));
    if (t < 1.0f) {
      ++layers;
      top = static_cast<int>(i);
      topT = t;
    }
  }
  const float wrinkle = Fbm3(d * 5.0f, 91u, 4);
  float radius = 0.86f + 0.016f * static_cast<float>(layers) + 0.012f * wrinkle;
  float detail = 2.0f * wrinkle;
  // Inner leaves are paler; the outermost darker and bluer.
  const float up = Saturate(d.y * 0.5f + 0.5f);
  Color colour =
      Mix(Rgb(0.22f, 0.42f, 0.14f), Rgb(0.62f, 0.76f, 0.32f),
          up * 0.7f + 0.3f * (top >= 0 ? static_cast<float>(top) / static_cast<float>(leaves.size()) : 0.0f));
  if (top >= 0) {
    const Leaf& leaf = leaves[static_cast<std::size_t>(top)];
    radius += 0.05f * std::sqrt(std::fmax(0.0f, 1.0f - topT * topT));  // the leaf bulges
    // Veins fan out from the stem below; the midrib runs from the stem
    // through the leaf's centre.
    const Vec3 down{0.0f, -1.0f, 0.0f};
    const Vec3 ribPlane = Normalize(Cross(down, leaf.centre), Vec3{1, 0, 0});
    const float ribDistance = std::fabs(Dot(d, ribPlane));
    const float rib = (1.0f - SmoothStep(0.015f, 0.045f, ribDistance)) * (1.0f - SmoothStep(0.6f, 1.0f, topT));
    // Side veins branch off the midrib and run outwards and upwards.
    const float along = std::acos(Clamp(Dot(d, down), -1.0f, 1.0f));
    const float across = std::fabs(Dot(d, ribPlane));
    const float phase = along * 7.0f - across * 9.0f + 0.6f * GradientNoise3(d.x * 3.0f, d.y * 3.0f, d.z * 3.0f, 7u);
    const float veinWave = std::fabs(std::sin(phase * kPi));
    const float vein =
        std::pow(1.0f - veinWave, 10.0f) * SmoothStep(0.02f, 0.08f, across) * (1.0f - SmoothStep(0.7f, 0.95f, topT));
    colour = Mix(colour, Rgb(0.78f, 0.86f, 0.58f), Saturate(rib * 0.9f + vein * 0.6f));
    detail += 5.0f * rib + 2.5f * vein;
    // The leaf's rim curls up a little and catches light.
    const float rim = SmoothStep(0.8f, 0.98f, topT);
    colour = Mix(colour, Rgb(0.66f, 0.78f, 0.4f), rim * 0.5f);
    detail += 3.0f * rim;
  }
  // Just outside an upper leaf's edge the leaf below lies in its shadow.
  for (std::size_t i = static_cast<std::size_t>(top + 1); i < leaves.size(); ++i) {
    const float angle = std::acos(Clamp(Dot(d, leaves[i].centre), -1.0f, 1.0f));
    const float outside = angle / leaves[i].radius - 1.0f;
    if (outside > 0.0f && outside < 0.12f) colour = Scale(colour, 0.7f + 2.5f * outside);
  }
  // The stem: a flattened, paler bottom with the cut end in the middle.
  if (d.y < -0.9f) {
    const float s = SmoothStep(-0.9f, -0.97f, d.y);
    radius = Lerp(radius, 0.86f / std::fmax(0.5f, -d.y), s);
    colour = Mix(colour, Rgb(0.8f, 0.83f, 0.62f), s);
    if (d.y < -0.99f) colour = Rgb(0.72f, 0.66f, 0.45f);
  }
  return {radius, detail, colour};
}

}  // namespace

Vec3 LatLongDirection(float u, float v) {
  const float theta = 2.0f * kPi * u;
  const float phi = 0.5f * kPi - kPi * v;
  return Vec3{std::cos(phi) * std::cos(theta), std::sin(phi), std::cos(phi) * std::sin(theta)};
}

TexturedAsset BuildCrate() {
  TexturedAsset asset;
  const CrateSide sides[6] = {{{0, 0, -1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, 1}, {-1, 0, 0}, {0, 1, 0}},
                              {{-1, 0, 0}, {0, 0, -1}, {0, 1, 0}}, {{1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
                              {{0, 1, 0}, {1, 0, 0}, {0, 0, 1}},   {{0, -1, 0}, {1, 0, 0}, {0, 0, -1}}};
  for (const CrateSide& side : sides) AddCrateSide(&asset.mesh, side);
  asset.mesh.materials.push_back(MeshMaterial{});
  asset.mesh.materials[0].textureFile = "tex92_box.udt";
  SetFaceMaterial(&asset.mesh, 0, 0);
  asset.material.type = "StdMid+";
  asset.material.ambientRate = 1.0f;
  asset.material.specular = {0.15f, 0.15f, 0.15f};
  asset.material.specularPower = 12.0f;
  asset.material.diffuseMap = "tex92_box.png";
  asset.material.normalMap = "tex92_box_n.png";
  asset.material.specularMap = "tex92_box_s.png";
  return MakeCrateMaps(std::move(asset));
}

TexturedAsset BuildSmiley() {
  TexturedAsset asset;
  AppendSphere(&asset.mesh, 40, 24, [](Vec3) { return 1.0f; });
  asset.mesh.materials.push_back(MeshMaterial{});
  asset.mesh.materials[0].textureFile = "smiley.udt";
  SetFaceMaterial(&asset.mesh, 0, 0);

  constexpr int kWidth = 512, kHeight = 256;
  ColorImage colour(kWidth, kHeight), specular(kWidth, kHeight);
  FloatImage height(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const Vec3 d = LatLongDirection((x + 0.5f) / kWidth, (y + 0.5f) / kHeight);
      const float ink = SmileInk(d);
      const float grain = 0.03f * Fbm3(d * 12.0f, 5u, 3);
      colour.At(x, y) = Mix(Scale(Rgb(1.0f, 0.8f, 0.09f), 1.0f + grain), Rgb(0.07f, 0.04f, 0.02f), ink);
      height.At(x, y) = 1.5f * ink + 4.0f * grain;
      specular.At(x, y) = Mix(SpecularTexel(0.55f, 48.0f), SpecularTexel(0.3f, 20.0f), ink);
    }
  }
  asset.maps.push_back({"smiley.png", ToRgba8(colour)});
  asset.maps.push_back({"smiley_n.png", NormalMapFromHeight(height, 0.8f, true, false)});
  asset.maps.push_back({"smiley_s.png", ToRgba8(specular)});
  asset.material.type = "StdMid+";
  asset.material.specularPower = 48.0f;
  asset.material.diffuseMap = "smiley.png";
  asset.material.normalMap = "smiley_n.png";
  asset.material.specularMap = "smiley_s.png";
  return asset;
}

TexturedAsset BuildCabbage() {
  TexturedAsset asset;
  const std::vector<Leaf> leaves = CabbageLeaves();
  AppendSphere(&asset.mesh, 48, 32, [&](Vec3 d) { return SampleCabbage(d, leaves).radius; });
  // Exactly radius 1 at the furthest point.
  float largest = 0.0f;
  for (const MeshVertex& v : asset.mesh.vertices) largest = std::fmax(largest, Length(v.position));
  for (MeshVertex& v : asset.mesh.vertices) v.position *= 1.0f / largest;
  asset.mesh.materials.push_back(MeshMaterial{});
  asset.mesh.materials[0].textureFile = "kyabe_new.udt";
  SetFaceMaterial(&asset.mesh, 0, 0);

  constexpr int kWidth = 512, kHeight = 256;
  ColorImage colour(kWidth, kHeight), specular(kWidth, kHeight);
  FloatImage height(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const Vec3 d = LatLongDirection((x + 0.5f) / kWidth, (y + 0.5f) / kHeight);
      const CabbageSample s = SampleCabbage(d, leaves);
      colour.At(x, y) = s.colour;
      height.At(x, y) = s.detail;
      specular.At(x, y) = SpecularTexel(0.22f + 0.1f * Saturate(s.detail * 0.2f), 24.0f);
    }
  }
  asset.maps.push_back({"kyabe_new.png", ToRgba8(colour)});
  asset.maps.push_back({"kyabe_new_n.png", NormalMapFromHeight(height, 0.7f, true, false)});
  asset.maps.push_back({"kyabe_new_s.png", ToRgba8(specular)});
  asset.material.type = "StdMid+";
  asset.material.specularPower = 24.0f;
  asset.material.diffuseMap = "kyabe_new.png";
  asset.material.normalMap = "kyabe_new_n.png";
  asset.material.specularMap = "kyabe_new_s.png";
  return asset;
}

bool WriteProps(OutputSet* output, GenerationLog* log, std::string* error) {
  return WriteAsset(output, "obj", "kyabe_new.x", "kyabe_new.udt", BuildCabbage(), log, error) &&
         WriteAsset(output, "obj", "tex92_box.x", "tex92_box.udt", BuildCrate(), log, error) &&
         WriteAsset(output, "obj", "smiley.x", "smiley.udt", BuildSmiley(), log, error);
}

}  // namespace assetgen
