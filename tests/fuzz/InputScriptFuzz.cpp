// The capture tool's input script, through its parser; every event it
// accepts lies within the limits the script format promises.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/host/InputScript.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  InputScript script;
  std::string error;
  ParseInputScript(text, &script, &error);
  for (const ScriptEvent& event : script.events) {
    if (event.frame < 0 || event.frame > kMaxScriptFrame + 1) __builtin_trap();
  }
  return 0;
}
