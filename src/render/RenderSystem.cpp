// The renderer's lifecycle and its state-setting operations.

#include "render/RenderSystem.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "frame/DisplayConfiguration.h"
#include "platform/win32/WinUser.h"

namespace {

RenderSystem* g_renderer = nullptr;

}  // namespace

RenderSystem* GetRenderSystem() { return g_renderer; }
void SetRenderSystem(RenderSystem* renderer) { g_renderer = renderer; }

RenderSystem::RenderSystem() {
  for (int i = 0; i < 2; ++i) {
    lightDirR_[i] = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
    lightColor_[i] = D3DXCOLOR(0.0f, 0.0f, 0.0f, 1.0f);
  }
}

RenderSystem::~RenderSystem() {
  if (g_renderer == this) g_renderer = nullptr;
}

bool RenderSystem::CreateEffect(int resource, const char* failure, MessageOutputInterface* messages,
                                ID3DXEffect** effect) {
  ID3DXBuffer* errors = nullptr;
  const HRESULT hr = D3DXCreateEffectFromResourceA(device_, nullptr, MAKEINTRESOURCEA(static_cast<WORD>(resource)),
                                                   nullptr, nullptr, D3DXSHADER_SKIPVALIDATION, nullptr, effect,
                                                   &errors);
  if (SUCCEEDED(hr) && *effect != nullptr) {
    if (errors != nullptr) errors->Release();
    return true;
  }
  if (messages != nullptr) {
    if (errors != nullptr) {
      messages->Printf("%s\n\n%s", failure, static_cast<const char*>(errors->GetBufferPointer()));
    } else {
      messages->Output(failure);
    }
  }
  if (errors != nullptr) errors->Release();
  *effect = nullptr;
  return false;
}

bool RenderSystem::Init(bool fixedPipeline, const D3DPRESENT_PARAMETERS* presentParameters, IDirect3DDevice9* device,
                        int width, int height, MessageOutputInterface* messages) {
  if (device_ != nullptr || device == nullptr) return false;
  const auto fail = [&](const char* message) {
    if (message != nullptr && messages != nullptr) messages->Output(message);
    Uninit();
    return false;
  };

  device_ = device;
  presentParameters_ = presentParameters;
  screenWidth_ = static_cast<float>(width);
  screenHeight_ = static_cast<float>(height);
  fixedPipeline_ = fixedPipeline;
  const bool highQuality = !fixedPipeline && GetDisplayConfiguration().highQuality;
  useAmbient2_ = highQuality;
  useScreenEffects_ = highQuality;
  useBloom_ = highQuality;
  invScreenSize_ = D3DXVECTOR2(width > 0 ? 1.0f / screenWidth_ : 0.0f, height > 0 ? 1.0f / screenHeight_ : 0.0f);

  if (!fixedPipeline_) {
    D3DCAPS9 caps{};
    device_->GetDeviceCaps(&caps);
    if (caps.PixelShaderVersion < D3DPS_VERSION(2, 0)) return fail("Device is not supported: PixelShader 2.0");
    if (!device_->GetSoftwareVertexProcessing() && caps.VertexShaderVersion < D3DVS_VERSION(1, 1)) {
      return fail("Device is not supported: VertexShader 1.1");
    }
    if (!CreateEffect(highQuality ? kMaterialEffectBest : kMaterialEffectStandard, "Failed to Create Material Shader",
                      messages, &materialEffect_)) {
      return fail(nullptr);
    }
    ID3DXEffect* e = materialEffect_;
    char name[32];
    for (int i = 0; i < 4; ++i) {
      std::snprintf(name, sizeof(name), "g_MatWorld[%d]", i);
      handles_.matWorld[i] = e->GetParameterByName(nullptr, name);
      std::snprintf(name, sizeof(name), "g_MatWIT[%d]", i);
      handles_.matWIT[i] = e->GetParameterByName(nullptr, name);
      std::snprintf(name, sizeof(name), "g_MatWVP[%d]", i);
      handles_.matWVP[i] = e->GetParameterByName(nullptr, name);
    }
    handles_.transformBlend = e->GetParameterByName(nullptr, "g_TransformBlend");
    handles_.camPos = e->GetParameterByName(nullptr, "g_CamPos");
    handles_.fogStart = e->GetParameterByName(nullptr, "g_FogStart");
    handles_.fogInvDist = e->GetParameterByName(nullptr, "g_FogInvDist");
    handles_.specular = e->GetParameterByName(nullptr, "g_Specular");
    handles_.lightAmbient = e->GetParameterByName(nullptr, "g_LightAmbient");
    if (useAmbient2_) handles_.lightAmbient2 = e->GetParameterByName(nullptr, "g_LightAmbient2");
    handles_.lightDirR[0] = e->GetParameterByName(nullptr, "g_LightDirR[0]");
    handles_.lightDirR[1] = e->GetParameterByName(nullptr, "g_LightDirR[1]");
    handles_.lightColor[0] = e->GetParameterByName(nullptr, "g_LightColor[0]");
    handles_.lightColor[1] = e->GetParameterByName(nullptr, "g_LightColor[1]");
    handles_.lightRim = e->GetParameterByName(nullptr, "g_LightRim");
    handles_.gpv = e->GetParameterByName(nullptr, "g_GPV");
    handles_.outputColorRate = e->GetParameterByName(nullptr, "g_OutputColorRate");
    handles_.texDiffuse = e->GetParameterByName(nullptr, "g_TexDiffuse");
    handles_.texNormal = e->GetParameterByName(nullptr, "g_TexNormal");
    handles_.texSpecular = e->GetParameterByName(nullptr, "g_TexSpecular");
    handles_.texEmissive = e->GetParameterByName(nullptr, "g_TexEmissive");
    handles_.texExtra = e->GetParameterByName(nullptr, "g_TexExtra");
    for (int row = 0; row < kMaterialTypeCount; ++row) {
      techniques_[row] = e->GetTechniqueByName(GetMaterialType(row).technique);
    }
    depthTechniques_[0] = e->GetTechniqueByName("T_Depth_Map");
    depthTechniques_[1] = e->GetTechniqueByName("T_Depth_MapTangent");
    if (highQuality) {
      if (!CreateEffect(kScreenEffect, "Failed to Create Screen Shader", messages, &screenEffect_)) return fail(nullptr);
      SetScreenEffectConstants();
      if (!InitRenderTargets()) return fail("Failed to Init RenderTargets");
    }
  }
  if (!CreateDefaultTextures()) return fail("Failed to CreateDefaultTextures");
  BuildBuiltInMaterials();

  for (int i = 0; i < 2; ++i) {
    SetDirectionalLight(i, D3DXVECTOR3(0.0f, -1.0f, 0.0f), D3DXCOLOR(0.0f, 0.0f, 0.0f, 1.0f));
    lightSet_[i] = false;
  }
  if (fixedPipeline_) {
    device_->LightEnable(0, TRUE);
    device_->LightEnable(1, TRUE);
    fixedLightState_ = 0;
    ApplyFixedStageStates();
  }
  view_ = nullptr;
  currentMaterial_ = nullptr;
  materialDirty_ = false;
  ambient1_ = D3DXCOLOR(0.0f, 0.0f, 0.0f, 1.0f);
  ambient2_ = D3DXCOLOR(0.0f, 0.0f, 0.0f, 1.0f);
  return true;
}

void RenderSystem::BuildBuiltInMaterials() {
  defaultMaterial_ = MaterialData{};
  defaultMaterial_.type = 0;
  defaultMaterial_.ambientRate = 0.7f;
  defaultMaterial_.specular[0] = defaultMaterial_.specular[1] = defaultMaterial_.specular[2] = 0.25f;
  defaultMaterial_.specularPower = 16.0f;
  defaultMaterial_.diffuseMap = texturePool_.Acquire("#def_D");
  defaultMaterial_.owner = this;

  overlayMaterial_ = MaterialData{};
  overlayMaterial_.type = kMaterialTypePlainOcr;
  overlayMaterial_.specularPower = 1.0f;
  overlayMaterial_.owner = this;

  if (fixedPipeline_) {
    for (MaterialData* material : {&defaultMaterial_, &overlayMaterial_}) {
      material->fixedMaterial = new D3DMATERIAL9{};
      FillFixedMaterial(*material, material->fixedMaterial);
    }
  }
}

void RenderSystem::Uninit() {
  for (MaterialData* material : {&defaultMaterial_, &overlayMaterial_}) {
    delete material->fixedMaterial;
    material->fixedMaterial = nullptr;
  }
  // The default material's diffuse map is a pool reference of its own.
  if (defaultMaterial_.diffuseMap != nullptr) texturePool_.Release(defaultMaterial_.diffuseMap);
  defaultMaterial_.diffuseMap = nullptr;
  overlayMaterial_.diffuseMap = nullptr;
  ForgetReleasedDeviceTextures();
  materialPool_.ReleaseAll();
  texturePool_.ReleaseAll();
  ReleaseRenderTargets();
  if (screenEffect_ != nullptr) screenEffect_->Release();
  if (materialEffect_ != nullptr) materialEffect_->Release();
  screenEffect_ = nullptr;
  materialEffect_ = nullptr;
  handles_ = MaterialEffectHandles{};
  screenHandles_ = ScreenEffectHandles{};
  for (D3DXHANDLE& technique : techniques_) technique = nullptr;
  currentMaterial_ = nullptr;
  device_ = nullptr;
}

void RenderSystem::ApplyFixedStageStates() {
  device_->SetRenderState(D3DRS_LIGHTING, fixedLightState_ != 1 ? TRUE : FALSE);
  device_->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
  device_->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
  device_->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  device_->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
  device_->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
  device_->SetSamplerState(1, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  device_->SetSamplerState(1, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  device_->SetSamplerState(1, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
}

void RenderSystem::OnDeviceLost() {
  if (device_ == nullptr) return;
  if (!fixedPipeline_) {
    // Effect parameters and device stages hold references of their own; a
    // device-pool texture they keep alive would make the reset fail.
    for (D3DXHANDLE texture : {handles_.texDiffuse, handles_.texNormal, handles_.texSpecular, handles_.texEmissive,
                               handles_.texExtra}) {
      materialEffect_->SetTexture(texture, nullptr);
    }
    if (screenEffect_ != nullptr) {
      screenEffect_->SetTexture(screenHandles_.texMain, nullptr);
      screenEffect_->SetTexture(screenHandles_.texSub, nullptr);
    }
    for (DWORD stage = 0; stage < 8; ++stage) device_->SetTexture(stage, nullptr);
    materialEffect_->OnLostDevice();
    if (useScreenEffects_ && screenEffect_ != nullptr) screenEffect_->OnLostDevice();
    ReleaseRenderTargets();
    ReleaseDeviceTextures();
  }
}

void RenderSystem::OnDeviceReset() {
  if (device_ == nullptr) return;
  if (!fixedPipeline_) {
    materialEffect_->OnResetDevice();
    if (useScreenEffects_ && screenEffect_ != nullptr) {
      screenEffect_->OnResetDevice();
      InitRenderTargets();
    }
  }
  if (fixedPipeline_) {
    device_->LightEnable(0, TRUE);
    device_->LightEnable(1, TRUE);
    fixedLightState_ = 0;
  }
  ApplyFixedStageStates();
  ReloadDeviceTextures();
  currentMaterial_ = nullptr;
}

void RenderSystem::SetWorldMatrix(const D3DXMATRIX& world, int slot) {
  if (slot < 0 || slot > 3 || device_ == nullptr) return;
  if (fixedPipeline_) {
    device_->SetTransform(D3DTS_WORLDMATRIX(slot), &world);
    return;
  }
  materialEffect_->SetMatrix(handles_.matWorld[slot], &world);
  D3DXMATRIX inverse;
  if (D3DXMatrixInverse(&inverse, nullptr, &world) == nullptr) D3DXMatrixIdentity(&inverse);
  materialEffect_->SetMatrixTranspose(handles_.matWIT[slot], &inverse);
  if (view_ != nullptr) {
    D3DXMATRIX worldView;
    D3DXMATRIX worldViewProjection;
    D3DXMatrixMultiply(&worldView, &world, &view_->view);
    D3DXMatrixMultiply(&worldViewProjection, &worldView, &view_->projection);
    materialEffect_->SetMatrix(handles_.matWVP[slot], &worldViewProjection);
  }
}

void RenderSystem::ApplyMaterial(MaterialData* material) {
  if (device_ == nullptr) return;
  if (material == nullptr || material->type < 0 || material->type >= kMaterialTypeCount) material = &defaultMaterial_;
  if (!fixedPipeline_ && material == currentMaterial_ && !materialDirty_) return;
  materialDirty_ = false;
  currentMaterial_ = material;
  const MaterialType& row = GetMaterialType(material->type);

  if (fixedPipeline_) {
    device_->SetTexture(0, material->diffuseMap);
    if (material->fixedMaterial != nullptr) device_->SetMaterial(material->fixedMaterial);
    device_->SetTextureStageState(1, D3DTSS_COLOROP, row.lmap ? D3DTOP_MODULATE2X : D3DTOP_DISABLE);
    if (row.lit) {
      if (fixedLightState_ == 1) device_->SetRenderState(D3DRS_LIGHTING, TRUE);
      if (fixedLightState_ == 2) {
        device_->LightEnable(0, TRUE);
        device_->LightEnable(1, TRUE);
      }
      fixedLightState_ = 0;
    } else {
      if (fixedLightState_ == 2) {
        device_->LightEnable(0, TRUE);
        device_->LightEnable(1, TRUE);
      }
      device_->SetRenderState(D3DRS_LIGHTING, FALSE);
      fixedLightState_ = 1;
    }
    return;
  }

  ID3DXEffect* e = materialEffect_;
  e->SetTexture(handles_.texDiffuse, material->diffuseMap);
  if (row.normal) e->SetTexture(handles_.texNormal, material->normalMap);
  if (row.spec) e->SetTexture(handles_.texSpecular, material->specularMap);
  if (row.emis) e->SetTexture(handles_.texEmissive, material->emissiveMap);
  if (!row.spec) e->SetValue(handles_.specular, material->specular, sizeof(float) * 4);
  if (row.gpv) e->SetFloat(handles_.gpv, material->gpv);
  const D3DXCOLOR upper = ambient1_ * material->ambientRate;
  e->SetValue(handles_.lightAmbient, static_cast<const float*>(upper), sizeof(float) * 4);
  if (useAmbient2_) {
    const D3DXCOLOR lower = ambient2_ * material->ambientRate;
    e->SetValue(handles_.lightAmbient2, static_cast<const float*>(lower), sizeof(float) * 4);
  }
}

void RenderSystem::BeginMaterialPass() {
  if (fixedPipeline_ || materialEffect_ == nullptr || currentMaterial_ == nullptr) return;
  materialEffect_->SetTechnique(techniques_[currentMaterial_->type]);
  UINT passes = 0;
  materialEffect_->Begin(&passes, 0);
  materialEffect_->BeginPass(0);
}

void RenderSystem::EndMaterialPass() {
  if (fixedPipeline_ || materialEffect_ == nullptr || currentMaterial_ == nullptr) return;
  materialEffect_->EndPass();
  materialEffect_->End();
}

void RenderSystem::BeginPlainDraw(const D3DXCOLOR& colour, IDirect3DTexture9* texture) {
  if (device_ == nullptr) return;
  currentMaterial_ = &overlayMaterial_;
  if (texture == nullptr) texture = defaultMaterial_.diffuseMap;
  if (fixedPipeline_) {
    device_->SetTexture(0, texture);
    device_->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    D3DMATERIAL9* fixed = overlayMaterial_.fixedMaterial;
    if (fixed != nullptr) {
      fixed->Emissive.r = colour.r;
      fixed->Emissive.g = colour.g;
      fixed->Emissive.b = colour.b;
      fixed->Diffuse.a = colour.a;
      device_->SetMaterial(fixed);
    }
    if (fixedLightState_ != 2) {
      if (fixedLightState_ == 1) device_->SetRenderState(D3DRS_LIGHTING, TRUE);
      device_->LightEnable(0, FALSE);
      device_->LightEnable(1, FALSE);
      fixedLightState_ = 2;
    }
    return;
  }
  materialEffect_->SetTexture(handles_.texDiffuse, texture);
  const D3DXVECTOR4 rate(colour.r, colour.g, colour.b, colour.a);
  materialEffect_->SetVector(handles_.outputColorRate, &rate);
}

void RenderSystem::SetDirectionalLight(int index, const D3DXVECTOR3& direction, const D3DXCOLOR& colour) {
  if (index < 0 || index > 1 || device_ == nullptr) return;
  const D3DXVECTOR3 reversed = -direction;
  D3DXVec3Normalize(&lightDirR_[index], &reversed);
  lightColor_[index] = colour;
  lightSet_[index] = true;
  if (fixedPipeline_) {
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = colour;
    light.Specular = colour;
    light.Ambient = D3DCOLORVALUE{0.0f, 0.0f, 0.0f, 1.0f};
    light.Direction = direction;
    device_->SetLight(static_cast<DWORD>(index), &light);
    return;
  }
  materialEffect_->SetValue(handles_.lightDirR[index], static_cast<const float*>(lightDirR_[index]), sizeof(float) * 3);
  materialEffect_->SetValue(handles_.lightColor[index], static_cast<const float*>(lightColor_[index]),
                            sizeof(float) * 4);
}

void RenderSystem::SetAmbient(const D3DXCOLOR& upper, const D3DXCOLOR& lower) {
  if (device_ == nullptr) return;
  materialDirty_ = true;
  const D3DXCOLOR average = (upper + lower) * 0.5f;
  if (fixedPipeline_) {
    const D3DCOLOR packed = average;
    device_->SetRenderState(D3DRS_AMBIENT, packed);
    ambient1_ = D3DXCOLOR(packed);
    return;
  }
  if (useAmbient2_) {
    ambient1_ = upper;
    ambient2_ = lower;
  } else {
    ambient1_ = average;
  }
  const float m = 0.5f * (average.r + average.g + average.b) / 3.0f;
  const float rim[3] = {average.r + m, average.g + m, average.b + m};
  materialEffect_->SetValue(handles_.lightRim, rim, sizeof(rim));
}

void RenderSystem::SetFog(float start, float end, D3DCOLOR colour) {
  if (device_ == nullptr) return;
  device_->SetRenderState(D3DRS_FOGENABLE, TRUE);
  device_->SetRenderState(D3DRS_RANGEFOGENABLE, TRUE);
  device_->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
  device_->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_NONE);
  device_->SetRenderState(D3DRS_FOGCOLOR, colour);
  device_->SetRenderState(D3DRS_FOGSTART, FloatToRenderState(start));
  device_->SetRenderState(D3DRS_FOGEND, FloatToRenderState(end));
  if (fixedPipeline_) return;
  materialEffect_->SetFloat(handles_.fogStart, start);
  // Every caller passes an end beyond the start; a degenerate range means no fog distance.
  materialEffect_->SetFloat(handles_.fogInvDist, end != start ? 1.0f / (end - start) : 0.0f);
}

D3DXCOLOR* RenderSystem::ComputeLighting(D3DXCOLOR* out, const D3DXVECTOR3& normal, const D3DXCOLOR& diffuse,
                                         float ambientRate) const {
  D3DXCOLOR result;
  if (useAmbient2_) {
    const float h = 0.5f * normal.y + 0.5f;
    result = ambient1_ * h + ambient2_ * (1.0f - h);
  } else {
    result = ambient1_ * ambientRate;
  }
  for (int i = 0; i < 2; ++i) {
    const float d = std::max(0.0f, D3DXVec3Dot(&lightDirR_[i], &normal));
    result.r += diffuse.r * lightColor_[i].r * d;
    result.g += diffuse.g * lightColor_[i].g * d;
    result.b += diffuse.b * lightColor_[i].b * d;
  }
  result.a = diffuse.a;
  *out = result;
  return out;
}

bool RenderSystem::IsOutsideDepthRange(const D3DXVECTOR3& centre, float radius) const {
  if (view_ == nullptr) return false;
  const D3DXMATRIX& v = view_->view;
  const float z = centre.x * v._13 + centre.y * v._23 + centre.z * v._33 + v._43;
  return z - radius > view_->farPlane || z + radius < view_->nearPlane;
}

void RenderSystem::SetCameraPosition(const D3DXVECTOR3& eye) {
  if (fixedPipeline_ || materialEffect_ == nullptr) return;
  materialEffect_->SetValue(handles_.camPos, static_cast<const float*>(eye), sizeof(float) * 3);
}

void RenderSystem::SetExtraTexture(IDirect3DTexture9* texture) {
  if (device_ == nullptr) return;
  if (fixedPipeline_) {
    device_->SetTexture(1, texture);
    return;
  }
  materialEffect_->SetTexture(handles_.texExtra, texture);
}

void RenderSystem::SetTransformBlend(int extraMatrices) {
  if (device_ == nullptr) return;
  if (fixedPipeline_) {
    static const DWORD kBlend[4] = {D3DVBF_DISABLE, D3DVBF_1WEIGHTS, D3DVBF_2WEIGHTS, D3DVBF_3WEIGHTS};
    device_->SetRenderState(D3DRS_VERTEXBLEND, kBlend[extraMatrices < 0 ? 0 : extraMatrices > 3 ? 3 : extraMatrices]);
    return;
  }
  const INT value = extraMatrices;
  materialEffect_->SetValue(handles_.transformBlend, &value, sizeof(value));
}
