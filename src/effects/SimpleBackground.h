#pragma once
// The sky: a vertex-coloured sphere around the eye with a six-stop vertical
// gradient and a glow on both sides of the horizon, and up to two small
// coloured spheres (sun, moon) far off along the lights' directions. It is
// drawn first, without depth test or lighting, so it never hides the scene.

#include "platform/d3d9/D3d9.h"
#include "platform/d3dx9/D3dxMath.h"
#include "platform/d3dx9/D3dxMesh.h"

class SimpleBackground {
 public:
  SimpleBackground() = default;
  virtual ~SimpleBackground();
  SimpleBackground(const SimpleBackground&) = delete;
  SimpleBackground& operator=(const SimpleBackground&) = delete;

  void SetDevice(IDirect3DDevice9* device) { device_ = device; }
  void CreateSky(const D3DXVECTOR3& upper, float intensity, float radius, const D3DXVECTOR3& lower);
  // index 0 or 1; direction is the light's travel direction, the body sits
  // opposite it. Brighter bodies are bigger, between the two radii.
  void CreateCelestial(int index, const D3DXVECTOR3& direction, const D3DXCOLOR& colour, float intensity,
                       float maxRadius, float minRadius, float distance);
  void Draw(const D3DXVECTOR3& eye);
  void Release();

  ID3DXMesh* GetSky() const { return sky_; }
  ID3DXMesh* GetCelestial(int index) const { return index == 0 || index == 1 ? celestial_[index] : nullptr; }

  // The sky's colour at normalised height h (0 bottom, 1 top), for the
  // intensity-scaled upper and lower colours.
  static D3DXVECTOR3 SkyColour(float h, const D3DXVECTOR3& upper, const D3DXVECTOR3& lower);

 private:
  IDirect3DDevice9* device_ = nullptr;
  ID3DXMesh* sky_ = nullptr;
  ID3DXMesh* celestial_[2] = {nullptr, nullptr};
};
