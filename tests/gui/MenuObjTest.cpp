// The widgets' click rule and the sliding menu, driven by mouse states.

#include <gtest/gtest.h>

#include <cmath>

#include "frame/FwDX9.h"
#include "gui/MenuObj.h"

namespace {

// Drawing without a window or device: widgets lay out, nothing reaches GL.
class NoDeviceFrame : public FwDX9 {
 public:
  bool Init() override { return true; }
  void Exit() override {}
  void Frame() override {}
};

GuiMouse Mouse(float x, float y, bool down, bool wentDown) {
  GuiMouse mouse;
  mouse.x = x;
  mouse.y = y;
  mouse.leftDown = down;
  mouse.leftWentDown = wentDown;
  return mouse;
}

TEST(ButtonObjTest, AClickIsAPressAndAReleaseBothInside) {
  ButtonObj button;
  button.SetRect(D3DXVECTOR2(10, 10), D3DXVECTOR2(100, 20));
  auto frame = [&button](const GuiMouse& mouse) {
    button.HitTest(mouse);
    return button.TakeClick(mouse);
  };
  // Pressed inside, moved out while held, released back inside: no click.
  EXPECT_FALSE(frame(Mouse(50, 20, true, true)));
  EXPECT_FALSE(frame(Mouse(200, 20, true, false)));
  EXPECT_FALSE(button.pressed);
  EXPECT_FALSE(frame(Mouse(50, 20, false, false)));
  // Pressed outside, released inside: no click.
  EXPECT_FALSE(frame(Mouse(200, 20, true, true)));
  EXPECT_FALSE(frame(Mouse(50, 20, true, false)));
  EXPECT_FALSE(frame(Mouse(50, 20, false, false)));

  // A held press stays pressed, drawn 2 pixels right and down and brighter,
  // until the release inside clicks.
  NoDeviceFrame device;
  EXPECT_EQ(button.GetDrawColour(), 0xFF8C8C8Cu);  // hovered: x1.1, alpha x1.5
  EXPECT_FALSE(frame(Mouse(50, 20, true, true)));
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(frame(Mouse(50, 20, true, false)));
    ASSERT_TRUE(button.pressed);
    button.Draw(device);
    EXPECT_EQ(button.caption.position.x, 12.0f);
    EXPECT_EQ(button.caption.position.y, 12.0f);
    EXPECT_EQ(button.GetDrawColour(), 0xFFB3B3B3u);  // x1.4, alpha clamped
  }
  EXPECT_TRUE(frame(Mouse(50, 20, false, false)));
  EXPECT_FALSE(button.pressed);
  button.Draw(device);
  EXPECT_EQ(button.caption.position.x, 10.0f);
}

class MenuObjTest : public ::testing::Test {
 protected:
  // 800 x 600 with the 14-pixel font: items 24 high, 30 apart.
  void SetUp() override { menu.Build(590.0f, 0.2f, 10.0f, 14, 600); }

  // A press in one frame and the release in the next, at the centre of a
  // widget (taken when the press starts).
  void Click(FwGuiBase& widget) {
    const D3DXVECTOR2 at = *widget.GetPosition() + *widget.GetSize() * 0.5f;
    menu.Update(Mouse(at.x, at.y, true, true));
    menu.Update(Mouse(at.x, at.y, false, false));
  }
  float PlateY() { return menu.GetPosition()->y; }

  MenuObj menu;
};

TEST_F(MenuObjTest, BuildLaysItOutClosedWithTheItemsBelowTheBottomEdge) {
  EXPECT_FALSE(menu.IsOpen());
  EXPECT_EQ(menu.GetClosedY(), 564.0f);
  EXPECT_EQ(menu.GetOpenY(), 432.0f);
  EXPECT_EQ(menu.GetToggle().position, D3DXVECTOR2(596.0f, 570.0f));
  EXPECT_EQ(*menu.GetSize(), D3DXVECTOR2(200.0f, 162.0f));
  ASSERT_EQ(menu.GetItemCount(), 4);
  ASSERT_EQ(menu.GetPlate().children.size(), 5u);
  EXPECT_GT(menu.GetItem(0)->position.y, 600.0f);
  // Open, the last item sits where the closed plate's top edge was.
  EXPECT_EQ(menu.GetItem(3)->position.y - (menu.GetClosedY() - menu.GetOpenY()), menu.GetClosedY());

  // A rebuild replaces the items, on the plate too.
  menu.Build(590.0f, 0.2f, 10.0f, 14, 600);
  EXPECT_EQ(menu.GetPlate().children.size(), 5u);
  menu.SetItemChecked(7, true);  // no such item: ignored
  EXPECT_FALSE(menu.IsItemChecked(7));
  menu.ClearItems();
  EXPECT_EQ(menu.GetPlate().children.size(), 1u);
  EXPECT_FALSE(menu.IsItemChecked(0));
}

TEST_F(MenuObjTest, TheToggleSlidesThePlateAConstantFractionPerFrameAndRetargetsAtOnce) {
  const float closed = menu.GetClosedY();
  const float travel = closed - menu.GetOpenY();
  const float itemOffset = menu.GetItem(2)->position.y - closed;
  Click(menu.GetToggle());
  EXPECT_TRUE(menu.IsOpen());
  for (int n = 1; n <= 10; ++n) {
    EXPECT_NEAR(closed - PlateY(), travel * (1.0f - std::pow(0.8f, static_cast<float>(n))), 1e-3f);
    EXPECT_NEAR(menu.GetItem(2)->position.y - PlateY(), itemOffset, 1e-3f);  // carried along
    menu.Update(Mouse(0, 0, false, false));
  }
  // Closing half way: the plate turns back from where it is.
  const float turnedAt = PlateY();
  menu.Update(Mouse(menu.GetToggle().position.x + 1, menu.GetToggle().position.y + 1, true, true));
  menu.Update(Mouse(menu.GetToggle().position.x + 1, menu.GetToggle().position.y + 1, false, false));
  EXPECT_FALSE(menu.IsOpen());
  const float afterPress = turnedAt - 0.2f * (turnedAt - menu.GetOpenY());  // still opening in the press frame
  EXPECT_NEAR(PlateY(), afterPress + 0.2f * (closed - afterPress), 1e-3f);
}

}  // namespace
