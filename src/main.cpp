// The grapple executable: runs the application at 60 frames per second
// until it ends, then exits with 0.

#include <memory>

#include "app/AppMain.h"

int main() {
  auto app = std::make_unique<AppMain>();
  app->Run(nullptr, 60.0f);
  app.reset();
  return 0;
}
