#pragma once
// The renderer's core: the material effect and its handles, the screen
// effect and render targets, the texture and material pools, and the small
// set of state-setting operations every drawing part uses.

#include <cstdint>

#include "frame/CameraView.h"
#include "frame/MessageOutputInterface.h"
#include "platform/d3d9/D3d9.h"
#include "platform/d3dx9/D3dxEffect.h"
#include "platform/d3dx9/D3dxMath.h"
#include "render/MaterialData.h"
#include "render/ResourcePool.h"

class RenderSystem {
 public:
  class TexturePoolManager : public SharedResourceManagerBase<IDirect3DTexture9*> {
   protected:
    void DeleteResource(IDirect3DTexture9* texture) override;
  };
  class MaterialPoolManager : public SharedResourceManagerBase<MaterialData*> {
   protected:
    void DeleteResource(MaterialData* material) override;
  };

  // Resource numbers of the effects inside the executable.
  static constexpr int kMaterialEffectStandard = 10000;
  static constexpr int kMaterialEffectBest = 10003;
  static constexpr int kScreenEffect = 10010;

  RenderSystem();
  virtual ~RenderSystem();
  RenderSystem(const RenderSystem&) = delete;
  RenderSystem& operator=(const RenderSystem&) = delete;

  // --- lifecycle (RenderSystem.cpp) ---
  bool Init(bool fixedPipeline, const D3DPRESENT_PARAMETERS* presentParameters, IDirect3DDevice9* device, int width,
            int height, MessageOutputInterface* messages);
  void Uninit();
  void OnDeviceLost();
  void OnDeviceReset();

  // --- state setting (RenderSystem.cpp) ---
  void SetWorldMatrix(const D3DXMATRIX& world, int slot);
  void ApplyMaterial(MaterialData* material);
  void BeginMaterialPass();
  void EndMaterialPass();
  void BeginPlainDraw(const D3DXCOLOR& colour, IDirect3DTexture9* texture);
  void SetDirectionalLight(int index, const D3DXVECTOR3& direction, const D3DXCOLOR& colour);
  void SetAmbient(const D3DXCOLOR& upper, const D3DXCOLOR& lower);
  void SetFog(float start, float end, D3DCOLOR colour);
  D3DXCOLOR* ComputeLighting(D3DXCOLOR* out, const D3DXVECTOR3& normal, const D3DXCOLOR& diffuse,
                             float ambientRate) const;
  // Depth culling of a bounding sphere of the given radius (a mesh's bounding
  // radius times its scale).
  bool IsOutsideDepthRange(const D3DXVECTOR3& centre, float radius) const;
  void SetView(const CameraView* view) { view_ = view; }
  // The camera position of the shaders (g_CamPos).
  void SetCameraPosition(const D3DXVECTOR3& eye);
  void SetExtraTexture(IDirect3DTexture9* texture);
  void SetTransformBlend(int extraMatrices);

  // --- textures (TextureLoader.cpp, TextureBlend.cpp) ---
  bool LoadTexture(IDirect3DTexture9** out, const char* path);
  bool CreateDefaultTextures();
  void ReleaseDeviceTextures();
  void ReloadDeviceTextures();
  // Clears the slots a device loss left dangling (used by Uninit while lost).
  void ForgetReleasedDeviceTextures();
  bool BlendTextures(MaterialData* material, bool managed);

  // --- materials (MaterialLoader.cpp) ---
  bool LoadMaterial(MessageOutputInterface* messages, MaterialData** out, const char* path);

  // --- render targets and screen effects (RenderTargets.cpp) ---
  // Index of the scene target holding the latest image (0 or 1).
  int GetCurrentScene() const { return currentScene_; }
  const D3DXVECTOR2& GetBlurOffsetA() const { return blurOffsetA_; }
  const D3DXVECTOR2& GetBlurOffsetB() const { return blurOffsetB_; }
  IDirect3DTexture9* GetHalfTexture(int index) const { return index == 0 || index == 1 ? halfTexture_[index] : nullptr; }
  bool InitRenderTargets();
  void ReleaseRenderTargets();
  void BeginSceneCapture();
  void EndSceneCapture();
  void ApplyBloom();
  void ApplyBlur(float strength, const D3DXVECTOR2& centre, IDirect3DTexture9* mask);
  void ApplyRadialBlur(const D3DXVECTOR2& centre, float strength);

  // --- read access ---
  IDirect3DDevice9* GetDevice() const { return device_; }
  bool IsFixedPipeline() const { return fixedPipeline_; }
  bool UsesAmbient2() const { return useAmbient2_; }
  bool UsesScreenEffects() const { return useScreenEffects_; }
  bool UsesBloom() const { return useBloom_; }
  ID3DXEffect* GetMaterialEffect() const { return materialEffect_; }
  ID3DXEffect* GetScreenEffect() const { return screenEffect_; }
  D3DXHANDLE GetTechnique(int row) const { return row >= 0 && row < kMaterialTypeCount ? techniques_[row] : nullptr; }
  // The depth-only technique with the vertex shader of a light-mapped
  // (level) row's technique; null for other rows and without one.
  D3DXHANDLE GetDepthTechnique(int row) const {
    if (row < 0 || row >= kMaterialTypeCount || !GetMaterialType(row).lmap) return nullptr;
    return depthTechniques_[GetMaterialType(row).normal ? 1 : 0];
  }
  MaterialData* GetDefaultMaterial() { return &defaultMaterial_; }
  MaterialData* GetCurrentMaterial() const { return currentMaterial_; }
  TexturePoolManager& GetTexturePool() { return texturePool_; }
  MaterialPoolManager& GetMaterialPool() { return materialPool_; }
  const D3DXCOLOR& GetAmbient1() const { return ambient1_; }
  const D3DXCOLOR& GetAmbient2() const { return ambient2_; }
  float GetScreenWidth() const { return screenWidth_; }
  float GetScreenHeight() const { return screenHeight_; }

 protected:
  struct MaterialEffectHandles {
    D3DXHANDLE matWorld[4] = {};
    D3DXHANDLE matWIT[4] = {};
    D3DXHANDLE matWVP[4] = {};
    D3DXHANDLE transformBlend = nullptr;
    D3DXHANDLE camPos = nullptr;
    D3DXHANDLE fogStart = nullptr;
    D3DXHANDLE fogInvDist = nullptr;
    D3DXHANDLE specular = nullptr;
    D3DXHANDLE lightAmbient = nullptr;
    D3DXHANDLE lightAmbient2 = nullptr;
    D3DXHANDLE lightDirR[2] = {};
    D3DXHANDLE lightColor[2] = {};
    D3DXHANDLE lightRim = nullptr;
    D3DXHANDLE gpv = nullptr;
    D3DXHANDLE outputColorRate = nullptr;
    D3DXHANDLE texDiffuse = nullptr;
    D3DXHANDLE texNormal = nullptr;
    D3DXHANDLE texSpecular = nullptr;
    D3DXHANDLE texEmissive = nullptr;
    D3DXHANDLE texExtra = nullptr;
  };

  void ApplyFixedStageStates();
  bool CreateEffect(int resource, const char* failure, MessageOutputInterface* messages, ID3DXEffect** effect);
  void BuildBuiltInMaterials();

  IDirect3DDevice9* device_ = nullptr;
  const D3DPRESENT_PARAMETERS* presentParameters_ = nullptr;
  float screenWidth_ = 0.0f;
  float screenHeight_ = 0.0f;
  bool fixedPipeline_ = false;
  bool useAmbient2_ = false;
  bool useScreenEffects_ = false;
  bool useBloom_ = false;
  ID3DXEffect* materialEffect_ = nullptr;
  ID3DXEffect* screenEffect_ = nullptr;
  MaterialEffectHandles handles_;
  D3DXHANDLE techniques_[kMaterialTypeCount] = {};
  D3DXHANDLE depthTechniques_[2] = {};  // by the level's vertex shader: without, with tangents
  const CameraView* view_ = nullptr;
  MaterialData* currentMaterial_ = nullptr;
  bool materialDirty_ = false;
  int fixedLightState_ = 0;  // 0 lit with both lights, 1 unlit, 2 lit with both lights off
  D3DXCOLOR ambient1_{0.0f, 0.0f, 0.0f, 1.0f};
  D3DXCOLOR ambient2_{0.0f, 0.0f, 0.0f, 1.0f};
  D3DXVECTOR3 lightDirR_[2];
  D3DXCOLOR lightColor_[2];
  bool lightSet_[2] = {false, false};
  MaterialData defaultMaterial_;
  MaterialData overlayMaterial_;
  D3DXVECTOR2 invScreenSize_{0.0f, 0.0f};
  TexturePoolManager texturePool_;
  MaterialPoolManager materialPool_;
  bool deviceTexturesReleased_ = false;  // between ReleaseDeviceTextures and the reload

  // Render targets and the screen effect (RenderTargets.cpp).
  struct ScreenEffectHandles {
    D3DXHANDLE bright = nullptr;
    D3DXHANDLE hypochromic = nullptr;
    D3DXHANDLE blur = nullptr;
    D3DXHANDLE blurTexel = nullptr;
    D3DXHANDLE blurRadiate = nullptr;
    D3DXHANDLE qhdr = nullptr;
    D3DXHANDLE distortion = nullptr;
    D3DXHANDLE pixelSize = nullptr;
    D3DXHANDLE blurWeights = nullptr;
    D3DXHANDLE blurOffset = nullptr;
    D3DXHANDLE gpv = nullptr;
    D3DXHANDLE texMain = nullptr;
    D3DXHANDLE texSub = nullptr;
  };
  ScreenEffectHandles screenHandles_;
  IDirect3DSurface9* backBuffer_ = nullptr;
  IDirect3DSurface9* backDepth_ = nullptr;
  IDirect3DTexture9* sceneTexture_[2] = {};
  IDirect3DSurface9* sceneSurface_[2] = {};
  IDirect3DSurface9* sceneDepth_ = nullptr;
  IDirect3DTexture9* halfTexture_[2] = {};
  IDirect3DSurface9* halfSurface_[2] = {};
  int currentScene_ = 0;
  D3DXVECTOR2 blurOffsetA_{0.0f, 0.0f};
  D3DXVECTOR2 blurOffsetB_{0.0f, 0.0f};
  float bloomStrength_ = 0.75f;

 private:
  void SetScreenEffectConstants();
  // Draws one screen pass over the whole of a target of the given size.
  void DrawScreenQuad(float width, float height);
};

// The renderer of the process (set by the application once created).
RenderSystem* GetRenderSystem();
void SetRenderSystem(RenderSystem* renderer);
