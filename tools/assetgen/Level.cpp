// The level: the arena's mesh, materials, surface maps and light map into
// data/map/.

#include "Generator.h"
#include "Writers.h"
#include "tools/assetgen/arena/Arena.h"

namespace assetgen {

bool WriteLevel(OutputSet* output, GenerationLog* log, std::string* error) {
  ArenaData arena;
  if (!BuildArena(&arena, error)) return false;
  for (const ArenaTexture& texture : arena.textures) {
    if (!WritePng(texture.image, output->Path("map/" + texture.fileName), error)) return false;
  }
  for (const ArenaMaterialFile& material : arena.materials) {
    if (!WriteUdt(material.material, output->Path("map/" + material.fileName), error)) return false;
  }
  if (!WritePng(arena.lightmap, output->Path("map/lightmap.png"), error) ||
      !WriteXFile(arena.mesh, output->Path("map/test_map.x"), error)) {
    return false;
  }
  log->AddMesh("map/test_map.x", arena.mesh);
  return true;
}

}  // namespace assetgen
