// Debug drawing: the switch behind the "DebugDraw" item, and the marks of
// sounds (their reach and strength) while it is on.

#include <cstdio>

#include "app/AppMain.h"

namespace {

constexpr D3DCOLOR kMarkColour = 0xFFFFFFFFu;
constexpr int kMarkHoldFrames = 20;
constexpr int kMarkFadeFrames = 20;
// Spheres of a wide reach get finer circles.
constexpr float kFineSphereReach = 40.0f;

}  // namespace

void AppMain::SwitchDebugDraw(bool on) {
  debugDrawOn_ = on;
  if (on) {
    // Shift held while switching on asks for the full view: bounding boxes
    // and constraints besides the wireframe.
    physics_.SetDebugDraw(&debugDraw_, !IsKeyDown(VK_SHIFT));
    characterManager_.debugDraw = &debugDraw_;
  } else {
    physics_.SetDebugDraw(nullptr, true);
    characterManager_.debugDraw = nullptr;
  }
}

void AppMain::AddDebugMark(const D3DXVECTOR3& position, float maxDistance, float value) {
  if (!debugDrawOn_) return;
  debugDraw_.AddSphere(position, maxDistance * 0.5f, maxDistance < kFineSphereReach ? 8 : 16, kMarkColour,
                       kMarkHoldFrames, kMarkFadeFrames);
  AddDebugValue(position, value, kMarkColour, kMarkHoldFrames, kMarkFadeFrames);
}

void AppMain::AddDebugValue(const D3DXVECTOR3& position, float value, D3DCOLOR colour, int holdFrames,
                            int fadeFrames) {
  if (!debugDrawOn_) return;
  char text[32];
  std::snprintf(text, sizeof(text), "%.1f", value);
  debugDraw_.AddText(text, position, colour, holdFrames, fadeFrames);
}
