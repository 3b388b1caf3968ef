// Material files and textures: what the game's loaders make of them.

#include <cstdio>
#include <string>
#include <vector>

#include "frame/MessageOutputInterface.h"
#include "tools/inspect/HeadlessRenderer.h"
#include "tools/inspect/Inspectors.h"

namespace {

class Collector : public MessageOutputInterface {
 public:
  void Output(const char* text) override { lines.emplace_back(text); }
  std::vector<std::string> lines;
};

std::string Describe(IDirect3DTexture9* texture) {
  if (texture == nullptr) return "none";
  D3DSURFACE_DESC desc{};
  texture->GetLevelDesc(0, &desc);
  char text[96];
  std::snprintf(text, sizeof(text), "%ux%u, %lu levels, %s", desc.Width, desc.Height,
                static_cast<unsigned long>(texture->GetLevelCount()),
                desc.Format == D3DFMT_A8R8G8B8 ? "with alpha" : "opaque");
  return text;
}

}  // namespace

int InspectMaterial(const char* path) {
  HeadlessRenderer headless;
  if (!headless.Start(false)) return 1;
  RenderSystem& renderer = headless.Renderer();
  Collector messages;
  MaterialData* material = nullptr;
  const bool loaded = renderer.LoadMaterial(&messages, &material, path);
  for (const std::string& line : messages.lines) std::printf("%s\n", line.c_str());
  if (!loaded) return 1;
  const MaterialType& type = GetMaterialType(material->type);
  std::printf("%s: %s (technique %s), ambient rate %g, specular (%g, %g, %g) power %g, shader scalar %g\n", path,
              type.shortName, type.technique, static_cast<double>(material->ambientRate),
              static_cast<double>(material->specular[0]), static_cast<double>(material->specular[1]),
              static_cast<double>(material->specular[2]), static_cast<double>(material->specularPower),
              static_cast<double>(material->gpv));
  std::printf("  diffuse map:  %s\n", Describe(material->diffuseMap).c_str());
  if (type.normal) std::printf("  normal map:   %s\n", Describe(material->normalMap).c_str());
  if (type.spec) std::printf("  specular map: %s\n", Describe(material->specularMap).c_str());
  if (type.emis) std::printf("  emissive map: %s\n", Describe(material->emissiveMap).c_str());
  renderer.GetMaterialPool().Release(material);
  // Reported problems (a missing map) still leave a usable material.
  return messages.lines.empty() ? 0 : 1;
}

int InspectTexture(const char* path) {
  HeadlessRenderer headless;
  if (!headless.Start(false)) return 1;
  IDirect3DTexture9* texture = nullptr;
  if (!headless.Renderer().LoadTexture(&texture, path)) {
    std::printf("%s: not a texture the game can load\n", path);
    return 1;
  }
  std::printf("%s: %s\n", path, Describe(texture).c_str());
  headless.Renderer().GetTexturePool().Release(texture);
  return 0;
}
