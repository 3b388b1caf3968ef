// The device layer run headless: creation fallbacks and their messages,
// device loss and restore.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/FwDX9.h"
#include "platform/d3d9/D3d9Automation.h"
#include "support/HeadlessFixture.h"
#include "support/ScriptedApp.h"

namespace {

// Creates the device in Init and presents an empty frame each frame,
// restoring the device when the present reports it lost.
class DeviceApp : public FwDX9 {
 public:
  std::vector<HRESULT> presents;
  DWORD restoreTime = 0;  // virtual milliseconds spent restoring
  D3DFORMAT depthFormat = D3DFMT_UNKNOWN;
  bool hasFont = false;

  bool Init() override { return CreateDevice(false, false, 14, false); }
  void Exit() override { ReleaseDevice(); }
  void Frame() override {
    IDirect3DDevice9* device = GetDevice();
    device->BeginScene();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
    device->EndScene();
    presents.push_back(device->Present(nullptr, nullptr, nullptr, nullptr));
    if (presents.back() == D3DERR_DEVICELOST) {
      const DWORD before = timeGetTime();
      RestoreDevice();
      restoreTime += timeGetTime() - before;
    }
    depthFormat = GetPresentParameters().AutoDepthStencilFormat;
    hasFont = GetFont() != nullptr;
  }
};

using TestApp = ScriptedApp<DeviceApp>;

class RecordingListener : public FwDX9::D3dDeviceLostCallback {
 public:
  RecordingListener(std::string name, std::vector<std::string>* log) : name_(std::move(name)), log_(log) {}
  void OnDeviceLost() override { log_->push_back(name_ + " lost"); }
  void OnDeviceReset() override { log_->push_back(name_ + " reset"); }

 private:
  std::string name_;
  std::vector<std::string>* log_;
};

class FwDX9DeviceTest : public HeadlessTest {
 protected:
  void TearDown() override {
    d3d9::SetCreationFaults(d3d9::CreationFaults{});
    HeadlessTest::TearDown();
  }
  // Runs a few frames with the device refusing what `faults` says.
  void RunWithFaults(TestApp& app, bool d24s8, bool hardwareVertexProcessing, bool hal) {
    d3d9::CreationFaults faults;
    faults.refuseD24S8 = d24s8;
    faults.refuseHardwareVertexProcessing = hardwareVertexProcessing;
    faults.refuseHal = hal;
    d3d9::SetCreationFaults(faults);
    app.maxFrames = 2;
    ASSERT_TRUE(app.Run(nullptr, 60.0f));
    EXPECT_EQ(app.presents, (std::vector<HRESULT>{S_OK, S_OK}));
    EXPECT_TRUE(app.hasFont);
  }
  static void ExpectOneBox(const char* caption, const char* text) {
    const auto boxes = platform::TakeRecordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, caption);
    EXPECT_EQ(boxes[0].text, text);
  }
};

TEST_F(FwDX9DeviceTest, EachCreationFallbackIsReportedOnceAndKeepsTheSmallerDepthBuffer) {
  {
    TestApp app;
    RunWithFaults(app, false, false, false);
    EXPECT_EQ(app.depthFormat, D3DFMT_D24S8);
    EXPECT_TRUE(platform::TakeRecordedMessageBoxes().empty());
  }
  {
    TestApp app;
    RunWithFaults(app, true, false, false);
    EXPECT_EQ(app.depthFormat, D3DFMT_D16);
    ExpectOneBox("Info", "Info: Changed D3D PresentParameters");
  }
  {
    TestApp app;
    RunWithFaults(app, false, true, false);
    EXPECT_EQ(app.depthFormat, D3DFMT_D16);
    ExpectOneBox("Info", "Info: HAL with Software Vertexproc");
  }
  {
    TestApp app;
    RunWithFaults(app, false, false, true);
    EXPECT_EQ(app.depthFormat, D3DFMT_D16);
    ExpectOneBox("Info", "Info: REF");
  }
}

TEST_F(FwDX9DeviceTest, RefusingEveryRequestFailsCreationWithOneFailedBox) {
  d3d9::CreationFaults faults;
  faults.refuseAll = true;
  d3d9::SetCreationFaults(faults);
  TestApp app;
  EXPECT_FALSE(app.Run(nullptr, 60.0f));
  EXPECT_TRUE(app.presents.empty());
  EXPECT_EQ(app.GetDirect3D(), nullptr);  // Exit released what was made
  ExpectOneBox("Failed", "Failed: Create D3D Device");
}

TEST_F(FwDX9DeviceTest, ALostDeviceIsRestoredWithListenersCalledInRegistrationOrder) {
  std::vector<std::string> log;
  RecordingListener first("first", &log);
  RecordingListener second("second", &log);
  RecordingListener third("third", &log);
  TestApp app;
  app.maxFrames = 6;
  app.AddDeviceLostCallback(&first);
  app.AddDeviceLostCallback(&second);
  app.RemoveDeviceLostCallback(&first);
  app.AddDeviceLostCallback(&third);  // takes the freed first slot
  app.afterFrame = [](TestApp& self) {
    if (self.frames == 2) d3d9::SimulateDeviceLoss(self.GetDevice());
  };
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  EXPECT_EQ(app.presents, (std::vector<HRESULT>{S_OK, S_OK, S_OK, D3DERR_DEVICELOST, S_OK, S_OK}));
  EXPECT_EQ(log, (std::vector<std::string>{"third lost", "second lost", "third reset", "second reset"}));
  EXPECT_TRUE(app.hasFont);  // made again after the reset
  EXPECT_TRUE(platform::TakeRecordedMessageBoxes().empty());
}

TEST_F(FwDX9DeviceTest, RestoreWaitsWhileAnotherWindowIsInFront) {
  std::vector<std::string> log;
  RecordingListener listener("listener", &log);
  TestApp app;
  app.maxFrames = 9;
  app.AddDeviceLostCallback(&listener);
  app.script.FocusLost(2);
  app.script.FocusGained(6);
  app.afterFrame = [](TestApp& self) {
    if (self.frames == 2) d3d9::SimulateDeviceLoss(self.GetDevice());
  };
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  // Frames 3 to 5 leave the lost device alone; frame 6 has the focus back.
  const HRESULT lost = D3DERR_DEVICELOST;
  EXPECT_EQ(app.presents, (std::vector<HRESULT>{S_OK, S_OK, S_OK, lost, lost, lost, lost, S_OK, S_OK}));
  EXPECT_EQ(log, (std::vector<std::string>{"listener lost", "listener reset"}));
}

TEST_F(FwDX9DeviceTest, AFailedResetIsRetriedOnceAfterAPause) {
  TestApp app;
  app.maxFrames = 4;
  app.afterFrame = [](TestApp& self) {
    if (self.frames != 1) return;
    d3d9::SimulateDeviceLoss(self.GetDevice());
    d3d9::FailNextResets(self.GetDevice(), 1);
  };
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  EXPECT_EQ(app.presents, (std::vector<HRESULT>{S_OK, S_OK, D3DERR_DEVICELOST, S_OK}));
  EXPECT_GE(app.restoreTime, 100u);
  EXPECT_TRUE(platform::TakeRecordedMessageBoxes().empty());
}

TEST_F(FwDX9DeviceTest, AResetThatFailsTwiceEndsTheProcessNamingTheError) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto run = [] {
    TestApp app;
    app.afterFrame = [](TestApp& self) {
      if (self.frames != 1) return;
      d3d9::SimulateDeviceLoss(self.GetDevice());
      d3d9::FailNextResets(self.GetDevice(), 2);
    };
    app.Run(nullptr, 60.0f);
  };
  // Headless message boxes go to stderr.
  EXPECT_DEATH(run(), "Failed: Reset D3D device \\(D3DERR_INVALIDCALL\\)");
}

}  // namespace
