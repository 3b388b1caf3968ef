// The main of every test program: headless video and sound, so no test ever
// needs a display or a sound card.

#include <gtest/gtest.h>

#include "platform/host/Headless.h"

int main(int argc, char** argv) {
  host::UseHeadlessDrivers();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
