// The in-game menu: built at start-up with its four items, clicked with the
// mouse while F3 shows it (the keys 1 to 4 click the items too), and its
// items' states applied every frame.

#include "app/AppMain.h"

namespace {

constexpr const char* kItemCaptions[MenuObj::kBuiltItemCount] = {"Reset", "DebugDraw", "FreeCamera", "NPC Action"};
constexpr float kMenuPadding = 10.0f;

}  // namespace

void AppMain::BuildMenu() {
  // 0.2 of the way per frame at 60 frames per second.
  const float rate = 0.2f * 60.0f / (1000.0f / GetFrameInterval());
  menu_.Build(static_cast<float>(GetWidth() - 210), rate, kMenuPadding, GetFontHeight(), GetHeight());
  for (int i = 0; i < MenuObj::kBuiltItemCount; ++i) menu_.SetItemCaption(i, kItemCaptions[i]);
  menu_.SetItemChecked(kItemNpcAction, true);
}

void AppMain::UpdateMenu() {
  if (menuVisible_) {
    const POINT mouse = GetMousePosition();
    GuiMouse state;
    state.x = static_cast<float>(mouse.x);
    state.y = static_cast<float>(mouse.y);
    state.leftDown = IsKeyDown(VK_LBUTTON);
    state.leftWentDown = IsKeyPressed(VK_LBUTTON);
    menu_.Update(state);
    // The keys 1 to 4 are shortcuts: each acts as a click on its item.
    for (int i = 0; i < MenuObj::kBuiltItemCount; ++i) {
      if (IsKeyPressed('1' + i)) menu_.ClickItem(i);
    }
    pad_.WorkMenu(menu_);
  }

  // "Reset" is a push button: a click checks it, and it is done here.
  if (menu_.IsItemChecked(kItemReset)) {
    menu_.SetItemChecked(kItemReset, false);
    ResetScene();
    CreateSceneObjects();
  }
  const bool debugDrawItem = menu_.IsItemChecked(kItemDebugDraw);
  if (debugDrawItem != debugDrawOn_) SwitchDebugDraw(debugDrawItem);
}
