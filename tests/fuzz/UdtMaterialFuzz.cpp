// Material files (.udt) through the renderer's loader, with its messages,
// in the shader modes or (input's first byte, bit 0) the fixed pipeline,
// whose loader blends the maps. A 4 x 4 PNG "a.png" lies beside the file
// for the map lines to name.

#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "frame/MessageOutputInterface.h"
#include "render/AdvancedRenderSystem.h"

namespace {

class Messages : public MessageOutputInterface {
 public:
  void Output(const char*) override {}
};

// A renderer that loads: the device and the default textures, no effects.
class LoadingRenderer : public AdvancedRenderSystem {
 public:
  bool Attach(IDirect3DDevice9* device) {
    device_ = device;
    return CreateDefaultTextures();
  }
  void SetFixedPipeline(bool fixed) { fixedPipeline_ = fixed; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::InputFile input("m.udt");
  static LoadingRenderer* renderer = [] {
    input.WriteBeside("a.png", fuzz::SmallPng());
    auto* attached = new LoadingRenderer;
    if (!attached->Attach(fuzz::Device())) __builtin_trap();
    return attached;
  }();
  if (size < 1) return 0;
  input.Write(data + 1, size - 1);
  renderer->SetFixedPipeline((data[0] & 1) != 0);
  Messages messages;
  MaterialData* material = nullptr;
  if (renderer->LoadMaterial(&messages, &material, input.Path().c_str())) {
    renderer->GetMaterialPool().Release(material);
  }
  return 0;
}
