#include "platform/host/Headless.h"

#include <cstdlib>

namespace host {

void UseHeadlessDrivers() {
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  setenv("ALSOFT_DRIVERS", "null", 1);
}

}  // namespace host
