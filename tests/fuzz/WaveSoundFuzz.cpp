// Wave files through the sound system's loader: the RIFF reader, the
// loader's format checks and the sound buffer made from what passes.

#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "frame/MessageOutputInterface.h"
#include "platform/host/Headless.h"
#include "sound/SoundSystem.h"

namespace {

class Messages : public MessageOutputInterface {
 public:
  void Output(const char*) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::InputFile input("s.wav");
  static SoundSystem* sound = [] {
    host::UseHeadlessDrivers();
    auto* system = new SoundSystem;
    if (!system->Init(nullptr, 0.99f)) __builtin_trap();
    return system;
  }();
  input.Write(data, size);
  Messages messages;
  SoundData* loaded = sound->Load(input.Path().c_str(), &messages);
  if (loaded != nullptr) sound->Unload(loaded);
  return 0;
}
