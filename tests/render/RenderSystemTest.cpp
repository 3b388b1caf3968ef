// The renderer's modes and state setting, with the real effects.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "frame/DisplayConfiguration.h"
#include "render/RendererFixture.h"

namespace {

// A renderer initialised in one of the three modes on the fixture's device.
class RenderModeTest : public DeviceTest {
 protected:
  void TearDown() override {
    renderer_.Uninit();
    GetDisplayConfiguration() = saved_;
    DeviceTest::TearDown();
  }

  bool Start(bool shaders, bool best) {
    GetDisplayConfiguration().useShaders = shaders;
    GetDisplayConfiguration().highQuality = best;
    return renderer_.Init(!shaders, &parameters_, device_, static_cast<int>(kWidth), static_cast<int>(kHeight),
                          &messages_);
  }

  std::vector<float> Value(const char* name, int count) {
    std::vector<float> values(static_cast<std::size_t>(count), -1.0f);
    ID3DXEffect* effect = renderer_.GetMaterialEffect();
    effect->GetValue(effect->GetParameterByName(nullptr, name), values.data(), static_cast<UINT>(count * 4));
    return values;
  }
  void Poison(const char* name, int count) {
    std::vector<float> values(static_cast<std::size_t>(count), 123.0f);
    ID3DXEffect* effect = renderer_.GetMaterialEffect();
    effect->SetValue(effect->GetParameterByName(nullptr, name), values.data(), static_cast<UINT>(count * 4));
  }

  DisplayConfiguration saved_ = GetDisplayConfiguration();
  RenderSystem renderer_;
  MessageLog messages_;
};

TEST_F(RenderModeTest, EachModeCreatesWhatItNeeds) {
  ASSERT_TRUE(Start(true, false)) << (messages_.lines.empty() ? "" : messages_.lines[0]);
  EXPECT_NE(renderer_.GetMaterialEffect(), nullptr);
  EXPECT_EQ(renderer_.GetScreenEffect(), nullptr);
  EXPECT_FALSE(renderer_.UsesAmbient2());
  // The standard effect has no lower-hemisphere ambient at all.
  EXPECT_EQ(renderer_.GetMaterialEffect()->GetParameterByName(nullptr, "g_LightAmbient2"), nullptr);
  for (int row = 0; row < kMaterialTypeCount; ++row) EXPECT_NE(renderer_.GetTechnique(row), nullptr) << row;
  renderer_.Uninit();

  ASSERT_TRUE(Start(true, true));
  EXPECT_NE(renderer_.GetScreenEffect(), nullptr);
  EXPECT_TRUE(renderer_.UsesAmbient2());
  EXPECT_TRUE(renderer_.UsesBloom());
  renderer_.Uninit();

  ASSERT_TRUE(Start(false, true));  // the fixed pipeline ignores the quality flag
  EXPECT_EQ(renderer_.GetMaterialEffect(), nullptr);
  EXPECT_FALSE(renderer_.UsesScreenEffects());
  EXPECT_TRUE(messages_.lines.empty());
}

TEST_F(RenderModeTest, ASecondApplyOfTheSameMaterialSetsNothingUntilTheAmbientChanges) {
  ASSERT_TRUE(Start(true, false));
  MaterialData* material = renderer_.GetDefaultMaterial();
  renderer_.ApplyMaterial(nullptr);  // null stands for the default material
  EXPECT_EQ(renderer_.GetCurrentMaterial(), material);
  Poison("g_LightAmbient", 4);
  renderer_.ApplyMaterial(material);
  EXPECT_EQ(Value("g_LightAmbient", 4)[0], 123.0f);

  renderer_.SetAmbient(D3DXCOLOR(0.4f, 0.4f, 0.4f, 1.0f), D3DXCOLOR(0.2f, 0.2f, 0.2f, 1.0f));
  renderer_.ApplyMaterial(material);
  // Standard quality: the mean of both ambients times the rate 0.7.
  EXPECT_NEAR(Value("g_LightAmbient", 4)[0], 0.3f * 0.7f, 1e-6f);
  // Rim: the mean ambient plus half its grey level.
  EXPECT_NEAR(Value("g_LightRim", 3)[0], 0.3f + 0.15f, 1e-6f);
}

TEST_F(RenderModeTest, OnlyTypesWithTheShaderScalarSetIt) {
  ASSERT_TRUE(Start(true, false));
  MaterialData charMid;
  charMid.type = FindMaterialType("CharMid");
  charMid.gpv = 0.25f;
  MaterialData charFull = charMid;
  charFull.type = FindMaterialType("CharFull");
  charFull.gpv = 0.75f;

  Poison("g_GPV", 1);
  renderer_.ApplyMaterial(&charFull);
  EXPECT_EQ(Value("g_GPV", 1)[0], 123.0f);
  renderer_.ApplyMaterial(&charMid);
  EXPECT_EQ(Value("g_GPV", 1)[0], 0.25f);
}

TEST_F(RenderModeTest, LightsAreReversedAndNormalised) {
  ASSERT_TRUE(Start(true, false));
  renderer_.SetDirectionalLight(0, D3DXVECTOR3(0.0f, -1.0f, 0.0f), D3DXCOLOR(1.0f, 0.5f, 0.25f, 1.0f));
  renderer_.SetDirectionalLight(1, D3DXVECTOR3(3.0f, 0.0f, 4.0f), D3DXCOLOR(0.5f, 0.5f, 0.5f, 1.0f));
  const std::vector<float> first = Value("g_LightDirR[0]", 3);
  EXPECT_NEAR(first[1], 1.0f, 1e-6f);
  const std::vector<float> second = Value("g_LightDirR[1]", 3);
  EXPECT_NEAR(second[0], -0.6f, 1e-6f);
  EXPECT_NEAR(second[2], -0.8f, 1e-6f);
  EXPECT_NEAR(Value("g_LightColor[0]", 4)[1], 0.5f, 1e-6f);
}

TEST_F(RenderModeTest, ProcessorLightingMatchesBothQualities) {
  const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
  const D3DXCOLOR diffuse(1.0f, 0.5f, 0.5f, 0.25f);
  for (bool best : {false, true}) {
    ASSERT_TRUE(Start(true, best));
    renderer_.SetAmbient(D3DXCOLOR(0.4f, 0.4f, 0.4f, 1.0f), D3DXCOLOR(0.2f, 0.2f, 0.2f, 1.0f));
    renderer_.SetDirectionalLight(0, D3DXVECTOR3(0.0f, -1.0f, 0.0f), D3DXCOLOR(1.0f, 1.0f, 1.0f, 1.0f));
    renderer_.SetDirectionalLight(1, D3DXVECTOR3(0.0f, 1.0f, 0.0f), D3DXCOLOR(1.0f, 1.0f, 1.0f, 1.0f));  // from below
    D3DXCOLOR lit;
    renderer_.ComputeLighting(&lit, up, diffuse, 0.5f);
    // Best quality: the upper ambient in full for a normal straight up; the
    // rate is not used. Standard: the mean ambient 0.3 times the rate.
    const float ambient = best ? 0.4f : 0.15f;
    EXPECT_NEAR(lit.r, ambient + 1.0f, 1e-6f) << best;
    EXPECT_NEAR(lit.g, ambient + 0.5f, 1e-6f) << best;
    EXPECT_EQ(lit.a, 0.25f);
    renderer_.Uninit();
  }
}

TEST_F(RenderModeTest, DepthCullingTestsOnlyTheNearAndFarPlanes) {
  ASSERT_TRUE(Start(false, false));
  CameraView view;
  D3DXMatrixIdentity(&view.view);
  view.nearPlane = 0.1f;
  view.farPlane = 1000.0f;
  renderer_.SetView(&view);
  EXPECT_FALSE(renderer_.IsOutsideDepthRange(D3DXVECTOR3(5000.0f, 0.0f, 500.0f), 1.0f));  // far to the side
  EXPECT_FALSE(renderer_.IsOutsideDepthRange(D3DXVECTOR3(0.0f, 0.0f, 1005.0f), 10.0f));
  EXPECT_TRUE(renderer_.IsOutsideDepthRange(D3DXVECTOR3(0.0f, 0.0f, 1011.0f), 10.0f));
  EXPECT_TRUE(renderer_.IsOutsideDepthRange(D3DXVECTOR3(0.0f, 0.0f, -10.0f), 5.0f));
  EXPECT_FALSE(renderer_.IsOutsideDepthRange(D3DXVECTOR3(0.0f, 0.0f, -4.0f), 5.0f));
}

TEST_F(RenderModeTest, TheFixedPipelineSwitchesLightingByMaterial) {
  ASSERT_TRUE(Start(false, false));
  MaterialData plain;
  plain.type = FindMaterialType("Plain");
  renderer_.ApplyMaterial(&plain);
  DWORD lighting = TRUE;
  device_->GetRenderState(D3DRS_LIGHTING, &lighting);
  EXPECT_EQ(lighting, static_cast<DWORD>(FALSE));
  MaterialData map;
  map.type = FindMaterialType("MapSimple");
  renderer_.ApplyMaterial(&map);
  device_->GetRenderState(D3DRS_LIGHTING, &lighting);
  EXPECT_EQ(lighting, static_cast<DWORD>(TRUE));
  DWORD stage1 = 0;
  device_->GetTextureStageState(1, D3DTSS_COLOROP, &stage1);
  EXPECT_EQ(stage1, static_cast<DWORD>(D3DTOP_MODULATE2X));  // the light map

  renderer_.BeginPlainDraw(D3DXCOLOR(1.0f, 0.5f, 0.25f, 0.5f), nullptr);
  BOOL enabled = TRUE;
  device_->GetLightEnable(0, &enabled);
  EXPECT_FALSE(enabled);
  D3DMATERIAL9 material{};
  device_->GetMaterial(&material);
  EXPECT_EQ(material.Emissive.g, 0.5f);
  EXPECT_EQ(material.Diffuse.a, 0.5f);
}

// The best-quality targets of a 1024x768 screen.
class RenderTargetTest : public RenderModeTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(headless_.Create(1024, 768));
    device_ = headless_.Device();
    parameters_ = headless_.Parameters();
    GetDisplayConfiguration().useShaders = true;
    GetDisplayConfiguration().highQuality = true;
    ASSERT_TRUE(renderer_.Init(false, &parameters_, device_, 1024, 768, &messages_));
  }
};

TEST_F(RenderTargetTest, HalfTargetsAndBlurOffsetsFollowTheScreenSize) {
  D3DSURFACE_DESC desc{};
  ASSERT_NE(renderer_.GetHalfTexture(0), nullptr);
  renderer_.GetHalfTexture(0)->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Width, 512u);
  EXPECT_EQ(desc.Height, 384u);
  EXPECT_NEAR(renderer_.GetBlurOffsetA().x, 1.792f / 1024.0f, 1e-7f);
  EXPECT_NEAR(renderer_.GetBlurOffsetA().y, 1.792f / 768.0f, 1e-7f);
  EXPECT_NEAR(renderer_.GetBlurOffsetB().x, 6.272f / 1024.0f, 1e-7f);
  EXPECT_NEAR(renderer_.GetBlurOffsetB().y, 6.272f / 768.0f, 1e-7f);
}

TEST_F(RenderTargetTest, TwoRadialBlursReturnToTheFirstTargetAndTheFrameReachesTheBackBuffer) {
  renderer_.BeginSceneCapture();
  device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF4080C0, 1.0f, 0);
  EXPECT_EQ(renderer_.GetCurrentScene(), 0);
  renderer_.ApplyRadialBlur(D3DXVECTOR2(512.0f, 384.0f), 10.0f);
  EXPECT_EQ(renderer_.GetCurrentScene(), 1);
  renderer_.ApplyRadialBlur(D3DXVECTOR2(512.0f, 384.0f), 10.0f);
  EXPECT_EQ(renderer_.GetCurrentScene(), 0);
  renderer_.ApplyBloom();
  renderer_.ApplyBlur(2.0f, D3DXVECTOR2(1024.0f, 768.0f), nullptr);
  EXPECT_EQ(renderer_.GetCurrentScene(), 0);
  device_->SetRenderState(D3DRS_ZENABLE, FALSE);  // as the frame does before the copy
  renderer_.EndSceneCapture();
  // A flat colour stays itself through the blurs; the bloom only adds.
  const Rgba centre = Pixel(512, 384);
  EXPECT_GE(centre.r, 0x40 - 2);
  EXPECT_GE(centre.g, 0x80 - 2);
  EXPECT_GE(centre.b, 0xC0 - 2);
}

// A mid-grey surface at 0.7 with a 16-pixel highlight at full white (the
// scene image clips whatever is lit above 1.0): the grey keeps its value
// away from the highlight, a halo fades out around it, and a device loss
// and reset change nothing.
TEST_F(RenderTargetTest, TheBloomGlowsAroundHighlightsAndLeavesMidTonesAlone) {
  // The green byte far away, 128, 24 and 8 pixels right of the highlight.
  const auto bloomedGreys = [this]() {
    renderer_.BeginSceneCapture();
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFB3B3B3, 1.0f, 0);
    device_->SetRenderState(D3DRS_ZENABLE, FALSE);
    device_->SetRenderState(D3DRS_LIGHTING, FALSE);
    device_->SetTexture(0, nullptr);
    DrawRect(500.0f, 380.0f, 516.0f, 396.0f, 0xFFFFFFFF);
    renderer_.ApplyBloom();
    renderer_.EndSceneCapture();
    return std::vector<int>{Pixel(100, 100).g, Pixel(516 + 128, 388).g, Pixel(516 + 24, 388).g, Pixel(516 + 8, 388).g};
  };
  const std::vector<int> greys = bloomedGreys();
  EXPECT_NEAR(greys[0], 0xB3, 4);  // within 2 %
  EXPECT_NEAR(greys[1], 0xB3, 4);
  EXPECT_GT(greys[2], 0xB3 + 2);
  EXPECT_GT(greys[3], greys[2]);
  EXPECT_GE(greys[3], 0xB3 + 16);

  d3d9::SimulateDeviceLoss(device_);
  renderer_.OnDeviceLost();
  ASSERT_EQ(device_->Reset(&parameters_), D3D_OK);
  renderer_.OnDeviceReset();
  EXPECT_EQ(bloomedGreys(), greys);
}

TEST_F(RenderTargetTest, TargetsComeBackAfterALostDevice) {
  d3d9::SimulateDeviceLoss(device_);
  renderer_.OnDeviceLost();
  ASSERT_EQ(device_->Reset(&parameters_), D3D_OK);
  renderer_.OnDeviceReset();
  ASSERT_NE(renderer_.GetHalfTexture(1), nullptr);
  renderer_.BeginSceneCapture();
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
  device_->SetRenderState(D3DRS_ZENABLE, FALSE);
  renderer_.EndSceneCapture();
  EXPECT_RGB_NEAR(Pixel(100, 100), 0, 255, 0, 2);
}

}  // namespace
