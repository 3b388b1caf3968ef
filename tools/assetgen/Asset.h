#pragma once
// A textured model as the generator hands it to the writers: the mesh, its
// material and the material's maps.

#include <string>
#include <vector>

#include "Generator.h"
#include "MeshModel.h"
#include "Writers.h"

namespace assetgen {

struct NamedImage {
  std::string file;  // relative to the material's folder
  ImageRgba image;
};

struct TexturedAsset {
  MeshModel mesh;
  UdtMaterial material;
  std::vector<NamedImage> maps;
};

// Writes folder/meshFile (unless meshFile is empty), folder/udtFile and the
// maps beside it. Maps must be powers of two.
bool WriteAsset(OutputSet* output, const std::string& folder, const std::string& meshFile, const std::string& udtFile,
                const TexturedAsset& asset, GenerationLog* log, std::string* error);

}  // namespace assetgen
