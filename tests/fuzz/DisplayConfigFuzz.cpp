// The display-configuration file beside the executable: its first line
// read and parsed; a configuration it accepts is one the game can open.

#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "frame/DisplayConfiguration.h"
#include "frame/StartupConfig.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::InputFile input("grapple.cfg");
  input.Write(data, size);
  DisplayConfiguration& config = GetDisplayConfiguration();
  config = DisplayConfiguration{};
  if (ReadConfig(input.Path().c_str())) {
    if (config.width < kMinStoredSize || config.width > kMaxStoredSize || config.height < kMinStoredSize ||
        config.height > kMaxStoredSize) {
      __builtin_trap();
    }
  }
  return 0;
}
