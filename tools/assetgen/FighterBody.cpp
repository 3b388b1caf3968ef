// The fighter's skinned body: sculpted as a distance field of tagged
// primitives (each tag the bone its flesh follows), meshed, mapped and
// skinned, then painted from 3D: tanned skin with baked crease shading,
// chest hair, tattoos, scars, red briefs, white socks, black sneakers.

#include <cmath>

#include "Fighter.h"
#include "FighterPoses.h"
#include "ModelChecks.h"
#include "Noise.h"
#include "OrganicModel.h"
#include "SkinWeights.h"

namespace assetgen {

namespace {

// One side's primitives, built for the left (+X) and mirrored.
struct SidePart {
  SdfPrimitive primitive;
  int leftBone, rightBone;
};

SdfShape BodyShape() {
  SdfShape shape;
  // The trunk, centred.
  shape.Add(Ellipsoid({0.0f, -0.1f, 0.05f}, {0.78f, 0.52f, 0.52f}, 0.1f, kRoot));             // pelvis
  shape.Add(Ellipsoid({0.0f, -0.42f, -0.22f}, {0.25f, 0.22f, 0.2f}, 0.12f, kRoot));           // groin
  shape.Add(Ellipsoid({0.0f, 0.4f, -0.1f}, {0.74f, 0.55f, 0.58f}, 0.15f, kWaist));            // lower belly
  shape.Add(Ellipsoid({0.0f, 0.58f, -0.28f}, {0.6f, 0.5f, 0.42f}, 0.15f, kWaist));            // the gut
  shape.Add(Ellipsoid({0.0f, 0.72f, 0.2f}, {0.7f, 0.55f, 0.42f}, 0.15f, kWaist));             // lower back
  shape.Add(Ellipsoid({0.0f, 1.45f, -0.02f}, {0.9f, 0.78f, 0.6f}, 0.15f, kChest));            // ribcage
  shape.Add(Ellipsoid({0.0f, 1.7f, 0.2f}, {0.98f, 0.62f, 0.42f}, 0.15f, kChest));             // lats, upper back
  shape.Add(Ellipsoid({0.0f, 2.12f, 0.1f}, {0.7f, 0.28f, 0.34f}, 0.15f, kChest));             // trapezius
  shape.Add(RoundCone({-0.7f, 2.0f, 0.05f}, {0.7f, 2.0f, 0.05f}, 0.3f, 0.3f, 0.1f, kChest));  // shoulder girdle
  shape.Add(RoundCone({0.0f, 2.0f, 0.05f}, {0.0f, 2.74f, 0.07f}, 0.37f, 0.31f, 0.12f, kNeck));  // neck
  // Limbs and paired muscles: the left side, mirrored for the right.
  const SidePart parts[] = {
      {Ellipsoid({0.34f, -0.22f, 0.3f}, {0.4f, 0.42f, 0.36f}, 0.12f, 0), kRoot, kRoot},              // buttock
      {Ellipsoid({0.4f, 1.78f, -0.3f}, {0.46f, 0.3f, 0.3f}, 0.1f, 0), kChest, kChest},               // pectoral
      {Ellipsoid({1.0f, 2.04f, 0.05f}, {0.44f, 0.4f, 0.4f}, 0.12f, 0), kLShouldHalf, kRShouldHalf},  // deltoid
      {RoundCone({0.95f, 2.02f, 0.05f}, {2.12f, 2.02f, 0.05f}, 0.32f, 0.25f, 0.08f, 0), kLShould,
       kRShould},  // upper arm
      {Ellipsoid({1.55f, 2.0f, -0.1f}, {0.42f, 0.2f, 0.22f}, 0.08f, 0), kLShould, kRShould},  // biceps
      {Ellipsoid({1.5f, 2.05f, 0.17f}, {0.45f, 0.22f, 0.2f}, 0.08f, 0), kLShould, kRShould},  // triceps
      {RoundCone({2.12f, 2.02f, 0.05f}, {3.12f, 2.02f, 0.05f}, 0.25f, 0.18f, 0.06f, 0), kLElbow,
       kRElbow},  // forearm
      {Ellipsoid({2.42f, 2.04f, 0.02f}, {0.38f, 0.23f, 0.25f}, 0.08f, 0), kLElbow, kRElbow},  // forearm muscle
      {RoundCone({3.12f, 2.0f, 0.05f}, {3.42f, 1.98f, 0.05f}, 0.18f, 0.2f, 0.05f, 0), kLHand, kRHand},      // wrist
      {RoundBox({3.6f, 1.95f, 0.04f}, {0.25f, 0.2f, 0.22f}, 0.12f, 0.06f, 0), kLHand, kRHand},              // fist
      {RoundCone({3.38f, 1.9f, -0.18f}, {3.62f, 1.86f, -0.27f}, 0.075f, 0.07f, 0.04f, 0), kLHand, kRHand},  // thumb
      {RoundCone({3.82f, 2.05f, -0.16f}, {3.82f, 2.05f, 0.22f}, 0.09f, 0.09f, 0.04f, 0), kLHand, kRHand},   // knuckles
      {Ellipsoid({0.5f, -0.3f, 0.0f}, {0.42f, 0.42f, 0.45f}, 0.12f, 0), kLHipHalf, kRHipHalf},              // hip joint
      {RoundCone({0.5f, -0.35f, 0.0f}, {0.5f, -1.9f, 0.0f}, 0.47f, 0.3f, 0.1f, 0), kLHip, kRHip},           // thigh
      {Ellipsoid({0.52f, -0.95f, -0.15f}, {0.34f, 0.6f, 0.3f}, 0.1f, 0), kLHip, kRHip},                 // quadriceps
      {Ellipsoid({0.5f, -0.95f, 0.14f}, {0.32f, 0.55f, 0.28f}, 0.1f, 0), kLHip, kRHip},                 // hamstring
      {Ellipsoid({0.5f, -1.9f, -0.05f}, {0.28f, 0.3f, 0.3f}, 0.08f, 0), kLKnee, kRKnee},                // knee
      {RoundCone({0.5f, -1.95f, 0.0f}, {0.5f, -3.42f, 0.02f}, 0.3f, 0.19f, 0.06f, 0), kLKnee, kRKnee},  // shin
      {Ellipsoid({0.5f, -2.4f, 0.14f}, {0.28f, 0.5f, 0.26f}, 0.08f, 0), kLKnee, kRKnee},                // calf
      {Ellipsoid({0.5f, -3.48f, 0.02f}, {0.21f, 0.2f, 0.23f}, 0.05f, 0), kLFoot, kRFoot},               // ankle
      {RoundBox({0.5f, -3.6f, -0.2f}, {0.22f, 0.16f, 0.45f}, 0.12f, 0.06f, 0), kLFoot, kRFoot},         // shoe
      {Ellipsoid({0.5f, -3.63f, -0.55f}, {0.23f, 0.13f, 0.2f}, 0.05f, 0), kLFoot, kRFoot},              // toe cap
      {Ellipsoid({0.5f, -3.62f, 0.15f}, {0.2f, 0.13f, 0.15f}, 0.05f, 0), kLFoot, kRFoot},               // heel
  };
  for (const SidePart& part : parts) {
    SdfPrimitive left = part.primitive;
    left.tag = part.leftBone;
    shape.Add(left);
    shape.Add(MirrorX(left, part.rightBone));
  }
  return shape;
}

// ----------------------------------------------------------------- paint --

// The briefs: below the waistband, above the leg openings (which rise from
// the crotch to the hips).
float BriefsTop(Vec3 p) { return 0.02f + 0.05f * Saturate(p.z * 2.0f); }
float BriefsLegLine(Vec3 p) {
  return -0.62f + 0.5f * SmoothStep(0.12f, 0.78f, std::fabs(p.x)) - 0.06f * Saturate(p.z * 2.0f);
}
bool InBriefs(Vec3 p) { return p.y < BriefsTop(p) && p.y > BriefsLegLine(p) && p.y > -0.8f; }

// Tribal thorns round the right upper arm; 1 where inked.
float ArmTattoo(Vec3 p) {
  const float s = -p.x - 1.1f;  // along the arm from near the shoulder
  if (s < 0.1f || s > 0.8f) return 0.0f;
  const float theta = std::atan2(p.z - 0.05f, p.y - 2.02f);
  const float t = (s - 0.1f) / 0.7f;
  float ink = 0.0f;
  if (t < 0.1f) ink = 1.0f;  // the band the thorns grow from
  const float u = theta / (2.0f * kPi) * 7.0f + 0.45f * t * t;
  const float thorn = std::fabs(u - std::floor(u) - 0.5f);
  const float width = 0.42f * std::pow(Saturate(1.0f - t), 0.8f);
  ink = std::fmax(ink, 1.0f - SmoothStep(width - 0.04f, width + 0.02f, thorn));
  return ink * (1.0f - SmoothStep(0.96f, 1.0f, t));
}

// An emblem between the shoulder blades: a ring round a blocky glyph.
float BackTattoo(Vec3 p) {
  if (p.z < 0.25f) return 0.0f;
  const float x = p.x, y = p.y - 1.62f;
  const float r = std::sqrt(x * x + y * y);
  float ink = 1.0f - SmoothStep(0.025f, 0.04f, std::fabs(r - 0.34f));
  if (r < 0.26f) {
    // A 5 x 5 grid of cells; the glyph's strokes fill chosen cells.
    const int cx = static_cast<int>(std::floor((x + 0.25f) / 0.1f));
    const int cy = static_cast<int>(std::floor((y + 0.25f) / 0.1f));
    static const char* kGlyph[5] = {"..#..", "#####", "..#..", ".#.#.", "#...#"};
    if (cx >= 0 && cx < 5 && cy >= 0 && cy < 5 && kGlyph[4 - cy][cx] == '#') ink = 1.0f;
  }
  return ink;
}

// A pale scar across the left ribs: distance to a segment.
float ScarDistance(Vec3 p) {
  const Vec3 a{0.35f, 1.15f, -0.6f}, b{0.85f, 1.45f, -0.35f};
  const Vec3 ab = b - a;
  const float t = Clamp(Dot(p - a, ab) / Dot(ab, ab), 0.0f, 1.0f);
  return Distance(p, a + ab * t);
}

float Gauss(Vec3 p, Vec3 centre, float radius) {
  const Vec3 d = p - centre;
  return std::exp(-Dot(d, d) / (radius * radius));
}

struct BodyPainter {
  const SdfShape& shape;
  const std::vector<float>& vertexOcclusion;

  SurfaceLook Look(const SurfacePoint& s) const {
    const Vec3 p = s.position;
    const float occlusion = s.Interpolate(vertexOcclusion);
    SurfaceLook look;
    if (p.y < -3.42f) {
      // Sneakers: black uppers, white soles, a white stripe down the sides,
      // white laces on top.
      const bool sole = p.y < -3.66f;
      Color c = sole ? Rgb(0.88f, 0.87f, 0.84f) : Rgb(0.07f, 0.07f, 0.08f);
      const float along = p.z + 0.2f;
      const float stripe = std::fabs(p.y + 3.55f - 0.06f * std::sin(along * 3.0f));
      if (!sole && std::fabs(s.normal.x) > 0.5f && stripe < 0.025f && along > -0.3f) c = Rgb(0.9f, 0.9f, 0.88f);
      const float lace = std::fabs(std::fmod(p.z + 10.0f, 0.09f) - 0.045f);
      if (!sole && s.normal.y > 0.55f && p.z > -0.5f && p.z < -0.05f && std::fabs(std::fabs(p.x) - 0.5f) < 0.1f &&
          lace < 0.015f) {
        c = Rgb(0.85f, 0.85f, 0.82f);
      }
      look.albedo = Scale(c, 1.0f - 0.5f * occlusion);
      look.specular = sole ? 0.12f : 0.4f;
      look.exponent = sole ? 10.0f : 32.0f;
      return look;
    }
    if (p.y < -3.05f) {
      // White ankle socks.
      look.albedo = Scale(Rgb(0.86f, 0.86f, 0.84f), 1.0f - 0.4f * occlusion);
      look.specular = 0.05f;
      look.exponent = 6.0f;
      return look;
    }
    if (InBriefs(p)) {
      const bool band = p.y > BriefsTop(p) - 0.075f;
      Color c = Rgb(0.58f, 0.05f, 0.06f);
      if (band) {
        c = Rgb(0.08f, 0.08f, 0.09f);
        const float line = std::fabs(p.y - (BriefsTop(p) - 0.0375f));
        if (std::fabs(line - 0.022f) < 0.005f) c = Rgb(0.75f, 0.75f, 0.72f);
      } else if (p.y < BriefsLegLine(p) + 0.03f) {
        c = Scale(c, 0.75f);  // the hem
      }
      c = Scale(c, 0.92f + 0.08f * Fbm3(p * 40.0f, 201u, 2));
      look.albedo = Scale(c, 1.0f - 0.55f * occlusion);
      look.specular = band ? 0.12f : 0.06f;
      look.exponent = 8.0f;
      return look;
    }
    // Skin: tanned, mottled, redder over the knuckles, knees and elbows,
    // darker in the creases.
    Color skin = Rgb(0.79f, 0.56f, 0.43f);
    skin = Scale(skin, 1.0f + 0.07f * Fbm3(p * 2.5f, 301u, 3) + 0.03f * Fbm3(p * 12.0f, 302u, 2));
    float redness = 0.0f;
    for (float side : {-1.0f, 1.0f}) {
      redness += Gauss(p, {side * 3.82f, 2.05f, 0.0f}, 0.16f) + 0.6f * Gauss(p, {side * 2.12f, 2.02f, 0.28f}, 0.2f) +
                 0.6f * Gauss(p, {side * 0.5f, -1.9f, -0.32f}, 0.22f);
    }
    skin = Mix(skin, Rgb(0.78f, 0.42f, 0.36f), Saturate(redness) * 0.5f);
    // Nipples and the navel.
    for (float side : {-1.0f, 1.0f}) {
      const float nipple = Gauss(p, {side * 0.44f, 1.7f, -0.6f}, 0.05f);
      skin = Mix(skin, Rgb(0.5f, 0.3f, 0.25f), Saturate(nipple * 1.5f));
    }
    skin = Mix(skin, Rgb(0.45f, 0.3f, 0.24f), Saturate(Gauss(p, {0.0f, 0.42f, -0.72f}, 0.04f) * 1.4f));
    // Chest hair and the trail down to the navel: short dark strokes.
    const float chest = SmoothStep(0.55f, 0.2f, std::fabs(p.x)) * SmoothStep(1.05f, 1.35f, p.y) *
                        SmoothStep(2.0f, 1.75f, p.y) * SmoothStep(-0.2f, -0.45f, p.z);
    const float trail = SmoothStep(0.1f, 0.03f, std::fabs(p.x) - 0.04f * Saturate((0.5f - p.y) * 2.0f)) *
                        SmoothStep(0.0f, 0.1f, p.y) * SmoothStep(1.3f, 1.0f, p.y) * SmoothStep(-0.2f, -0.45f, p.z);
    const float hairDensity = std::fmax(chest * (0.6f + 0.4f * Fbm3(p * 4.0f, 303u, 2)), trail * 0.8f);
    if (hairDensity > 0.05f) {
      const CellDistances strands = Cellular3(Vec3{p.x * 55.0f, p.y * 30.0f, p.z * 55.0f}, 304u);
      const float strand = 1.0f - SmoothStep(0.15f, 0.3f, strands.nearest);
      skin = Mix(skin, Rgb(0.16f, 0.1f, 0.07f), strand * hairDensity * 0.85f);
    }
    const float tattoo = std::fmax(ArmTattoo(p), BackTattoo(p));
    skin = Mix(skin, Rgb(0.1f, 0.13f, 0.2f), tattoo * 0.85f);
    const float scar = 1.0f - SmoothStep(0.008f, 0.02f, ScarDistance(p));
    skin = Mix(skin, Rgb(0.88f, 0.66f, 0.6f), scar * 0.8f);
    look.albedo = Scale(skin, 1.0f - 0.5f * occlusion);
    look.specular = 0.28f * (1.0f - 0.6f * occlusion) * (1.0f - 0.5f * hairDensity);
    look.exponent = 20.0f;
    return look;
  }

  // Fine relief for the normal map, in world units.
  float Height(Vec3 p) const {
    float h = 0.0012f * Fbm3(p * 70.0f, 401u, 2);  // pores and grain
    if (p.y < -3.42f) {
      h += 0.004f * (p.y < -3.66f ? std::sin(p.z * 120.0f) : Fbm3(p * 30.0f, 402u, 2));  // tread, leather
      return h;
    }
    if (p.y < -3.05f) return h + 0.002f * std::sin(p.x * 160.0f + p.z * 160.0f);  // sock ribs
    if (InBriefs(p)) {
      h += 0.0008f * std::sin(p.y * 420.0f);         // the knit
      if (p.y > BriefsTop(p) - 0.075f) h += 0.004f;  // the elastic stands out
      return h;
    }
    // Muscle lines of the front: the midline and the rows of the abdomen.
    if (p.z < -0.2f) {
      const float midline = std::fabs(p.x);
      if (p.y > 0.55f && p.y < 1.6f) h -= 0.008f * (1.0f - SmoothStep(0.0f, 0.05f, midline));
      for (float row : {0.82f, 1.1f}) {
        if (midline < 0.34f) h -= 0.005f * (1.0f - SmoothStep(0.0f, 0.035f, std::fabs(p.y - row)));
      }
    }
    h -= 0.03f * Gauss(p, {0.0f, 0.42f, -0.72f}, 0.035f);  // navel
    for (float side : {-1.0f, 1.0f}) h += 0.006f * Gauss(p, {side * 0.44f, 1.7f, -0.6f}, 0.03f);
    h += 0.004f * (1.0f - SmoothStep(0.006f, 0.018f, ScarDistance(p)));
    // Veins along the forearms.
    if (std::fabs(p.x) > 2.2f && std::fabs(p.x) < 3.1f) {
      h += 0.003f * std::pow(Ridged3(Vec3{p.x * 1.5f, p.y * 9.0f, p.z * 9.0f}, 403u, 2), 4.0f);
    }
    return h;
  }
};

}  // namespace

FighterBody BuildFighterBody() {
  FighterBody body;
  const SdfShape shape = BodyShape();
  OrganicMeshOptions options;
  options.cell = 0.05f;
  options.targetTriangles = 6400;
  options.atlasSize = 1024;
  options.atlasPadding = 4;
  // Arms, legs and trunk in charts of their own.
  options.chartGroup = [](Vec3 c) {
    if (std::fabs(c.x) > 1.05f && c.y > 1.5f) return c.x > 0.0f ? 1 : 2;
    if (c.y < -0.5f) return c.x > 0.0f ? 3 : 4;
    return 0;
  };
  ChartAtlas atlas = BuildOrganicMesh(shape, options);

  // Skin weights on the vertices before the atlas doubled them, so that the
  // copies on either side of a seam move together.
  std::vector<Vec3> positions(atlas.mesh.vertices.size());
  for (std::size_t v = 0; v < positions.size(); ++v) positions[v] = atlas.mesh.vertices[v].position;
  std::vector<VertexSkin> skin = SkinFromPrimitives(shape, positions, 0.06f);
  LimitBonesPerFace(atlas.mesh, &skin, kMaxBonesPerFace);
  body.skeleton = MakeFighterSkeleton();
  AssignInfluences(skin, &body.skeleton);
  body.poses = MakeFighterPoses(body.skeleton);

  const std::vector<float> occlusion = VertexOcclusion(shape, atlas.mesh);
  const BodyPainter painter{shape, occlusion};
  const BakedMaps maps = BakeSurfaceMaps(
      atlas.mesh, options.atlasSize, [&](const SurfacePoint& s) { return painter.Look(s); },
      [&](Vec3 p) { return painter.Height(p); }, 1.0f);
  body.asset.mesh = std::move(atlas.mesh);
  body.asset.maps = {
      {"body_brief.png", maps.diffuse}, {"body_brief_n.png", maps.normal}, {"body_brief_s.png", maps.specular}};
  UdtMaterial& m = body.asset.material;
  m.type = "CharMid+";
  m.ambientRate = 1.0f;
  m.specular = {0.3f, 0.28f, 0.25f};
  m.specularPower = 20.0f;
  m.gpv = 0.35f;  // soft wrap of the light round the body
  m.diffuseMap = "body_brief.png";
  m.normalMap = "body_brief_n.png";
  m.specularMap = "body_brief_s.png";
  return body;
}

}  // namespace assetgen
