#include "effects/ViewSides.h"

#include <cmath>

namespace effects {

ViewSides::ViewSides(const CameraView& camera) {
  D3DXMATRIX m;
  D3DXMatrixMultiply(&m, &camera.view, &camera.projection);
  // With row vectors clip = p M, so -w <= x <= w and -w <= y <= w read off
  // the columns of M.
  for (int i = 0; i < 4; ++i) {
    const int column = i < 2 ? 0 : 1;
    const float sign = (i % 2 == 0) ? 1.0f : -1.0f;
    float* plane = planes_[i];
    for (int row = 0; row < 4; ++row) plane[row] = m.m[row][3] + sign * m.m[row][column];
    const float length = std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]);
    if (length > 0.0f) {
      for (int k = 0; k < 4; ++k) plane[k] /= length;
    }
  }
}

bool ViewSides::Outside(const D3DXVECTOR3& centre, float radius) const {
  for (const float* plane : planes_) {
    if (plane[0] * centre.x + plane[1] * centre.y + plane[2] * centre.z + plane[3] < -radius) return true;
  }
  return false;
}

}  // namespace effects
