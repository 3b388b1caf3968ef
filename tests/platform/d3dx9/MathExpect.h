#pragma once
// Tolerant comparisons for the D3DX math tests.

#include <gtest/gtest.h>

#include "platform/d3dx9/D3dxMath.h"

constexpr float kTolerance = 1e-5f;

inline void ExpectVec3Near(const D3DXVECTOR3& expected, const D3DXVECTOR3& actual, float tolerance = kTolerance) {
  EXPECT_NEAR(expected.x, actual.x, tolerance);
  EXPECT_NEAR(expected.y, actual.y, tolerance);
  EXPECT_NEAR(expected.z, actual.z, tolerance);
}

inline void ExpectMatrixNear(const D3DXMATRIX& expected, const D3DXMATRIX& actual, float tolerance = kTolerance) {
  for (UINT r = 0; r < 4; ++r)
    for (UINT c = 0; c < 4; ++c) EXPECT_NEAR(expected(r, c), actual(r, c), tolerance) << "at row " << r << " column " << c;
}

inline D3DXVECTOR3 TransformPoint(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
  D3DXVECTOR3 out;
  return *D3DXVec3TransformCoord(&out, &v, &m);
}
