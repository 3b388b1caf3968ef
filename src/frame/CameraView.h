#pragma once
// The camera block: where the camera is, where it looks, its projection, and
// the free camera's speeds. The device layer owns one; the decal, billboard,
// sound and effect code read it, the follow camera writes it.

#include "platform/d3dx9/D3dxMath.h"

struct CameraView {
  D3DXVECTOR3 eye;
  D3DXVECTOR3 viewDirection;  // unit length
  D3DXVECTOR3 up;
  float fieldOfView = 0.0f;  // horizontal, radians
  float nearPlane = 0.0f;
  float farPlane = 0.0f;
  D3DXMATRIX view;
  D3DXMATRIX projection;
  float moveSpeed = 0.0f;      // free-camera translation per mouse pixel
  float rotateSpeed = 0.0f;    // free-camera rotation per mouse pixel, radians
  float pivotDistance = 0.0f;  // from the eye to the free camera's orbit pivot
};

// Projects a world point to pixels of a width x height screen; z becomes the
// view depth over the far plane. The point is always overwritten; true when
// it lies in front of the camera.
inline bool ProjectToScreen(const CameraView& camera, float width, float height, D3DXVECTOR3* point) {
  D3DXVECTOR3 viewPoint;
  D3DXVec3TransformCoord(&viewPoint, point, &camera.view);
  const float depth = viewPoint.z;
  D3DXVECTOR3 projected;
  D3DXVec3TransformCoord(&projected, &viewPoint, &camera.projection);
  point->x = (projected.x + 1.0f) * 0.5f * width;
  point->y = (projected.y - 1.0f) * -0.5f * height;
  point->z = depth / camera.farPlane;
  return depth > 0.0f;
}
