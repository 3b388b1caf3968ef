// The grapple executable. Takes the display configuration from the file
// beside the executable, or asks for it once in the list dialog and stores
// it there, then runs the application at 60 frames per second.
// Exits with 0 when the dialog is cancelled (no window is made), else 1.

#include <cstdio>
#include <memory>

#include "app/AppMain.h"
#include "frame/StartupConfig.h"
#include "platform/win32/Windows.h"

namespace {

// A stored size larger than the screen is treated like a damaged file: the
// user is asked again instead of getting a window that cannot be seen whole.
bool StoredConfigIsUsable(const char* path) {
  return ReadConfig(path) &&
         ConfigFitsScreen(GetDisplayConfiguration(), GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

}  // namespace

int main() {
  HINSTANCE instance = nullptr;  // the executable itself
  char path[kConfigPathSize] = {};
  const bool havePath = GetModuleFileNameA(instance, path, kConfigPathSize) > 0 && MakeConfigPath(path);

  if (!havePath || !StoredConfigIsUsable(path)) {
    if (!ChooseDisplayMode(instance)) return 0;
    // A file that cannot be written only means being asked again next time.
    if (std::FILE* file = havePath ? std::fopen(path, "w") : nullptr) {
      WriteConfig(file);
      std::fclose(file);
    }
  }

  auto app = std::make_unique<AppMain>();
  app->Run(instance, 60.0f);
  app.reset();
  return 1;
}
