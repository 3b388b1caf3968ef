// The fixed-function emulation: lighting, blending of world matrices, fog,
// alpha test and blending, culling.

#include <cmath>

#include "DeviceFixture.h"

namespace {

struct LitVertex {
  float x, y, z;
  float nx, ny, nz;
};

struct BlendVertex {
  float x, y, z;
  float weight;
  D3DCOLOR colour;
};

struct ColourVertex {
  float x, y, z;
  D3DCOLOR colour;
};

D3DMATRIX IdentityMatrix() {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

D3DMATRIX Translation(float x, float y, float z) {
  D3DMATRIX m = IdentityMatrix();
  m._41 = x;
  m._42 = y;
  m._43 = z;
  return m;
}

class FixedFunctionTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    // Identity transforms: positions are clip coordinates, depth is z.
    const D3DMATRIX identity = IdentityMatrix();
    device_->SetTransform(D3DTS_WORLD, &identity);
    device_->SetTransform(D3DTS_VIEW, &identity);
    device_->SetTransform(D3DTS_PROJECTION, &identity);
  }

  // A full-screen quad facing the camera (normal -z) at depth z.
  void DrawLitQuad(float z) {
    const LitVertex quad[4] = {{-1, -1, z, 0, 0, -1}, {-1, 1, z, 0, 0, -1}, {1, -1, z, 0, 0, -1}, {1, 1, z, 0, 0, -1}};
    device_->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL);
    ASSERT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(LitVertex)), D3D_OK);
  }

  void DrawColourQuad(float x0, float y0, float x1, float y1, float z, D3DCOLOR colour) {
    const ColourVertex quad[4] = {{x0, y0, z, colour}, {x0, y1, z, colour}, {x1, y0, z, colour}, {x1, y1, z, colour}};
    device_->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    ASSERT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ColourVertex)), D3D_OK);
  }

  void SetWhiteLight(float angleFromView) {
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = D3DCOLORVALUE{1, 1, 1, 1};
    light.Specular = D3DCOLORVALUE{1, 1, 1, 1};
    light.Direction = D3DVECTOR{std::sin(angleFromView), 0.0f, std::cos(angleFromView)};
    device_->SetLight(0, &light);
    device_->LightEnable(0, TRUE);
  }

  void SetMaterial(float diffuse, float ambient, float specular, float power) {
    D3DMATERIAL9 material{};
    material.Diffuse = D3DCOLORVALUE{diffuse, diffuse, diffuse, 1};
    material.Ambient = D3DCOLORVALUE{ambient, ambient, ambient, 1};
    material.Specular = D3DCOLORVALUE{specular, specular, specular, 1};
    material.Power = power;
    device_->SetMaterial(&material);
  }
};

TEST_F(FixedFunctionTest, DiffuseLightFollowsTheAngleAndAmbientAdds) {
  SetMaterial(1.0f, 1.0f, 0.0f, 0.0f);
  SetWhiteLight(0.0f);
  DrawLitQuad(0.5f);
  EXPECT_RGB_NEAR(Pixel(32, 24), 255, 255, 255, 1);

  SetWhiteLight(static_cast<float>(M_PI / 3));  // N.L = 0.5
  DrawLitQuad(0.5f);
  EXPECT_RGB_NEAR(Pixel(32, 24), 128, 128, 128, 2);

  device_->SetRenderState(D3DRS_AMBIENT, 0xFF333333);  // 0.2 of white
  DrawLitQuad(0.5f);
  EXPECT_RGB_NEAR(Pixel(32, 24), 179, 179, 179, 2);

  SetWhiteLight(static_cast<float>(M_PI));  // from behind: ambient only
  DrawLitQuad(0.5f);
  EXPECT_RGB_NEAR(Pixel(32, 24), 51, 51, 51, 2);
}

TEST_F(FixedFunctionTest, SpecularAddsOnlyWhenEnabled) {
  SetMaterial(0.25f, 0.0f, 0.5f, 10.0f);
  SetWhiteLight(0.0f);
  // Lighting is per vertex: with a viewer at infinity the half vector is the
  // same at every corner of the quad.
  device_->SetRenderState(D3DRS_LOCALVIEWER, FALSE);
  DrawLitQuad(0.5f);
  EXPECT_RGB_NEAR(Pixel(32, 24), 64, 64, 64, 2);
  device_->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
  DrawLitQuad(0.5f);
  // Light and eye straight on: N.H = 1 in the middle.
  EXPECT_RGB_NEAR(Pixel(32, 24), 64 + 128, 64 + 128, 64 + 128, 3);
}

TEST_F(FixedFunctionTest, VertexBlendingMixesWorldMatrices) {
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  device_->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_1WEIGHTS);
  const D3DMATRIX left = Translation(-0.5f, 0.0f, 0.0f);
  const D3DMATRIX right = Translation(0.5f, 0.0f, 0.0f);
  device_->SetTransform(D3DTS_WORLDMATRIX(0), &left);
  device_->SetTransform(D3DTS_WORLDMATRIX(1), &right);
  const auto quad = [&](float weight, D3DCOLOR colour) {
    const BlendVertex v[4] = {{-0.2f, -0.2f, 0.5f, weight, colour},
                              {-0.2f, 0.2f, 0.5f, weight, colour},
                              {0.2f, -0.2f, 0.5f, weight, colour},
                              {0.2f, 0.2f, 0.5f, weight, colour}};
    device_->SetFVF(D3DFVF_XYZB1 | D3DFVF_DIFFUSE);
    ASSERT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(BlendVertex)), D3D_OK);
  };
  quad(1.0f, 0xFFFF0000);  // all world matrix 0: left
  quad(0.0f, 0xFF00FF00);  // all world matrix 1: right
  quad(0.5f, 0xFF0000FF);  // half and half: centre
  EXPECT_RGB_NEAR(Pixel(16, 24), 255, 0, 0, 0);
  EXPECT_RGB_NEAR(Pixel(48, 24), 0, 255, 0, 0);
  EXPECT_RGB_NEAR(Pixel(32, 24), 0, 0, 255, 0);
}

TEST_F(FixedFunctionTest, LinearFogRunsFromStartToEnd) {
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  device_->SetRenderState(D3DRS_FOGENABLE, TRUE);
  device_->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
  device_->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_NONE);
  device_->SetRenderState(D3DRS_FOGCOLOR, 0xFFFF0000);
  device_->SetRenderState(D3DRS_FOGSTART, FloatToRenderState(0.2f));
  device_->SetRenderState(D3DRS_FOGEND, FloatToRenderState(0.8f));
  DrawColourQuad(-1, -1, 0, 1, 0.2f, 0xFFFFFFFF);  // at the start: no fog
  EXPECT_RGB_NEAR(Pixel(54, 24), 0, 0, 0, 1);
  DrawColourQuad(0, -1, 1, 1, 0.8f, 0xFFFFFFFF);   // at the end: all fog
  EXPECT_RGB_NEAR(Pixel(10, 24), 255, 255, 255, 1);
  EXPECT_RGB_NEAR(Pixel(54, 24), 255, 0, 0, 1);
  DrawColourQuad(-1, -1, 1, 1, 0.5f, 0xFFFFFFFF);  // half way, in front of the far half
  EXPECT_RGB_NEAR(Pixel(54, 24), 255, 128, 128, 2);
}

TEST_F(FixedFunctionTest, AlphaTestAndBlendingFollowTheirStates) {
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  device_->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  device_->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  device_->SetRenderState(D3DRS_ALPHAREF, 128);
  DrawColourQuad(-1, -1, 0, 1, 0.5f, 0x7FFFFFFF);  // alpha 127: discarded
  DrawColourQuad(0, -1, 1, 1, 0.5f, 0x80FFFFFF);   // alpha 128: kept
  EXPECT_RGB_NEAR(Pixel(10, 24), 0, 0, 0, 0);
  EXPECT_RGB_NEAR(Pixel(54, 24), 255, 255, 255, 0);

  device_->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
  device_->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
  DrawColourQuad(-1, -1, 1, 1, 0.5f, 0xFF0000FF);
  device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  DrawColourQuad(-1, -1, 1, 1, 0.5f, 0x80FF0000);
  EXPECT_RGB_NEAR(Pixel(32, 24), 128, 0, 127, 2);
}

TEST_F(FixedFunctionTest, CounterClockwiseFacesAreCulledByDefault) {
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  const ColourVertex backFacing[3] = {{-1, -1, 0.5f, 0xFFFFFFFF}, {1, -1, 0.5f, 0xFFFFFFFF}, {-1, 1, 0.5f, 0xFFFFFFFF}};
  device_->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
  device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, backFacing, sizeof(ColourVertex));
  EXPECT_RGB_NEAR(Pixel(8, 40), 0, 0, 0, 0);
  device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, backFacing, sizeof(ColourVertex));
  EXPECT_RGB_NEAR(Pixel(8, 40), 255, 255, 255, 0);
}

TEST_F(FixedFunctionTest, DepthBiasPullsCoplanarSurfacesForward) {
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  DrawColourQuad(-1, -1, 1, 1, 0.5f, 0xFF00FF00);
  device_->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
  DrawColourQuad(-1, -1, 1, 1, 0.5f, 0xFFFF0000);  // same depth: fails LESS
  EXPECT_RGB_NEAR(Pixel(32, 24), 0, 255, 0, 0);
  device_->SetRenderState(D3DRS_DEPTHBIAS, FloatToRenderState(-0.0001f));
  DrawColourQuad(-1, -1, 1, 1, 0.5f, 0xFFFF0000);
  EXPECT_RGB_NEAR(Pixel(32, 24), 255, 0, 0, 0);
}

TEST_F(FixedFunctionTest, AStencilSlabPaintsADecalOnlyOnItsSurface) {
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  DrawColourQuad(-1, -1, 0, 1, 0.5f, 0xFF404040);  // the surface: left half only

  // Mark pass: where the decal lies on or in front of the scene... behind it,
  // as seen from the scene: depth test GREATEREQUAL, no colour.
  device_->SetRenderState(D3DRS_STENCILENABLE, TRUE);
  device_->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  device_->SetRenderState(D3DRS_ZFUNC, D3DCMP_GREATEREQUAL);
  device_->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
  device_->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE);
  device_->SetRenderState(D3DRS_STENCILREF, 1);
  device_->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
  DrawColourQuad(-1, -1, 1, 1, 0.5f, 0xFFFF0000);

  // Colour pass: only where the mark is.
  device_->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
  device_->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
  device_->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
  device_->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
  DrawColourQuad(-1, -1, 1, 1, 0.5f, 0xFFFF0000);

  EXPECT_RGB_NEAR(Pixel(16, 24), 255, 0, 0, 0);  // on the surface
  EXPECT_RGB_NEAR(Pixel(48, 24), 0, 0, 0, 0);    // past its edge: nothing
}

}  // namespace
