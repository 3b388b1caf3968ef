#pragma once
// The application's tests run where the generated scene data is, as the
// game does: "./data/..." resolves below the working directory.

#include <unistd.h>

#include "app/AppMain.h"
#include "platform/win32/CrtRandom.h"
#include "support/HeadlessFixture.h"
#include "support/ScriptedApp.h"

using TestApp = ScriptedApp<AppMain>;

class AppTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    AppMain::SetPaused(false);
    crt::srand(1);  // the same opponents on every run
    ASSERT_EQ(chdir(APP_TEST_DATA_ROOT), 0);
  }
};
