// Effects on a headless device: handles and values, drawing with passes,
// uploads of changed parameters only, state save and restore, the
// int-indexed vertex-shader array, textures, messages and resources.

#include <gtest/gtest.h>

#include <string>

#include "platform/d3d9/DeviceFixture.h"
#include "platform/d3d9/DeviceImpl.h"
#include "platform/d3dx9/D3dxEffect.h"
#include "platform/d3dx9/D3dxEffectAutomation.h"
#include "platform/d3dx9/D3dxMath.h"
#include "platform/d3dx9/D3dxTexture.h"
#include "platform/win32/Resources.h"

namespace {

struct QuadVertex {
  float x, y, z;
  float u, v;
};

class EffectTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    ASSERT_EQ(Create(900, &effect_), D3D_OK) << errors_;
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    effect_->SetMatrix("g_Wvp", &identity);
  }
  void TearDown() override {
    if (effect_ != nullptr) effect_->Release();
    DeviceTest::TearDown();
  }

  HRESULT Create(WORD id, ID3DXEffect** effect) {
    ID3DXBuffer* errors = nullptr;
    const HRESULT hr = D3DXCreateEffectFromResourceA(device_, nullptr, MAKEINTRESOURCEA(id), nullptr, nullptr,
                                                     D3DXSHADER_SKIPVALIDATION, nullptr, effect, &errors);
    errors_ = errors != nullptr ? static_cast<const char*>(errors->GetBufferPointer()) : "";
    if (errors != nullptr) errors->Release();
    return hr;
  }

  HRESULT CreateFromText(const std::string& text, ID3DXEffect** effect) {
    ID3DXBuffer* errors = nullptr;
    const HRESULT hr = D3DXCreateEffect(device_, text.data(), static_cast<UINT>(text.size()), nullptr, nullptr, 0,
                                        nullptr, effect, &errors);
    errors_ = errors != nullptr ? static_cast<const char*>(errors->GetBufferPointer()) : "";
    if (errors != nullptr) errors->Release();
    return hr;
  }

  // A rectangle in clip space (x and y from -1 to 1, y up).
  void DrawQuad(float x0, float y0, float x1, float y1) {
    const QuadVertex quad[4] = {
        {x0, y1, 0.5f, 0.0f, 0.0f}, {x1, y1, 0.5f, 1.0f, 0.0f}, {x0, y0, 0.5f, 0.0f, 1.0f}, {x1, y0, 0.5f, 1.0f, 1.0f}};
    device_->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1);
    ASSERT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(QuadVertex)), D3D_OK);
  }

  // One technique's first pass over the given rectangle.
  void DrawWith(const char* technique, float x0 = -1.0f, float y0 = -1.0f, float x1 = 1.0f, float y1 = 1.0f) {
    ASSERT_EQ(effect_->SetTechnique(technique), D3D_OK);
    UINT passes = 0;
    ASSERT_EQ(effect_->Begin(&passes, 0), D3D_OK);
    ASSERT_EQ(effect_->BeginPass(0), D3D_OK);
    DrawQuad(x0, y0, x1, y1);
    effect_->EndPass();
    effect_->End();
  }

  ID3DXEffect* effect_ = nullptr;
  std::string errors_;
};

TEST_F(EffectTest, HandlesNameParametersArrayElementsAndTechniques) {
  const D3DXHANDLE gain = effect_->GetParameterByName(nullptr, "g_Gain");
  const D3DXHANDLE gain2 = effect_->GetParameterByName(nullptr, "g_Gain[2]");
  ASSERT_NE(gain, nullptr);
  ASSERT_NE(gain2, nullptr);
  EXPECT_NE(gain, gain2);
  EXPECT_STREQ(gain2, "g_Gain[2]");
  EXPECT_EQ(effect_->GetParameterByName(nullptr, "g_Gain[3]"), nullptr);
  EXPECT_EQ(effect_->GetParameterByName(nullptr, "g_Missing"), nullptr);
  EXPECT_EQ(effect_->GetParameterByName(gain, "g_Gain"), nullptr);
  EXPECT_NE(effect_->GetParameterByName(nullptr, "g_Samp"), nullptr);
  EXPECT_EQ(effect_->GetParameterByName(nullptr, "T_Flat"), nullptr);

  const D3DXHANDLE pick = effect_->GetTechniqueByName("T_Pick");
  ASSERT_NE(pick, nullptr);
  EXPECT_EQ(effect_->GetTechniqueByName("g_Gain"), nullptr);
  EXPECT_STREQ(effect_->GetCurrentTechnique(), "T_Flat");  // the first one
  EXPECT_EQ(effect_->SetTechnique(pick), D3D_OK);
  EXPECT_EQ(effect_->GetCurrentTechnique(), pick);
  EXPECT_EQ(effect_->SetTechnique(gain), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->SetTechnique("T_Textured"), D3D_OK);  // names work as handles
  EXPECT_EQ(effect_->SetFloat(gain, 1.0f), D3D_OK);
  EXPECT_EQ(effect_->SetFloat("g_Gain[1]", 1.0f), D3D_OK);
  EXPECT_EQ(effect_->SetFloat("g_Tex", 1.0f), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->SetFloat(nullptr, 1.0f), D3DERR_INVALIDCALL);
}

TEST_F(EffectTest, ValuesAreConvertedAndStayWithinTheirElement) {
  const float gains[4] = {5.0f, 6.0f, 7.0f, 8.0f};
  EXPECT_EQ(effect_->SetFloatArray("g_Gain[1]", gains, 4), D3D_OK);  // elements 1 and 2 only
  float read[3] = {};
  EXPECT_EQ(effect_->GetValue("g_Gain", read, sizeof(read)), D3D_OK);
  EXPECT_EQ(read[0], 1.0f);
  EXPECT_EQ(read[1], 5.0f);
  EXPECT_EQ(read[2], 6.0f);

  const D3DXVECTOR4 v(0.25f, 0.5f, 0.75f, 1.0f);
  EXPECT_EQ(effect_->SetVector("g_Gain[0]", &v), D3D_OK);  // a float takes x alone
  EXPECT_EQ(effect_->GetValue("g_Gain", read, sizeof(read)), D3D_OK);
  EXPECT_EQ(read[0], 0.25f);
  EXPECT_EQ(read[1], 5.0f);

  int pick = 0;
  EXPECT_EQ(effect_->SetFloat("g_Pick", 2.9f), D3D_OK);
  EXPECT_EQ(effect_->GetValue("g_Pick", &pick, sizeof(pick)), D3D_OK);
  EXPECT_EQ(pick, 2);
  const int three = 3;
  EXPECT_EQ(effect_->SetValue("g_Pick", &three, sizeof(three)), D3D_OK);  // raw bytes, as skinning sets it
  EXPECT_EQ(effect_->GetValue("g_Pick", &pick, sizeof(pick)), D3D_OK);
  EXPECT_EQ(pick, 3);
  EXPECT_EQ(effect_->SetInt("g_Colour", 2), D3D_OK);
  float colour[4] = {};
  EXPECT_EQ(effect_->GetValue("g_Colour", colour, sizeof(colour)), D3D_OK);
  EXPECT_EQ(colour[0], 2.0f);
  EXPECT_EQ(colour[1], 0.0f);

  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, 1.0f, 2.0f, 3.0f);
  D3DXMATRIX stored;
  EXPECT_EQ(effect_->SetMatrixTranspose("g_Wvp", &m), D3D_OK);
  EXPECT_EQ(effect_->GetValue("g_Wvp", &stored, sizeof(stored)), D3D_OK);
  EXPECT_EQ(stored._14, 1.0f);
  EXPECT_EQ(stored._34, 3.0f);
  EXPECT_EQ(effect_->SetMatrix("g_Colour", &m), D3DERR_INVALIDCALL);
}

TEST_F(EffectTest, PassesDrawWithTheParametersAndCommitChangesUploadsNewValues) {
  ASSERT_EQ(effect_->SetTechnique("T_Flat"), D3D_OK);
  ASSERT_EQ(effect_->Begin(nullptr, 0), D3D_OK);
  ASSERT_EQ(effect_->BeginPass(0), D3D_OK);
  DrawQuad(-1.0f, -1.0f, 0.0f, 1.0f);
  const D3DXVECTOR4 green(0.0f, 1.0f, 0.0f, 1.0f);
  effect_->SetVector("g_Colour", &green);
  EXPECT_EQ(effect_->CommitChanges(), D3D_OK);
  DrawQuad(0.0f, -1.0f, 1.0f, 1.0f);
  EXPECT_EQ(effect_->EndPass(), D3D_OK);
  EXPECT_EQ(effect_->End(), D3D_OK);
  EXPECT_RGB_NEAR(Pixel(10, 24), 255, 0, 0, 2);
  EXPECT_RGB_NEAR(Pixel(54, 24), 0, 255, 0, 2);
}

TEST_F(EffectTest, MatricesApplyToRowVectorsLikeD3dx) {
  D3DXMATRIX scale;
  D3DXMATRIX move;
  D3DXMATRIX both;
  D3DXMatrixScaling(&scale, 0.5f, 1.0f, 1.0f);
  D3DXMatrixTranslation(&move, 0.5f, 0.0f, 0.0f);
  D3DXMatrixMultiply(&both, &scale, &move);  // scale first, then move
  effect_->SetMatrix("g_Wvp", &both);
  DrawWith("T_Flat");  // covers x from 0 to 1 in clip space: the right half
  EXPECT_RGB_NEAR(Pixel(10, 24), 0, 0, 0, 2);
  EXPECT_RGB_NEAR(Pixel(54, 24), 255, 0, 0, 2);
}

TEST_F(EffectTest, OnlyChangedParametersReachGl) {
  DrawWith("T_Flat");
  d3dx::ResetEffectStatistics(effect_);
  DrawWith("T_Flat");
  EXPECT_EQ(d3dx::GetEffectStatistics(effect_).uniformUploads, 0u);

  const D3DXVECTOR4 red(1.0f, 0.0f, 0.0f, 1.0f);  // the value it already has
  effect_->SetVector("g_Colour", &red);
  DrawWith("T_Flat");
  EXPECT_EQ(d3dx::GetEffectStatistics(effect_).uniformUploads, 0u);

  effect_->SetFloat("g_Gain[2]", 0.5f);
  effect_->SetFloat("g_Pick", 1.0f);  // not read by T_Flat's program
  DrawWith("T_Flat");
  EXPECT_EQ(d3dx::GetEffectStatistics(effect_).uniformUploads, 1u);
  EXPECT_RGB_NEAR(Pixel(32, 24), 128, 0, 0, 2);

  // Another program receives the values it has not seen yet, once.
  d3dx::ResetEffectStatistics(effect_);
  DrawWith("T_Pick");
  const auto first = d3dx::GetEffectStatistics(effect_).uniformUploads;
  EXPECT_GE(first, 1u);
  DrawWith("T_Pick");
  EXPECT_EQ(d3dx::GetEffectStatistics(effect_).uniformUploads, first);
}

TEST_F(EffectTest, BeginSavesAndEndRestoresWhatThePassesChange) {
  IDirect3DTexture9* mine = nullptr;
  IDirect3DTexture9* effects = nullptr;
  ASSERT_EQ(D3DXCreateTexture(device_, 4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &mine), D3D_OK);
  ASSERT_EQ(D3DXCreateTexture(device_, 4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &effects), D3D_OK);
  device_->SetTexture(0, mine);
  device_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  effect_->SetTexture("g_Tex", effects);
  device_->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device_->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);

  const auto state = [&](D3DRENDERSTATETYPE s) {
    DWORD value = 0;
    device_->GetRenderState(s, &value);
    return value;
  };
  const auto texture0 = [&] {
    IDirect3DBaseTexture9* t = nullptr;
    device_->GetTexture(0, &t);
    if (t != nullptr) t->Release();
    return t;
  };

  effect_->SetTechnique("T_Add");
  UINT passes = 0;
  ASSERT_EQ(effect_->Begin(&passes, 0), D3D_OK);
  EXPECT_EQ(passes, 2u);
  ASSERT_EQ(effect_->BeginPass(0), D3D_OK);
  EXPECT_EQ(state(D3DRS_ALPHABLENDENABLE), 1u);
  EXPECT_EQ(state(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_ONE));
  EXPECT_NE(device_->Impl().ProgramOverrideProgram(), 0u);
  effect_->EndPass();
  EXPECT_EQ(device_->Impl().ProgramOverrideProgram(), 0u);
  ASSERT_EQ(effect_->BeginPass(1), D3D_OK);
  EXPECT_EQ(state(D3DRS_ZENABLE), static_cast<DWORD>(D3DZB_FALSE));
  EXPECT_EQ(state(D3DRS_ALPHABLENDENABLE), 1u);  // passes do not undo each other
  EXPECT_EQ(effect_->End(), D3D_OK);              // ends the pass too
  EXPECT_EQ(device_->Impl().ProgramOverrideProgram(), 0u);
  EXPECT_EQ(state(D3DRS_ALPHABLENDENABLE), 0u);
  EXPECT_EQ(state(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_SRCALPHA));
  EXPECT_EQ(state(D3DRS_ZENABLE), static_cast<DWORD>(D3DZB_TRUE));

  // The sampler's texture and states are restored as well.
  DrawWith("T_Textured");
  EXPECT_EQ(texture0(), mine);
  DWORD filter = 0;
  device_->GetSamplerState(0, D3DSAMP_MINFILTER, &filter);
  EXPECT_EQ(filter, static_cast<DWORD>(D3DTEXF_LINEAR));

  // Without saving, the states stay as the passes left them.
  effect_->SetTechnique("T_Add");
  ASSERT_EQ(effect_->Begin(nullptr, D3DXFX_DONOTSAVESTATE), D3D_OK);
  effect_->BeginPass(0);
  effect_->End();
  EXPECT_EQ(state(D3DRS_ALPHABLENDENABLE), 1u);

  effect_->Release();  // gives its texture reference back
  effect_ = nullptr;
  device_->SetTexture(0, nullptr);
  EXPECT_EQ(effects->Release(), 0u);
  EXPECT_EQ(mine->Release(), 0u);
}

TEST_F(EffectTest, TheIntParameterPicksTheVertexShaderOfTheArray) {
  const struct {
    int pick;
    int r, g, b;
  } cases[] = {{0, 255, 0, 0}, {1, 0, 255, 0}, {2, 0, 0, 255}, {7, 0, 0, 255}, {-1, 255, 0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pick);
    effect_->SetInt("g_Pick", c.pick);
    DrawWith("T_Pick");
    EXPECT_RGB_NEAR(Pixel(32, 24), c.r, c.g, c.b, 2);
  }
  // A change within the pass takes effect with CommitChanges.
  effect_->SetInt("g_Pick", 0);
  effect_->SetTechnique("T_Pick");
  effect_->Begin(nullptr, 0);
  effect_->BeginPass(0);
  DrawQuad(-1.0f, -1.0f, 0.0f, 1.0f);
  effect_->SetInt("g_Pick", 1);
  effect_->CommitChanges();
  DrawQuad(0.0f, -1.0f, 1.0f, 1.0f);
  effect_->End();
  EXPECT_RGB_NEAR(Pixel(10, 24), 255, 0, 0, 2);
  EXPECT_RGB_NEAR(Pixel(54, 24), 0, 255, 0, 2);
}

TEST_F(EffectTest, TexturesAreBoundThroughTheDeviceWithTheSamplersStates) {
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(D3DXCreateTexture(device_, 2, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
  static_cast<std::uint32_t*>(locked.pBits)[0] = 0xFF0000FF;
  static_cast<std::uint32_t*>(locked.pBits)[1] = 0xFFFFFF00;
  texture->UnlockRect(0);
  EXPECT_EQ(effect_->SetTexture("g_Tex", texture), D3D_OK);
  EXPECT_EQ(texture->Release(), 1u);  // the effect holds the other reference

  effect_->SetTechnique("T_Textured");
  effect_->Begin(nullptr, 0);
  effect_->BeginPass(0);
  DWORD filter = 0;
  device_->GetSamplerState(0, D3DSAMP_MAGFILTER, &filter);
  EXPECT_EQ(filter, static_cast<DWORD>(D3DTEXF_POINT));
  DrawQuad(-1.0f, -1.0f, 1.0f, 1.0f);
  effect_->End();
  EXPECT_RGB_NEAR(Pixel(20, 24), 0, 0, 255, 2);  // point sampling: two flat halves
  EXPECT_RGB_NEAR(Pixel(44, 24), 255, 255, 0, 2);
}

TEST_F(EffectTest, BrokenEffectsReportWhereAndWhy) {
  const std::string header =
      "parameter float4 g_C\n"
      "technique T_Good\n  pass P0 vertex=v fragment=f\n"
      "technique T_Bad\n  pass P1 vertex=v fragment=bad\n"
      "@vertex v\nout vec4 x;\nvoid main() { x = g_C; gl_Position = d3d_ClipFix(a_position); }\n"
      "@fragment f\nin vec4 x;\nout vec4 c;\nvoid main() { c = x; }\n"
      "@fragment bad\nout vec4 c;\n";
  ID3DXEffect* effect = nullptr;
  EXPECT_EQ(CreateFromText(header + "void main() { c = undefinedThing; }\n", &effect), E_FAIL);
  EXPECT_EQ(effect, nullptr);
  EXPECT_NE(errors_.find("technique T_Bad, pass P1"), std::string::npos) << errors_;
  EXPECT_NE(errors_.find("fragment bad"), std::string::npos) << errors_;
  EXPECT_NE(errors_.find("0:15("), std::string::npos) << errors_;  // the effect text's own line
  EXPECT_NE(errors_.find("undefinedThing"), std::string::npos) << errors_;

  // Each stage compiles, but the fragment stage has no main.
  EXPECT_EQ(CreateFromText(header + "void notMain() { c = vec4(1.0); }\n", &effect), E_FAIL);
  EXPECT_NE(errors_.find("link of vertex v and fragment bad"), std::string::npos) << errors_;

  EXPECT_EQ(CreateFromText("technique T\n", &effect), D3DXERR_INVALIDDATA);
  EXPECT_EQ(errors_, "effect: line 1: technique T has no pass");
  EXPECT_EQ(effect, nullptr);
}

TEST_F(EffectTest, ResourcesAreFoundByIdAndCarryTheirDefines) {
  const HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(900), RT_RCDATA);
  ASSERT_NE(resource, nullptr);
  EXPECT_EQ(FindResourceA(nullptr, "#900", RT_RCDATA), resource);
  EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCEA(900), MAKEINTRESOURCEA(6)), nullptr);
  const char* bytes = static_cast<const char*>(LockResource(LoadResource(nullptr, resource)));
  const DWORD size = SizeofResource(nullptr, resource);
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(std::string(bytes, 10), "// The eff");
  EXPECT_EQ(bytes[size], '\0');
  EXPECT_FALSE(win32::RegisterResource(10, 900, "other", 5));  // the first registration stays

  EXPECT_EQ(effect_->GetTechniqueByName("T_Variant"), nullptr);
  ID3DXEffect* variant = nullptr;
  ASSERT_EQ(Create(901, &variant), D3D_OK) << errors_;
  EXPECT_NE(variant->GetTechniqueByName("T_Variant"), nullptr);
  variant->Release();

  ID3DXEffect* missing = nullptr;
  EXPECT_EQ(Create(999, &missing), D3DXERR_INVALIDDATA);
  EXPECT_EQ(errors_, "resource 999: not found");
}

TEST_F(EffectTest, AroundALostDeviceTheEffectKeepsItsValuesAndUploadsThemAgain) {
  const D3DXVECTOR4 blue(0.0f, 0.0f, 1.0f, 1.0f);
  effect_->SetVector("g_Colour", &blue);
  DrawWith("T_Flat");
  EXPECT_EQ(effect_->OnLostDevice(), D3D_OK);
  EXPECT_EQ(effect_->Begin(nullptr, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->Reset(&parameters_), D3D_OK);
  EXPECT_EQ(effect_->OnResetDevice(), D3D_OK);
  device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  d3dx::ResetEffectStatistics(effect_);
  DrawWith("T_Flat");
  EXPECT_EQ(d3dx::GetEffectStatistics(effect_).uniformUploads, 3u);  // g_Wvp, g_Colour, g_Gain
  EXPECT_RGB_NEAR(Pixel(32, 24), 0, 0, 255, 2);
}

TEST_F(EffectTest, CallsOutOfOrderAreRefused) {
  EXPECT_EQ(effect_->BeginPass(0), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->EndPass(), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->End(), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->CommitChanges(), D3D_OK);  // nothing to commit outside a pass
  ASSERT_EQ(effect_->Begin(nullptr, 0), D3D_OK);
  EXPECT_EQ(effect_->Begin(nullptr, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->BeginPass(1), D3DERR_INVALIDCALL);  // T_Flat has one pass
  ASSERT_EQ(effect_->BeginPass(0), D3D_OK);
  EXPECT_EQ(effect_->BeginPass(0), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->EndPass(), D3D_OK);
  EXPECT_EQ(effect_->End(), D3D_OK);
}

}  // namespace
