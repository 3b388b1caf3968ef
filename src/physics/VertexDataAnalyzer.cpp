#include "physics/VertexDataAnalyzer.h"

#include <cstring>

namespace PeLocal {

bool VertexDataAnalyzer::Analyze() {
  positionOffset = -1;
  vertexSize = 0;
  if (declaration == nullptr) return false;
  const D3DVERTEXELEMENT9* position = nullptr;
  // At most MAXD3DDECLLENGTH elements and the end marker.
  for (int i = 0; i < MAX_FVF_DECL_SIZE; ++i) {
    const D3DVERTEXELEMENT9& e = declaration[i];
    if (e.Stream == 0xFF && e.Type == D3DDECLTYPE_UNUSED) break;
    if (e.Stream == 0 && e.Usage == D3DDECLUSAGE_POSITION && e.UsageIndex == 0) position = &e;
  }
  vertexSize = D3DXGetDeclVertexSize(declaration, 0);
  if (position == nullptr) return false;
  positionOffset = position->Offset;
  return position->Type == D3DDECLTYPE_FLOAT3 || position->Type == D3DDECLTYPE_FLOAT4;
}

D3DXVECTOR3 VertexDataAnalyzer::Position(DWORD i) const {
  float p[3];
  std::memcpy(p, vertices + static_cast<std::size_t>(i) * vertexSize + positionOffset, sizeof(p));
  return D3DXVECTOR3(p[0], p[1], p[2]);
}

}  // namespace PeLocal
