#pragma once
// The display configuration of the process: window size, shader path and
// quality. Read by the window, the device layer, the application and the
// renderer; set once at start-up.

#include <cstdint>

struct DisplayConfiguration {
  std::int32_t width = 800;
  std::int32_t height = 600;
  bool useShaders = true;   // false selects the fixed-function pipeline
  bool highQuality = true;  // enables the best-quality rendering paths
};

DisplayConfiguration& GetDisplayConfiguration();
