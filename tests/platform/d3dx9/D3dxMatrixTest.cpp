#include "platform/d3dx9/MathExpect.h"

namespace {

const float kQuarterTurn = D3DX_PI / 2;

D3DXMATRIX Translation(float x, float y, float z) {
  D3DXMATRIX m;
  return *D3DXMatrixTranslation(&m, x, y, z);
}

D3DXMATRIX Identity() {
  D3DXMATRIX m;
  return *D3DXMatrixIdentity(&m);
}

}  // namespace

TEST(D3dxMatrix, ConstructorsAndAccessorsShareRowMajorLayout) {
  const D3DXMATRIX m(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
  EXPECT_EQ(14, m(3, 1));
  EXPECT_EQ(14, m._42);
  EXPECT_EQ(7, static_cast<const float*>(m)[6]);
  EXPECT_EQ(m, D3DXMATRIX(static_cast<const float*>(m)));
  EXPECT_FALSE(D3DXMatrixIsIdentity(&m));
  const D3DXMATRIX identity = Identity();
  EXPECT_TRUE(D3DXMatrixIsIdentity(&identity));
}

TEST(D3dxMatrix, AxisRotationsTurnPositiveAnglesClockwiseSeenFromTheAxis) {
  D3DXMATRIX m;
  ExpectVec3Near(D3DXVECTOR3(1, 0, 0), TransformPoint(D3DXVECTOR3(0, 0, 1), *D3DXMatrixRotationY(&m, kQuarterTurn)));
  ExpectVec3Near(D3DXVECTOR3(0, 0, 1), TransformPoint(D3DXVECTOR3(0, 1, 0), *D3DXMatrixRotationX(&m, kQuarterTurn)));
  ExpectVec3Near(D3DXVECTOR3(0, 1, 0), TransformPoint(D3DXVECTOR3(1, 0, 0), *D3DXMatrixRotationZ(&m, kQuarterTurn)));

  // An arbitrary axis agrees with the named axes (and is normalised first).
  const D3DXVECTOR3 yAxis(0, 5, 0);
  D3DXMATRIX expected;
  ExpectMatrixNear(*D3DXMatrixRotationY(&expected, 0.8f), *D3DXMatrixRotationAxis(&m, &yAxis, 0.8f));
  // A turn about the diagonal cycles the axes: x -> y -> z.
  const D3DXVECTOR3 diagonal(1, 1, 1);
  D3DXMatrixRotationAxis(&m, &diagonal, 2 * D3DX_PI / 3);
  ExpectVec3Near(D3DXVECTOR3(0, 1, 0), TransformPoint(D3DXVECTOR3(1, 0, 0), m));
}

TEST(D3dxMatrix, YawPitchRollAppliesRollThenPitchThenYaw) {
  D3DXMATRIX m, roll, pitch, yaw;
  D3DXMatrixRotationYawPitchRoll(&m, 0.3f, -0.7f, 1.1f);
  ExpectMatrixNear(*D3DXMatrixRotationZ(&roll, 1.1f) * *D3DXMatrixRotationX(&pitch, -0.7f) *
                       *D3DXMatrixRotationY(&yaw, 0.3f),
                   m);

  // By hand: roll takes +Y to -X, pitch leaves -X, yaw takes -X to +Z.
  D3DXMatrixRotationYawPitchRoll(&m, kQuarterTurn, kQuarterTurn, kQuarterTurn);
  ExpectVec3Near(D3DXVECTOR3(0, 0, 1), TransformPoint(D3DXVECTOR3(0, 1, 0), m));
}

TEST(D3dxMatrix, MultiplyAndTransposeAllowAliasing) {
  const D3DXMATRIX quarterTurnZ(0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
  const D3DXMATRIX translation = Translation(1, 2, 3);
  // Translate then turn: the offset turns too. Turn then translate: it does not.
  const D3DXMATRIX translateThenTurn(0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, -2, 1, 3, 1);
  const D3DXMATRIX turnThenTranslate(0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1);

  D3DXMATRIX out = translation;
  EXPECT_EQ(translateThenTurn, *D3DXMatrixMultiply(&out, &out, &quarterTurnZ));
  out = translation;
  EXPECT_EQ(turnThenTranslate, *D3DXMatrixMultiply(&out, &quarterTurnZ, &out));
  out = translation;
  EXPECT_EQ(translateThenTurn, out *= quarterTurnZ);

  out = translateThenTurn;
  EXPECT_EQ(D3DXMATRIX(0, -1, 0, -2, 1, 0, 0, 1, 0, 0, 1, 3, 0, 0, 0, 1), *D3DXMatrixTranspose(&out, &out));
}

TEST(D3dxMatrix, InverseUndoesAffineAndProjectiveTransforms) {
  const D3DXVECTOR3 axis(1, 2, 3);
  D3DXMATRIX rotation, scale, projection, inverse;
  D3DXMatrixRotationAxis(&rotation, &axis, 0.7f);
  D3DXMatrixScaling(&scale, 2, 3, 4);
  const D3DXMATRIX affine = scale * rotation * Translation(4, -5, 6);

  float determinant = 0;
  ASSERT_NE(nullptr, D3DXMatrixInverse(&inverse, &determinant, &affine));
  EXPECT_NEAR(24, determinant, 1e-4f);  // a rotation and translation keep the scale's volume
  ExpectMatrixNear(Identity(), inverse * affine);
  ExpectMatrixNear(Identity(), affine * inverse);

  D3DXMatrixPerspectiveFovLH(&projection, 1.0f, 1.5f, 0.5f, 100.0f);
  ASSERT_NE(nullptr, D3DXMatrixInverse(&inverse, nullptr, &projection));
  ExpectMatrixNear(Identity(), projection * inverse);
}

TEST(D3dxMatrix, InverseOfSingularMatrixFailsAndLeavesOutputAlone) {
  const D3DXMATRIX singular(1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4, 9, 1, 2, 3);  // rows 1 and 3 equal
  EXPECT_EQ(0, D3DXMatrixDeterminant(&singular));
  D3DXMATRIX out = Translation(7, 7, 7);
  float determinant = 1;
  EXPECT_EQ(nullptr, D3DXMatrixInverse(&out, &determinant, &singular));
  EXPECT_EQ(0, determinant);
  EXPECT_EQ(Translation(7, 7, 7), out);
}

TEST(D3dxMatrix, LookAtFromBehindTheOriginIsATranslation) {
  const D3DXVECTOR3 eye(0, 0, -10), at(0, 0, 0), up(0, 1, 0);
  D3DXMATRIX view;
  ExpectMatrixNear(Translation(0, 0, 10), *D3DXMatrixLookAtLH(&view, &eye, &at, &up));
}

TEST(D3dxMatrix, LookAtFromTheSideTurnsTheWorld) {
  const D3DXVECTOR3 eye(10, 0, 0), at(0, 0, 0), up(0, 1, 0);
  D3DXMATRIX view;
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  ExpectVec3Near(D3DXVECTOR3(0, 0, 10), TransformPoint(D3DXVECTOR3(0, 0, 0), view));
  ExpectVec3Near(D3DXVECTOR3(0, 1, 10), TransformPoint(D3DXVECTOR3(0, 1, 0), view));
  // Looking down -X with +Y up, +Z is on the camera's right.
  ExpectVec3Near(D3DXVECTOR3(1, 0, 10), TransformPoint(D3DXVECTOR3(0, 0, 1), view));
}

TEST(D3dxMatrix, PerspectiveMapsTheFrustumToClipSpace) {
  D3DXMATRIX m;
  D3DXMatrixPerspectiveFovLH(&m, kQuarterTurn, 2.0f, 1.0f, 11.0f);
  ExpectMatrixNear(D3DXMATRIX(0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1.1f, 1, 0, 0, -1.1f, 0), m);
  ExpectVec3Near(D3DXVECTOR3(0, 0, 0), TransformPoint(D3DXVECTOR3(0, 0, 1), m));
  ExpectVec3Near(D3DXVECTOR3(1, 1, 1), TransformPoint(D3DXVECTOR3(22, 11, 11), m));  // far top-right corner
}

TEST(D3dxMatrix, OrthographicMapsTheBoxToClipSpace) {
  D3DXMATRIX m;
  D3DXMatrixOrthoOffCenterLH(&m, 0, 800, 600, 0, 0, 1);  // pixel coordinates, y down
  ExpectVec3Near(D3DXVECTOR3(-1, 1, 0), TransformPoint(D3DXVECTOR3(0, 0, 0), m));
  ExpectVec3Near(D3DXVECTOR3(1, -1, 1), TransformPoint(D3DXVECTOR3(800, 600, 1), m));

  D3DXMatrixOrthoLH(&m, 4, 2, 1, 3);
  ExpectVec3Near(D3DXVECTOR3(1, 1, 1), TransformPoint(D3DXVECTOR3(2, 1, 3), m));
  ExpectVec3Near(D3DXVECTOR3(-1, -1, 0), TransformPoint(D3DXVECTOR3(-2, -1, 1), m));
}
