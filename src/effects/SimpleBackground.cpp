#include "effects/SimpleBackground.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr DWORD kColourVertexFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;

struct ColourVertex {
  float x, y, z;
  D3DCOLOR colour;
};

D3DXVECTOR3 Shift(const D3DXVECTOR3& c, float scale, float add) {
  return D3DXVECTOR3(c.x * scale + add, c.y * scale + add, c.z * scale + add);
}

D3DXVECTOR3 Mix(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float t) { return a + (b - a) * t; }

D3DCOLOR Pack(const D3DXVECTOR3& c, float alpha) { return D3DXCOLOR(c.x, c.y, c.z, alpha); }

// A sphere in a managed buffer of position and colour, or null.
ID3DXMesh* CreateColourSphere(IDirect3DDevice9* device, float radius, UINT slices, UINT stacks) {
  if (device == nullptr) return nullptr;
  ID3DXMesh* sphere = nullptr;
  if (FAILED(D3DXCreateSphere(device, radius, slices, stacks, &sphere, nullptr))) return nullptr;
  ID3DXMesh* coloured = nullptr;
  const HRESULT cloned = sphere->CloneMeshFVF(D3DXMESH_MANAGED, kColourVertexFvf, device, &coloured);
  sphere->Release();
  return SUCCEEDED(cloned) ? coloured : nullptr;
}

void ReleaseMesh(ID3DXMesh*& mesh) {
  if (mesh != nullptr) mesh->Release();
  mesh = nullptr;
}

}  // namespace

SimpleBackground::~SimpleBackground() { Release(); }

D3DXVECTOR3 SimpleBackground::SkyColour(float h, const D3DXVECTOR3& upper, const D3DXVECTOR3& lower) {
  const D3DXVECTOR3 bottom = Shift(lower, 0.9f, -0.04f);
  const D3DXVECTOR3 belowHorizon = Shift(lower, 1.15f, 0.06f);
  const D3DXVECTOR3 aboveHorizon = Shift(upper, 1.15f, 0.06f);
  const D3DXVECTOR3 top = Shift(upper, 0.85f, -0.06f);
  if (h <= 0.35f) return Mix(bottom, lower, h / 0.35f);
  if (h <= 0.5f) return Mix(lower, belowHorizon, (h - 0.35f) / 0.15f);
  if (h <= 0.65f) return Mix(aboveHorizon, upper, (h - 0.5f) / 0.15f);
  return Mix(upper, top, (h - 0.65f) / 0.35f);
}

void SimpleBackground::CreateSky(const D3DXVECTOR3& upper, float intensity, float radius, const D3DXVECTOR3& lower) {
  ReleaseMesh(sky_);
  sky_ = CreateColourSphere(device_, radius, 16, 23);
  if (sky_ == nullptr) return;
  const D3DXVECTOR3 u = upper * intensity;
  const D3DXVECTOR3 l = lower * intensity;
  void* data = nullptr;
  if (FAILED(sky_->LockVertexBuffer(0, &data))) return;
  auto* vertices = static_cast<ColourVertex*>(data);
  for (DWORD i = 0; i < sky_->GetNumVertices(); ++i) {
    ColourVertex& v = vertices[i];
    // The sphere's axis becomes the vertical; the mirror also turns its
    // faces inwards, towards the eye at the centre.
    std::swap(v.y, v.z);
    const float h = (v.y + radius) / (2.0f * radius);
    v.colour = Pack(SkyColour(h, u, l), 1.0f);
  }
  sky_->UnlockVertexBuffer();
}

void SimpleBackground::CreateCelestial(int index, const D3DXVECTOR3& direction, const D3DXCOLOR& colour,
                                       float intensity, float maxRadius, float minRadius, float distance) {
  if (index != 0 && index != 1) return;
  ReleaseMesh(celestial_[index]);
  const D3DXVECTOR3 c(colour.r * intensity, colour.g * intensity, colour.b * intensity);
  D3DXVECTOR3 unit;
  D3DXVec3Normalize(&unit, &direction);
  const D3DXVECTOR3 position = unit * -distance;
  const float brightest = std::max(c.x, std::max(c.y, c.z));
  const D3DCOLOR vertexColour = brightest > 0.0f ? Pack(c / brightest, brightest) : 0;
  const float radius = minRadius + (maxRadius - minRadius) * (c.x + c.y + c.z) / 3.0f;

  ID3DXMesh* body = CreateColourSphere(device_, radius, 16, 8);
  if (body == nullptr) return;
  void* data = nullptr;
  if (FAILED(body->LockVertexBuffer(0, &data))) {
    body->Release();
    return;
  }
  auto* vertices = static_cast<ColourVertex*>(data);
  for (DWORD i = 0; i < body->GetNumVertices(); ++i) {
    vertices[i].x += position.x;
    vertices[i].y += position.y;
    vertices[i].z += position.z;
    vertices[i].colour = vertexColour;
  }
  body->UnlockVertexBuffer();
  celestial_[index] = body;
}

void SimpleBackground::Draw(const D3DXVECTOR3& eye) {
  if (device_ == nullptr || sky_ == nullptr) return;
  DWORD depth = 0;
  DWORD lighting = 0;
  device_->GetRenderState(D3DRS_ZENABLE, &depth);
  device_->GetRenderState(D3DRS_LIGHTING, &lighting);
  device_->SetRenderState(D3DRS_ZENABLE, FALSE);
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  D3DXMATRIX world;
  D3DXMatrixTranslation(&world, eye.x, eye.y, eye.z);
  device_->SetTransform(D3DTS_WORLD, &world);
  device_->SetTexture(0, nullptr);
  sky_->DrawSubset(0);
  for (ID3DXMesh* body : celestial_) {
    if (body != nullptr) body->DrawSubset(0);
  }
  device_->SetRenderState(D3DRS_ZENABLE, depth);
  device_->SetRenderState(D3DRS_LIGHTING, lighting);
}

void SimpleBackground::Release() {
  ReleaseMesh(celestial_[1]);
  ReleaseMesh(celestial_[0]);
  ReleaseMesh(sky_);
}
