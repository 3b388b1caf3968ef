#include "Asset.h"

#include "TextureTools.h"

namespace assetgen {

bool WriteAsset(OutputSet* output, const std::string& folder, const std::string& meshFile, const std::string& udtFile,
                const TexturedAsset& asset, GenerationLog* log, std::string* error) {
  if (!meshFile.empty()) {
    if (!WriteXFile(asset.mesh, output->Path(folder + "/" + meshFile), error)) return false;
    if (log != nullptr) log->AddMesh(folder + "/" + meshFile, asset.mesh);
  }
  if (!WriteUdt(asset.material, output->Path(folder + "/" + udtFile), error)) return false;
  for (const NamedImage& map : asset.maps) {
    if (!IsPowerOfTwo(map.image.width, map.image.height)) {
      if (error != nullptr) *error = folder + "/" + map.file + ": not a power of two in size";
      return false;
    }
    if (!WritePng(map.image, output->Path(folder + "/" + map.file), error)) return false;
  }
  return true;
}

}  // namespace assetgen
