// The camera block: projection set-up, world-to-screen projection and the
// free camera driven by scripted mouse input (no device needed).

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "frame/FwDX9.h"
#include "support/HeadlessFixture.h"
#include "support/ScriptedApp.h"

namespace {

constexpr float kHalfPi = 1.5707964f;
constexpr float kPitchLimit = 1.569051f;

class CameraApp : public FwDX9 {
 public:
  bool freeCamera = true;
  std::vector<CameraView> cameras;  // after each frame
  std::vector<POINT> mouse;

  bool Init() override {
    SetProjection(kHalfPi, 0.1f, 1000.0f);
    UpdateView();
    return true;
  }
  void Exit() override {}
  void Frame() override {
    if (freeCamera) FreeCamera();
    cameras.push_back(GetCamera());
    mouse.push_back(GetMousePosition());
  }
};

using TestApp = ScriptedApp<CameraApp>;

class FwDX9CameraTest : public HeadlessTest {
 protected:
  // A run with the camera at its start position; frame 0 only places the
  // mouse, so the free camera's shared mouse state starts from there.
  void RunFrames(TestApp& app, int frames) {
    app.maxFrames = frames;
    app.script.MouseMove(0, 400, 300);
    ASSERT_TRUE(app.Run(nullptr, 60.0f));
  }
};

float Pitch(const CameraView& camera) { return std::asin(camera.viewDirection.y); }

TEST_F(FwDX9CameraTest, SetProjectionPlacesTheCameraAndDerivesSpeedsAndMatrix) {
  TestApp app;
  app.freeCamera = false;
  RunFrames(app, 1);
  const CameraView& c = app.GetCamera();
  EXPECT_FLOAT_EQ(c.moveSpeed, 0.25f);
  EXPECT_FLOAT_EQ(c.rotateSpeed, 0.0078539816f);
  EXPECT_FLOAT_EQ(c.pivotDistance, 100.0f);
  EXPECT_EQ(c.eye, D3DXVECTOR3(0.0f, 0.0f, -100.0f));
  EXPECT_EQ(c.viewDirection, D3DXVECTOR3(0.0f, 0.0f, 1.0f));
  EXPECT_EQ(c.up, D3DXVECTOR3(0.0f, 1.0f, 0.0f));
  // Horizontal field of view: the vertical scale carries the aspect.
  EXPECT_NEAR(c.projection._11, 1.0f, 1e-6f);
  EXPECT_NEAR(c.projection._22, 800.0f / 600.0f, 1e-5f);
  EXPECT_NEAR(c.projection._33, 1000.0f / 999.9f, 1e-6f);
  EXPECT_EQ(c.projection._34, 1.0f);
  EXPECT_NEAR(c.projection._43, -100.0f / 999.9f, 1e-6f);
  EXPECT_EQ(c.projection._44, 0.0f);
}

TEST_F(FwDX9CameraTest, WorldToScreenMapsPointsToPixelsAndFlagsPointsBehindTheCamera) {
  TestApp app;
  app.freeCamera = false;
  RunFrames(app, 1);

  D3DXVECTOR3 origin(0.0f, 0.0f, 0.0f);
  EXPECT_TRUE(app.WorldToScreen(&origin));
  EXPECT_NEAR(origin.x, 400.0f, 1e-3f);
  EXPECT_NEAR(origin.y, 300.0f, 1e-3f);
  EXPECT_NEAR(origin.z, 0.1f, 1e-6f);  // view depth / far plane
  // At depth 100 the right edge is x = 100 and the top edge y = 75.
  D3DXVECTOR3 corner(100.0f, 75.0f, 0.0f);
  EXPECT_TRUE(app.WorldToScreen(&corner));
  EXPECT_NEAR(corner.x, 800.0f, 1e-2f);
  EXPECT_NEAR(corner.y, 0.0f, 1e-2f);
  D3DXVECTOR3 clipped(0.0f, 0.0f, 0.0f);
  EXPECT_TRUE(app.WorldToScreenClipped(&clipped));
  EXPECT_NEAR(clipped.x, 400.0f, 1e-3f);
  EXPECT_NEAR(clipped.z, 0.999f * 1000.0f / 999.9f, 1e-5f);  // projected depth

  D3DXVECTOR3 behind(10.0f, 0.0f, -200.0f);
  EXPECT_FALSE(app.WorldToScreen(&behind));
  EXPECT_NE(behind, D3DXVECTOR3(10.0f, 0.0f, -200.0f));  // written all the same
  D3DXVECTOR3 unchanged(10.0f, 0.0f, -200.0f);
  EXPECT_FALSE(app.WorldToScreenClipped(&unchanged));
  EXPECT_EQ(unchanged, D3DXVECTOR3(10.0f, 0.0f, -200.0f));
  D3DXVECTOR3 inEyePlane(10.0f, 0.0f, -100.0f);
  EXPECT_FALSE(app.WorldToScreenClipped(&inEyePlane));
}

TEST_F(FwDX9CameraTest, LeftDragTurnsTheViewButNeverPastStraightUpOrDown) {
  TestApp app;
  app.script.ButtonDown(1, VK_LBUTTON);
  for (int frame = 2; frame <= 7; ++frame) app.script.MouseMove(frame, 400, 100);   // up
  for (int frame = 8; frame <= 13; ++frame) app.script.MouseMove(frame, 400, 500);  // down
  app.script.ButtonUp(14, VK_LBUTTON);
  RunFrames(app, 15);

  for (std::size_t i = 0; i < app.cameras.size(); ++i) {
    const CameraView& c = app.cameras[i];
    EXPECT_LE(std::fabs(c.viewDirection.y), std::sin(kPitchLimit) + 1e-7f) << "frame " << i;
    EXPECT_NEAR(D3DXVec3Length(&c.viewDirection), 1.0f, 1e-5f) << "frame " << i;
    EXPECT_EQ(c.eye, D3DXVECTOR3(0.0f, 0.0f, -100.0f)) << "turning does not move the eye";
  }
  // One pixel turns by rotateSpeed: 200 pixels up is more than the limit.
  // (asin loses precision this close to 1.)
  EXPECT_NEAR(Pitch(app.cameras[2]), kPitchLimit, 1e-4f);
  EXPECT_NEAR(Pitch(app.cameras[7]), kPitchLimit, 1e-4f);
  EXPECT_NEAR(Pitch(app.cameras[13]), -kPitchLimit, 1e-4f);
  // The cursor is put back where the drag started.
  EXPECT_EQ(app.mouse[7].x, 400);
  EXPECT_EQ(app.mouse[7].y, 300);
}

TEST_F(FwDX9CameraTest, RightDragStrafesAndMovesAlongTheView) {
  TestApp app;
  app.script.ButtonDown(1, VK_RBUTTON);
  app.script.MouseMove(2, 440, 340);  // 40 right, 40 down
  app.script.ButtonUp(3, VK_RBUTTON);
  RunFrames(app, 4);
  const CameraView& c = app.cameras[2];
  EXPECT_NEAR(c.eye.x, 10.0f, 1e-4f);    // strafe right: 40 x 0.25
  EXPECT_NEAR(c.eye.z, -110.0f, 1e-4f);  // mouse down backs away along the view
  EXPECT_NEAR(c.eye.y, 0.0f, 1e-4f);
  EXPECT_EQ(c.viewDirection, app.cameras[0].viewDirection);
}

TEST_F(FwDX9CameraTest, MiddleDragOrbitsAroundThePivot) {
  TestApp app;
  app.script.ButtonDown(1, VK_MBUTTON);
  app.script.MouseMove(2, 500, 300);  // 100 pixels: yaw turns by 0.785 rad
  app.script.ButtonUp(3, VK_MBUTTON);
  RunFrames(app, 4);
  const CameraView& c = app.cameras[2];
  const D3DXVECTOR3 pivot = c.eye + c.viewDirection * c.pivotDistance;
  EXPECT_NEAR(D3DXVec3Length(&pivot), 0.0f, 1e-3f);
  EXPECT_NEAR(c.eye.x, -70.7107f, 1e-2f);
  EXPECT_NEAR(c.eye.z, -70.7107f, 1e-2f);
  EXPECT_FLOAT_EQ(c.pivotDistance, 100.0f);
}

TEST_F(FwDX9CameraTest, EachWheelNotchMovesTheEyeATenthOfTheWayToThePivot) {
  TestApp app;
  app.script.Wheel(2, WHEEL_DELTA);   // away from the user: closer
  app.script.Wheel(4, -WHEEL_DELTA);  // towards the user: back out
  RunFrames(app, 5);
  EXPECT_NEAR(app.cameras[2].eye.z, -90.0f, 1e-4f);
  EXPECT_NEAR(app.cameras[2].pivotDistance, 90.0f, 1e-4f);
  EXPECT_NEAR(app.cameras[4].eye.z, -99.0f, 1e-4f);
  EXPECT_NEAR(app.cameras[4].pivotDistance, 99.0f, 1e-4f);
  // The pivot itself never moves.
  for (const CameraView& c : app.cameras) EXPECT_NEAR(c.eye.z + c.pivotDistance, 0.0f, 1e-4f);
}

}  // namespace
