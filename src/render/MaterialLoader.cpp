// Loading of .udt material files into the material pool.
//
// A .udt file has at least 11 lines (later ones are ignored), taken whole:
//   0 "Material"          1 type short name       2 ambient rate
//   3 specular "r,g,b"    4 specular power        5 shader scalar (g_GPV)
//   6..9 diffuse, normal, specular, emissive map file names, relative to the
//        file's directory; a line starting with '!' names no file
//   10 "eof"
// Numbers that do not parse read as 0.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/d3dx9/D3dxTexture.h"
#include "render/PathData.h"
#include "render/RenderSystem.h"
#include "render/TextFileLoader.h"

namespace {

constexpr std::size_t kUdtLineCount = 11;

struct MapSlot {
  std::size_t line;
  const char* name;        // in the message
  const char* defaultKey;  // the default texture of the slot (shader modes)
};

constexpr MapSlot kDiffuseSlot{6, "DiffuseMap", "#def_D"};
constexpr MapSlot kNormalSlot{7, "NormalMap", "#def_N"};
constexpr MapSlot kSpecularSlot{8, "SpecularMap", "#def_S"};
constexpr MapSlot kEmissiveSlot{9, "EmissiveMap", "#def_E"};

// The directory of the material file with a trailing '/', or empty (the
// current directory) when the path has no separator.
std::string MaterialDirectory(const char* path) {
  const std::string name = PathData::OpenName(path);
  const std::size_t slash = name.rfind('/');
  return slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
}

}  // namespace

bool RenderSystem::LoadMaterial(MessageOutputInterface* messages, MaterialData** out, const char* path) {
  if (out == nullptr || *out != nullptr || path == nullptr) {
    if (messages != nullptr) messages->Output("Invalid parameter");
    return false;
  }
  std::string key = path;
  PathData::NormalizePath(&key);
  *out = materialPool_.Acquire(key);
  if (*out != nullptr) return true;

  const std::string directory = MaterialDirectory(path);
  TextFileLoader file;
  const auto fail = [out](MaterialData* material) {
    delete material;
    *out = nullptr;
    return false;
  };
  auto* material = new MaterialData;
  *out = material;
  if (!file.Load(PathData::OpenName(path).c_str())) {
    if (messages != nullptr) messages->Printf("%s: Failed to load udt file", path);
    return fail(material);
  }
  if (file.GetLineCount() < kUdtLineCount) {
    if (messages != nullptr) messages->Printf("%s: Incomplete udt file", path);
    return fail(material);
  }
  if (file.GetLine(0) != "Material" || file.GetLine(10) != "eof") {
    if (messages != nullptr) messages->Printf("%s: Invalid udt file", path);
    return fail(material);
  }
  const int row = FindMaterialType(file.GetLine(1).c_str());
  if (row < 0) {
    if (messages != nullptr) messages->Printf("%s: Invalid material type (%s)", path, file.GetLine(1).c_str());
    return fail(material);
  }
  const MaterialType& type = GetMaterialType(row);

  material->type = row;
  material->ambientRate = static_cast<float>(std::atof(file.GetLine(2).c_str()));
  std::sscanf(file.GetLine(3).c_str(), "%f,%f,%f", &material->specular[0], &material->specular[1],
              &material->specular[2]);
  material->specularPower = static_cast<float>(std::atof(file.GetLine(4).c_str()));
  material->gpv = static_cast<float>(std::atof(file.GetLine(5).c_str()));
  material->owner = this;
  if (material->specularPower < 1.0f && messages != nullptr) {
    messages->Printf("%s: Illegal specular power (%f)", path, static_cast<double>(material->specularPower));
  }

  // Shader modes share the maps through the texture pool; the fixed pipeline
  // loads private scratch copies that the blend below turns into one texture.
  const auto loadMap = [&](const MapSlot& slot, IDirect3DTexture9** map) {
    const std::string& line = file.GetLine(slot.line);
    if (!line.empty() && line[0] == '!') {
      if (!fixedPipeline_) *map = texturePool_.Acquire(slot.defaultKey);
      return;
    }
    const std::string fileName = directory + line;
    std::string mapKey = fileName;
    PathData::NormalizePath(&mapKey);
    if (!fixedPipeline_) {
      *map = texturePool_.Acquire(mapKey);
      if (*map != nullptr) return;
    }
    const HRESULT hr = D3DXCreateTextureFromFileExA(
        device_, PathData::OpenName(fileName).c_str(), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
        fixedPipeline_ ? D3DFMT_A8R8G8B8 : D3DFMT_UNKNOWN, fixedPipeline_ ? D3DPOOL_SCRATCH : D3DPOOL_DEFAULT,
        D3DX_FILTER_LINEAR, D3DX_FILTER_BOX, 0, nullptr, nullptr, map);
    if (SUCCEEDED(hr) && *map != nullptr) {
      if (!fixedPipeline_) texturePool_.Add(mapKey, *map);
      return;
    }
    *map = fixedPipeline_ ? nullptr : texturePool_.Acquire(slot.defaultKey);
    if (messages != nullptr) {
      messages->Printf("%s: Failed to load %s texture file, use default texture", path, slot.name);
    }
  };
  loadMap(kDiffuseSlot, &material->diffuseMap);
  if (type.normal) loadMap(kNormalSlot, &material->normalMap);
  if (type.spec) loadMap(kSpecularSlot, &material->specularMap);
  if (type.emis) loadMap(kEmissiveSlot, &material->emissiveMap);

  if (fixedPipeline_) {
    if (!BlendTextures(material, true)) {
      // The material releases its diffuse texture directly in this mode, so
      // it holds a reference of its own to the pool's default texture.
      material->diffuseMap = texturePool_.Acquire("#def_D");
      if (material->diffuseMap != nullptr) material->diffuseMap->AddRef();
      if (messages != nullptr) messages->Printf("%s: Failed to blend texture files, use default texture", path);
    }
    material->fixedMaterial = new D3DMATERIAL9{};
    FillFixedMaterial(*material, material->fixedMaterial);
  }

  materialPool_.Add(key, material);
  return true;
}
