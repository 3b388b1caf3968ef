#pragma once
// The arena: the level mesh (map/test_map.x), its light map
// (map/lightmap.png), its .udt materials and the textures they name. All
// files go into data/map/; the caller writes them.

#include <string>
#include <vector>

#include "tools/assetgen/MeshModel.h"
#include "tools/assetgen/Writers.h"

namespace assetgen {

struct ArenaTexture {
  std::string fileName;  // e.g. "gr_grass_d.png"
  ImageRgba image;
};

struct ArenaMaterialFile {
  std::string fileName;  // e.g. "gr_grass.udt"; begins with the surface's physics code
  UdtMaterial material;
};

struct ArenaData {
  MeshModel mesh;     // model units (drawn and collided at scale 70), hasUv2 = true
  ImageRgba lightmap;  // map/lightmap.png
  std::vector<ArenaMaterialFile> materials;  // one per mesh material, in material order
  std::vector<ArenaTexture> textures;        // the maps the .udt files name
};

// Figures of one build, for the generator's log.
struct ArenaStats {
  int charts = 0;
  float texelsPerWorldUnit = 0.0f;  // light-map density
  double geometrySeconds = 0.0, bakeSeconds = 0.0, textureSeconds = 0.0;
};

// Builds everything; false with the reason in *error when a check of the
// result fails (vertex limit, NaN, bad indices), and then *out is untouched.
bool BuildArena(ArenaData* out, std::string* error, ArenaStats* stats = nullptr);

}  // namespace assetgen
