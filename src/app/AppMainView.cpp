// The view of every frame: the follow camera behind the player (or the
// free camera), the shaders' camera position, and the menu (AppMainMenu.cpp).

#include <algorithm>

#include "app/AppMain.h"

namespace {

// The follow camera's state lives for the process, across player changes.
struct FollowCameraState {
  bool started = false;
  POINT lastMouse{0, 0};
  D3DXVECTOR3 smoothedTarget{0.0f, 0.0f, 0.0f};
  float distance = 50.0f;
};
FollowCameraState g_follow;

// The triggers zoom no closer and no farther than this.
constexpr float kPadNearest = 5.0f;
constexpr float kPadFarthest = 400.0f;

// The level's collision group: what the camera may not look through.
constexpr std::uint16_t kLevelMask = 0x100;

}  // namespace

float AppMain::GetFollowDistance() { return g_follow.distance; }

void AppMain::UpdateView() {
  if (IsFreeCamera()) {
    FreeCamera();
  } else if (player_ != nullptr) {
    // The camera aims at the middle of the fighter's capsule, not at its
    // feet: from the feet, the ray that keeps the level out of the view
    // grazes the ground and pulls the camera down into the player.
    const float halfHeight = player_->GetCapsule().GetHeight() * 0.5f;
    FollowCamera(*player_->GetPosition() + D3DXVECTOR3(0.0f, halfHeight, 0.0f));
  }
  if (!renderer_.IsFixedPipeline()) renderer_.SetCameraPosition(GetCamera().eye);
  if (IsKeyPressed(VK_F3)) menuVisible_ = !menuVisible_;
  if (pad_.IsPressed(PadControl::kMenu)) {
    menuVisible_ = !menuVisible_;
    pad_.ShowMenu(menu_, menuVisible_);
  }
  UpdateMenu();
  // Back to front for this frame's camera.
  billboards_.Sort();
}

void AppMain::FollowCamera(const D3DXVECTOR3& target) {
  FollowCameraState& state = g_follow;
  const POINT mouse = GetMousePosition();
  if (!state.started) {
    state.started = true;
    state.lastMouse = mouse;
    state.smoothedTarget = target;
  }
  const float dx = static_cast<float>(mouse.x - state.lastMouse.x);
  const float dy = static_cast<float>(mouse.y - state.lastMouse.y);
  state.smoothedTarget += (target - state.smoothedTarget) * 0.3f;

  CameraView& camera = GetCamera();
  // The pad's right stick turns the view as a drag does.
  const bool dragging = IsKeyDown(VK_LBUTTON);
  const float padX = pad_.GetCameraX();
  const float padY = pad_.GetCameraY();
  if (dragging || padX != 0.0f || padY != 0.0f) {
    const float turnX = (dragging ? dx : 0.0f) + padX;
    const float turnY = (dragging ? dy : 0.0f) + padY;
    D3DXVECTOR3 right;
    D3DXVec3Cross(&right, &camera.viewDirection, &camera.up);
    camera.viewDirection -= right * (turnX * 0.01f);
    camera.viewDirection -= camera.up * (turnY * 0.01f);
    camera.viewDirection.y = std::clamp(camera.viewDirection.y, -0.95f, 0.95f);
    D3DXVec3Normalize(&camera.viewDirection, &camera.viewDirection);
    // The drag turns the view; the cursor stays where it was.
    if (dragging) SetMousePosition(state.lastMouse.x, state.lastMouse.y);
  }
  const int notches = GetWheelNotches();
  if (notches != 0) state.distance *= 1.0f - static_cast<float>(notches) * 0.1f;
  // The triggers zoom smoothly, within a range the wheel alone may leave.
  if (const float zoom = pad_.GetZoom(); zoom != 0.0f) {
    const float zoomed = state.distance * (1.0f - zoom * 0.1f);
    state.distance = std::clamp(zoomed, std::min(state.distance, kPadNearest), std::max(state.distance, kPadFarthest));
  }

  camera.eye = state.smoothedTarget - camera.viewDirection * state.distance;
  // The level never comes between the camera and the player.
  D3DXVECTOR3 hit;
  D3DXVECTOR4 normal;
  if (physics_.RayTestClosest(state.smoothedTarget, camera.eye, &hit, &normal, nullptr, kLevelMask) != nullptr) {
    camera.eye = hit + D3DXVECTOR3(normal.x, normal.y, normal.z) * 0.1f;
  }
  FwDX9::UpdateView();
  state.lastMouse = GetMousePosition();
}
