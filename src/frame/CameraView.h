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
