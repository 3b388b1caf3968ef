#include "platform/d3dx9/MathExpect.h"

TEST(D3dxVector, DefaultConstructionZeroesAndFloatArrayViewsMatchMembers) {
  EXPECT_EQ(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3());
  EXPECT_EQ(D3DXVECTOR4(0, 0, 0, 0), D3DXVECTOR4());

  const float values[] = {1, 2, 3};
  D3DXVECTOR3 v(values);
  float* raw = v;
  raw[2] = 7;
  EXPECT_EQ(D3DXVECTOR3(1, 2, 7), v);
  EXPECT_EQ(D3DXVECTOR3(3, 5, 9), 2.0f * v + D3DXVECTOR3(1, 1, -5));
}

TEST(D3dxVector, NormalizeGivesUnitLengthAndLeavesZeroAtZero) {
  D3DXVECTOR3 v(3, 0, -4);
  ExpectVec3Near(D3DXVECTOR3(0.6f, 0, -0.8f), *D3DXVec3Normalize(&v, &v));

  const D3DXVECTOR3 zero;
  D3DXVECTOR3 out(9, 9, 9);
  EXPECT_EQ(zero, *D3DXVec3Normalize(&out, &zero));

  const D3DXVECTOR2 zero2;
  D3DXVECTOR2 out2(9, 9);
  EXPECT_EQ(zero2, *D3DXVec2Normalize(&out2, &zero2));
}

TEST(D3dxVector, CrossOfAxesAndGeneralVectorsMayAliasInput) {
  D3DXVECTOR3 a(1, 0, 0);
  const D3DXVECTOR3 b(0, 1, 0);
  ExpectVec3Near(D3DXVECTOR3(0, 0, 1), *D3DXVec3Cross(&a, &a, &b));

  const D3DXVECTOR3 p(1, 2, 3), q(4, 5, 6);
  D3DXVECTOR3 out;
  ExpectVec3Near(D3DXVECTOR3(-3, 6, -3), *D3DXVec3Cross(&out, &p, &q));
}

TEST(D3dxVector, TransformsTreatPointsAndDirectionsDifferently) {
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, 10, 20, 30);
  m._11 = 2;  // scale x as well
  const D3DXVECTOR3 v(1, 1, 1);

  D3DXVECTOR3 normal;
  ExpectVec3Near(D3DXVECTOR3(2, 1, 1), *D3DXVec3TransformNormal(&normal, &v, &m));
  ExpectVec3Near(D3DXVECTOR3(12, 21, 31), TransformPoint(v, m));

  D3DXVECTOR4 point4;
  D3DXVec3Transform(&point4, &v, &m);
  EXPECT_EQ(D3DXVECTOR4(12, 21, 31, 1), point4);
  const D3DXVECTOR4 direction(1, 1, 1, 0);
  EXPECT_EQ(D3DXVECTOR4(2, 1, 1, 0), *D3DXVec4Transform(&point4, &direction, &m));
}

TEST(D3dxVector, TransformCoordDividesByWUnlessZero) {
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  m._34 = 1;  // w = z + 1
  ExpectVec3Near(D3DXVECTOR3(1, 2, 0.75f), TransformPoint(D3DXVECTOR3(4, 8, 3), m));

  m._44 = 0;  // w = z
  ExpectVec3Near(D3DXVECTOR3(3, 6, 0), TransformPoint(D3DXVECTOR3(3, 6, 0), m));
}
