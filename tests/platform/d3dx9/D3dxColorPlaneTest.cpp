#include "platform/d3dx9/MathExpect.h"

TEST(D3dColor, PackingHelpersPutAlphaInTheTopByte) {
  static_assert(D3DCOLOR_ARGB(0x12, 0x34, 0x56, 0x78) == 0x12345678u, "ARGB order");
  static_assert(D3DCOLOR_RGBA(0x34, 0x56, 0x78, 0x12) == 0x12345678u, "RGBA takes alpha last");
  static_assert(D3DCOLOR_XRGB(0x34, 0x56, 0x78) == 0xFF345678u, "XRGB is opaque");
  static_assert(D3DCOLOR_ARGB(0x1FF, 0, 0, 0) == 0xFF000000u, "channels are masked to a byte");
  static_assert(D3DCOLOR_COLORVALUE(1.5f, -0.2f, 0.5f, 1.0f) == 0xFFFF0080u, "clamped and rounded");
}

TEST(D3dxColor, ConvertsToPackedArgbWithClamping) {
  EXPECT_EQ(0xFFFF0080u, static_cast<DWORD>(D3DXCOLOR(1.5f, -0.2f, 0.5f, 1.0f)));
  EXPECT_EQ(0x00000000u, static_cast<DWORD>(D3DXCOLOR()));

  const D3DXCOLOR unpacked(0x80FF4000u);
  EXPECT_FLOAT_EQ(1.0f, unpacked.r);
  EXPECT_FLOAT_EQ(64 / 255.0f, unpacked.g);
  EXPECT_FLOAT_EQ(0.0f, unpacked.b);
  EXPECT_FLOAT_EQ(128 / 255.0f, unpacked.a);

  // Every byte value survives a trip through floats.
  for (DWORD byte = 0; byte < 256; ++byte) {
    const DWORD packed = D3DCOLOR_ARGB(byte, 255 - byte, byte, byte / 2);
    EXPECT_EQ(packed, static_cast<DWORD>(D3DXCOLOR(packed)));
  }
}

TEST(D3dxColor, ConvertsToColorValueAndInterpolates) {
  const D3DCOLORVALUE value = D3DXCOLOR(0.1f, 0.2f, 0.3f, 0.4f);
  EXPECT_EQ(D3DXCOLOR(0.1f, 0.2f, 0.3f, 0.4f), D3DXCOLOR(value));

  const D3DXCOLOR black(0, 0, 0, 1), white(1, 1, 1, 0);
  D3DXCOLOR mid;
  D3DXColorLerp(&mid, &black, &white, 0.25f);
  EXPECT_EQ(D3DXCOLOR(0.25f, 0.25f, 0.25f, 0.75f), mid);
}

TEST(D3dxPlane, PointNormalPlaneGivesSignedDistances) {
  const D3DXVECTOR3 point(3, 2, -1), normal(0, 1, 0);
  D3DXPLANE plane;
  D3DXPlaneFromPointNormal(&plane, &point, &normal);
  EXPECT_EQ(D3DXPLANE(0, 1, 0, -2), plane);
  const D3DXVECTOR3 above(5, 5, 5), below(0, -1, 0);
  EXPECT_FLOAT_EQ(3, D3DXPlaneDotCoord(&plane, &above));
  EXPECT_FLOAT_EQ(-3, D3DXPlaneDotCoord(&plane, &below));
}
