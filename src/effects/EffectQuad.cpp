#include "effects/EffectQuad.h"

#include <cstring>

namespace effects {

namespace {
struct QuadVertex {
  float x, y, z;
  float u, v;
};
static_assert(sizeof(QuadVertex) == kQuadStride, "the quad's stride");

constexpr QuadVertex kUnitQuad[4] = {
    {0.5f, 0.0f, -0.5f, 0.0f, 0.0f},
    {-0.5f, 0.0f, -0.5f, 1.0f, 0.0f},
    {-0.5f, 0.0f, 0.5f, 1.0f, 1.0f},
    {0.5f, 0.0f, 0.5f, 0.0f, 1.0f},
};
}  // namespace

bool CreateUnitQuad(IDirect3DDevice9* device, IDirect3DVertexBuffer9** buffer) {
  *buffer = nullptr;
  if (device == nullptr) return false;
  IDirect3DVertexBuffer9* created = nullptr;
  if (FAILED(device->CreateVertexBuffer(sizeof(kUnitQuad), 0, kQuadFvf, D3DPOOL_MANAGED, &created, nullptr))) {
    return false;
  }
  void* data = nullptr;
  if (FAILED(created->Lock(0, 0, &data, D3DLOCK_DISCARD)) || data == nullptr) {
    created->Release();
    return false;
  }
  std::memcpy(data, kUnitQuad, sizeof(kUnitQuad));
  if (FAILED(created->Unlock())) {
    created->Release();
    return false;
  }
  *buffer = created;
  return true;
}

void ScaleBasisRows(D3DXMATRIX* matrix, float s) {
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) matrix->m[row][column] *= s;
  }
}

}  // namespace effects
