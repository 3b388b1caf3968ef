#include <cmath>
#include <random>

#include "platform/d3dx9/MathExpect.h"

namespace {

// q and -q are the same rotation.
void ExpectSameRotation(const D3DXQUATERNION& expected, const D3DXQUATERNION& actual, float tolerance = 1e-5f) {
  const float sign = D3DXQuaternionDot(&expected, &actual) < 0 ? -1.0f : 1.0f;
  EXPECT_NEAR(expected.x, sign * actual.x, tolerance);
  EXPECT_NEAR(expected.y, sign * actual.y, tolerance);
  EXPECT_NEAR(expected.z, sign * actual.z, tolerance);
  EXPECT_NEAR(expected.w, sign * actual.w, tolerance);
}

// A yaw by angle written out by hand: (0, sin(angle/2), 0, cos(angle/2)).
D3DXQUATERNION Yaw(float degrees) {
  const float half = D3DXToRadian(degrees) / 2;
  return {0, std::sin(half), 0, std::cos(half)};
}

D3DXMATRIX ToMatrix(const D3DXQUATERNION& q) {
  D3DXMATRIX m;
  return *D3DXMatrixRotationQuaternion(&m, &q);
}

D3DXQUATERNION Slerp(const D3DXQUATERNION& a, const D3DXQUATERNION& b, float t) {
  D3DXQUATERNION out;
  return *D3DXQuaternionSlerp(&out, &a, &b, t);
}

}  // namespace

TEST(D3dxQuaternion, AxisAngleMatchesTheMatrixConvention) {
  const D3DXVECTOR3 yAxis(0, 2, 0);
  D3DXQUATERNION q;
  ExpectSameRotation(Yaw(90), *D3DXQuaternionRotationAxis(&q, &yAxis, D3DX_PI / 2));
  ExpectVec3Near(D3DXVECTOR3(1, 0, 0), TransformPoint(D3DXVECTOR3(0, 0, 1), ToMatrix(q)));
}

TEST(D3dxQuaternion, ProductAppliesLeftOperandFirst) {
  const D3DXVECTOR3 xAxis(1, 0, 0);
  D3DXQUATERNION pitch;
  D3DXQuaternionRotationAxis(&pitch, &xAxis, D3DX_PI / 2);
  // Yaw takes +Z to +X, which pitch leaves alone; pitch first would give -Y.
  ExpectVec3Near(D3DXVECTOR3(1, 0, 0), TransformPoint(D3DXVECTOR3(0, 0, 1), ToMatrix(Yaw(90) * pitch)));
  ExpectMatrixNear(ToMatrix(pitch) * ToMatrix(Yaw(90)), ToMatrix(pitch * Yaw(90)));
}

TEST(D3dxQuaternion, YawPitchRollMatchesTheMatrixVersion) {
  const float angles[][3] = {{0.3f, -0.7f, 1.1f}, {2.5f, 1.2f, -3.0f}, {-1.0f, 0.0f, 0.4f}};
  for (const auto& a : angles) {
    D3DXQUATERNION q;
    D3DXMATRIX expected;
    D3DXQuaternionRotationYawPitchRoll(&q, a[0], a[1], a[2]);
    ExpectMatrixNear(*D3DXMatrixRotationYawPitchRoll(&expected, a[0], a[1], a[2]), ToMatrix(q));
  }
}

TEST(D3dxQuaternion, MatrixConversionsRoundTripInEveryTraceBranch) {
  std::mt19937 random(1234);
  std::uniform_real_distribution<float> unit(-1, 1);
  for (int i = 0; i < 400; ++i) {
    D3DXVECTOR3 axis(unit(random), unit(random), unit(random));
    if (i < 3) axis = D3DXVECTOR3(i == 0, i == 1, i == 2);  // each diagonal term dominating
    // Half the cases sit within a degree of a half turn, where the trace is near -1.
    const bool nearHalfTurn = i < 3 || i % 2;
    const float angle = nearHalfTurn ? D3DX_PI - 0.017f * (unit(random) + 1) / 2 : D3DX_PI * unit(random);
    D3DXQUATERNION q, back;
    D3DXMATRIX fromAxis;
    D3DXQuaternionRotationAxis(&q, &axis, angle);
    ExpectMatrixNear(*D3DXMatrixRotationAxis(&fromAxis, &axis, angle), ToMatrix(q), 1e-5f);
    D3DXQuaternionRotationMatrix(&back, &fromAxis);
    ExpectSameRotation(q, back, 1e-4f);
  }
}

TEST(D3dxQuaternion, InverseAndConjugateUndoTheRotation) {
  D3DXQUATERNION q(1, -2, 3, 4), inverse, identity, unit;
  D3DXQuaternionIdentity(&identity);
  ASSERT_NE(nullptr, D3DXQuaternionInverse(&inverse, &q));
  ExpectSameRotation(identity, q * inverse);
  D3DXQuaternionNormalize(&unit, &q);
  EXPECT_NEAR(1, D3DXQuaternionLength(&unit), kTolerance);
  ExpectSameRotation(identity, unit * *D3DXQuaternionConjugate(&inverse, &unit));

  const D3DXQUATERNION zero;
  EXPECT_EQ(nullptr, D3DXQuaternionInverse(&inverse, &zero));
  EXPECT_EQ(zero, *D3DXQuaternionNormalize(&q, &zero));
}

TEST(D3dxQuaternion, SlerpFollowsAndExtrapolatesTheArc) {
  const D3DXQUATERNION identity = Yaw(0), quarter = Yaw(90);
  ExpectSameRotation(Yaw(0), Slerp(identity, quarter, 0));
  ExpectSameRotation(Yaw(45), Slerp(identity, quarter, 0.5f));
  ExpectSameRotation(Yaw(90), Slerp(identity, quarter, 1));
  ExpectSameRotation(Yaw(135), Slerp(identity, quarter, 1.5f));
  ExpectSameRotation(Yaw(-45), Slerp(identity, quarter, -0.5f));
}

TEST(D3dxQuaternion, SlerpTakesTheShortArcWhenTheTargetIsNegated) {
  const D3DXQUATERNION result = Slerp(Yaw(0), -Yaw(90), 0.5f);
  ExpectSameRotation(Yaw(45), result);
  EXPECT_NEAR(1, D3DXQuaternionLength(&result), kTolerance);
}

TEST(D3dxQuaternion, SlerpOfParallelInputsStaysFinite) {
  for (const float degrees : {0.0f, 30.0f}) {  // the identity's dot with itself is exactly 1
    const D3DXQUATERNION q = Yaw(degrees);
    for (const D3DXQUATERNION& other : {q, -q, Yaw(degrees + 0.0001f)}) {
      for (const float t : {0.0f, 0.3f, 1.0f, 1.5f}) {
        const D3DXQUATERNION result = Slerp(q, other, t);
        ASSERT_TRUE(std::isfinite(result.x) && std::isfinite(result.y) && std::isfinite(result.w));
        ExpectSameRotation(q, result, 1e-4f);
      }
    }
  }
}
