// The main of every test program: headless video and sound, so no test ever
// needs a display or a sound card.

#include <gtest/gtest.h>

#include "platform/host/Headless.h"

// Present only in the sanitizer build.
extern "C" void __lsan_do_leak_check() __attribute__((weak));

int main(int argc, char** argv) {
  host::UseHeadlessDrivers();
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  // Look for leaks now, while the driver's worker threads are still idle:
  // the check at exit can race with those threads shutting down and crash
  // the leak checker itself.
  if (__lsan_do_leak_check != nullptr) __lsan_do_leak_check();
  return result;
}
