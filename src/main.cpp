// The grapple executable: runs the application at 60 frames per second
// until it ends. Exits with 0 after a normal end, 1 when the window or the
// application could not start.

#include <memory>

#include "app/AppMain.h"

int main() {
  auto app = std::make_unique<AppMain>();
  const bool ran = app->Run(nullptr, 60.0f);
  app.reset();
  return ran ? 0 : 1;
}
