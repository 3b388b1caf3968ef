// The camera block of the device layer: projection, view matrix, the
// mouse-driven free camera and world-to-screen projection.

#include <algorithm>
#include <cmath>

#include "frame/FwDX9.h"

namespace {

// The free camera's mouse state is shared by the process: the last mouse
// position, taken from the first call.
struct FreeCameraMouse {
  bool started = false;
  POINT last{0, 0};
};
FreeCameraMouse g_freeCameraMouse;

// 89.9 degrees: the view never turns past straight up or down.
constexpr float kPitchLimit = 1.569051f;

D3DXVECTOR3 DirectionFromAngles(float yaw, float pitch) {
  return D3DXVECTOR3(std::cos(pitch) * std::cos(yaw), std::sin(pitch), std::cos(pitch) * std::sin(yaw));
}

}  // namespace

void FwDX9::SetProjection(float fieldOfView, float nearPlane, float farPlane) {
  camera_.fieldOfView = fieldOfView;
  camera_.nearPlane = nearPlane;
  camera_.farPlane = farPlane;
  UpdateProjection();
  camera_.moveSpeed = farPlane * 0.00025f;
  camera_.rotateSpeed = fieldOfView * 0.005f;
  camera_.pivotDistance = farPlane * 0.1f;
  camera_.eye = D3DXVECTOR3(0.0f, 0.0f, -camera_.pivotDistance);
  camera_.viewDirection = D3DXVECTOR3(0.0f, 0.0f, 1.0f);
  camera_.up = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
}

void FwDX9::UpdateProjection() {
  // Left-handed perspective from the horizontal field of view: the vertical
  // scale is the horizontal one times the aspect.
  const float n = camera_.nearPlane;
  const float z = camera_.farPlane;
  const float s = 1.0f / std::tan(camera_.fieldOfView * 0.5f);
  D3DXMATRIX& p = camera_.projection;
  p = D3DXMATRIX();
  p._11 = s;
  p._22 = s * GetAspect();
  p._33 = z / (z - n);
  p._34 = 1.0f;
  p._43 = -n * z / (z - n);
  if (device_ != nullptr) device_->SetTransform(D3DTS_PROJECTION, &p);
}

void FwDX9::UpdateView() {
  const D3DXVECTOR3 at = camera_.eye + camera_.viewDirection;
  D3DXMatrixLookAtLH(&camera_.view, &camera_.eye, &at, &camera_.up);
  if (device_ != nullptr) device_->SetTransform(D3DTS_VIEW, &camera_.view);
}

void FwDX9::FreeCamera() {
  FreeCameraMouse& mouse = g_freeCameraMouse;
  const POINT position = GetMousePosition();
  if (!mouse.started) {
    mouse.started = true;
    mouse.last = position;
  }
  const float dx = static_cast<float>(position.x - mouse.last.x);
  const float dy = static_cast<float>(position.y - mouse.last.y);

  CameraView& c = camera_;
  D3DXVECTOR3& direction = c.viewDirection;
  float yaw = (direction.x == 0.0f && direction.z == 0.0f) ? 0.0f : std::atan2(direction.z, direction.x);
  float pitch = std::asin(std::clamp(direction.y, -1.0f, 1.0f));
  auto turn = [&]() {
    yaw -= c.rotateSpeed * dx;
    pitch = std::clamp(pitch - c.rotateSpeed * dy, -kPitchLimit, kPitchLimit);
    direction = DirectionFromAngles(yaw, pitch);
  };
  // Dragging keeps the cursor where it was, so the drag never runs out of
  // screen.
  auto holdCursor = [&]() { SetMousePosition(mouse.last.x, mouse.last.y); };

  const bool left = IsKeyDown(VK_LBUTTON);
  if (IsKeyDown(VK_RBUTTON)) {
    c.eye.x += std::sin(yaw) * c.moveSpeed * dx;
    c.eye.z -= std::cos(yaw) * c.moveSpeed * dx;
    if (left) {
      // Along the camera's own up axis.
      c.eye.x += std::cos(yaw) * std::sin(pitch) * c.moveSpeed * dy;
      c.eye.z += std::sin(yaw) * std::sin(pitch) * c.moveSpeed * dy;
      c.eye.y -= std::cos(pitch) * c.moveSpeed * dy;
    } else {
      c.eye -= direction * (c.moveSpeed * dy);
    }
    holdCursor();
  } else if (left) {
    turn();
    holdCursor();
  }

  if (IsKeyDown(VK_MBUTTON)) {
    const D3DXVECTOR3 pivot = c.eye + direction * c.pivotDistance;
    turn();
    c.eye = pivot - direction * c.pivotDistance;
    holdCursor();
  }

  // The wheel moves the eye towards the pivot, which stays where it is.
  const int notches = GetWheelNotches();
  if (notches != 0) {
    const float delta = static_cast<float>(notches) * 0.1f * c.pivotDistance;
    c.pivotDistance -= delta;
    c.eye += direction * delta;
  }

  UpdateView();
  mouse.last = GetMousePosition();
}

bool FwDX9::WorldToScreen(D3DXVECTOR3* point) const {
  return ProjectToScreen(camera_, static_cast<float>(GetWidth()), static_cast<float>(GetHeight()), point);
}

bool FwDX9::WorldToScreenClipped(D3DXVECTOR3* point) const {
  D3DXVECTOR3 viewPoint;
  D3DXVec3TransformCoord(&viewPoint, point, &camera_.view);
  if (viewPoint.z <= 0.0f) return false;
  D3DXVECTOR3 projected;
  D3DXVec3TransformCoord(&projected, &viewPoint, &camera_.projection);
  point->x = (projected.x + 1.0f) * 0.5f * static_cast<float>(GetWidth());
  point->y = (projected.y - 1.0f) * -0.5f * static_cast<float>(GetHeight());
  point->z = projected.z;
  return true;
}
