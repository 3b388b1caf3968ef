// Timed debug primitives: ageing and fading, expiry of every primitive
// (also labels behind the camera), and where labels are written.

#include <gtest/gtest.h>

#include <vector>

#include "effects/DebugDrawSystem.h"
#include "frame/FwDX9.h"

namespace {

// A device layer with a camera but no window or device: projection works,
// drawing does nothing.
class NoDeviceFrame : public FwDX9 {
 public:
  bool Init() override { return true; }
  void Exit() override {}
  void Frame() override {}
};

const D3DXVECTOR3 kOrigin(0.0f, 0.0f, 0.0f);

TEST(DebugDrawSystemTest, PrimitivesHoldThenFadeByTheIntegerStepThenGo) {
  DebugDrawSystem debug;
  debug.AddLine(kOrigin, D3DXVECTOR3(1, 0, 0), 0xFF123456u, 0, 3);
  debug.AddLine(kOrigin, kOrigin, 0xFFFFFFFFu, 0, 0);   // drawn exactly once
  debug.AddLine(kOrigin, kOrigin, 0x80FFFFFFu, 2, 1);   // two draws held, one fading
  debug.AddLine(kOrigin, kOrigin, 0xFFFFFFFFu, -5, -5); // nonsense counts still expire
  debug.AddSphere(kOrigin, 1.0f, 12, 0xFFFFFFFFu, 1, 0);

  // Alpha 255 over three fading frames: 255 / 4 = 63 per frame.
  std::vector<D3DCOLOR> drawn;
  std::vector<std::size_t> counts;
  for (int frame = 0; frame < 5; ++frame) {
    if (!debug.GetLines().empty()) drawn.push_back(debug.GetLines().front().colour);
    debug.DrawShapes();
    counts.push_back(debug.GetLines().size());
  }
  EXPECT_EQ(drawn, (std::vector<D3DCOLOR>{0xFF123456u, 0xC0123456u, 0x81123456u, 0x42123456u}));
  EXPECT_EQ(counts, (std::vector<std::size_t>{2, 2, 1, 0, 0}));  // 66 left at removal
  EXPECT_TRUE(debug.GetSpheres().empty());
}

TEST(DebugDrawSystemTest, LabelsAgeAlsoBehindTheCameraAndAtTheScreenCentre) {
  NoDeviceFrame frame;
  frame.SetProjection(1.5707964f, 0.1f, 1000.0f);  // eye (0, 0, -100) looking along +Z
  frame.UpdateView();
  DebugDrawSystem debug;
  debug.SetFrame(&frame);
  debug.AddText("behind", D3DXVECTOR3(0, 0, -500), 0xFFFFFFFFu, 1, 1);
  debug.AddText(nullptr, D3DXVECTOR3(0, 0, 50), 0xFFFFFFFFu, 1, 1);  // on the view axis
  char text[] = "copied";
  debug.AddText(text, kOrigin, 0xFFFFFFFFu, 1, 1);
  text[0] = 'X';
  EXPECT_EQ(debug.GetLabels().back().text, "copied");
  EXPECT_EQ(debug.GetLabels()[1].text, "");

  debug.DrawTexts();
  EXPECT_EQ(debug.GetLabels().size(), 3u);
  debug.DrawTexts();
  EXPECT_TRUE(debug.GetLabels().empty());

  // The spread: 0.4 of the way out plus 0.6 of the ring a quarter diagonal
  // (here 250) from the centre; the centre itself stays put.
  const D3DXVECTOR2 centre(400.0f, 300.0f);
  const D3DXVECTOR2 out = DebugDrawSystem::SpreadLabel(D3DXVECTOR2(400.0f, 100.0f), centre);
  EXPECT_FLOAT_EQ(out.x, 400.0f);
  EXPECT_FLOAT_EQ(out.y, 300.0f - (0.4f * 200.0f + 0.6f * 250.0f));
  const D3DXVECTOR2 still = DebugDrawSystem::SpreadLabel(centre, centre);
  EXPECT_EQ(still.x, centre.x);
  EXPECT_EQ(still.y, centre.y);
}

}  // namespace
