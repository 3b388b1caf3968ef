#pragma once
// Writers from the generator's models to the game's file formats. Each
// returns false with the reason in *error; none writes a partial file (the
// output set commits whole folders, see OutputSet.h). WriteXFile refuses a
// model that fails CheckMeshModel (ModelChecks.h); WriteUdt refuses an
// unknown type, a specular power below 1 or a number that is not finite;
// WritePng refuses an empty or inconsistent image.

#include <array>
#include <string>

#include "MeshModel.h"

namespace assetgen {

// A .udt material file: the type's short name and the lines the type reads.
// Map names are relative to the .udt file; an empty name is written as "!"
// (no map).
struct UdtMaterial {
  std::string type;  // e.g. "CharMid+", "MapFull", "StdMid"
  float ambientRate = 1.0f;
  std::array<float, 3> specular = {0.3f, 0.3f, 0.3f};
  float specularPower = 16.0f;
  float gpv = 0.0f;
  std::string diffuseMap, normalMap, specularMap, emissiveMap;
};

// DirectX .x text: header, one Frame-less Mesh with MeshNormals (one normal
// per vertex, so the loader never splits), MeshTextureCoords, the second
// coordinate set as DeclData when hasUv2, and the MeshMaterialList.
bool WriteXFile(const MeshModel& model, const std::string& path, std::string* error);
bool WriteUdt(const UdtMaterial& material, const std::string& path, std::string* error);
bool WritePng(const ImageRgba& image, const std::string& path, std::string* error);

// The texts the first two write, for checks and tests (no validation here;
// the writers validate before writing).
std::string XFileText(const MeshModel& model);
std::string UdtText(const UdtMaterial& material);

}  // namespace assetgen
