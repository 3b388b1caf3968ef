#pragma once
// The four side planes of a camera's view: a sphere wholly outside one of
// them cannot reach a pixel, so the effects skip its draw calls.

#include "frame/CameraView.h"

namespace effects {

class ViewSides {
 public:
  explicit ViewSides(const CameraView& camera);
  bool Outside(const D3DXVECTOR3& centre, float radius) const;

 private:
  // a x + b y + c z + d >= 0 inside, (a, b, c) of unit length.
  float planes_[4][4];
};

}  // namespace effects
