// VertexDataAccessor: attribute offsets from a vertex declaration.

#include "render/VertexDataAccessor.h"

namespace {

constexpr int kMaxElements = 65;  // MAXD3DDECLLENGTH plus the end marker

bool IsEnd(const D3DVERTEXELEMENT9& e) { return e.Stream == 0xFF && e.Type == D3DDECLTYPE_UNUSED; }

}  // namespace

bool VertexDataAccessor::Analyze(int slot, BYTE usage) {
  if (slot < 0 || slot >= kSlotCount || declaration_ == nullptr) return false;
  offset_[slot] = -1;
  for (int i = 0; i < kMaxElements && !IsEnd(declaration_[i]); ++i) {
    if (declaration_[i].Usage == usage && declaration_[i].UsageIndex == 0) offset_[slot] = declaration_[i].Offset;
  }
  vertexSize_[slot] = D3DXGetDeclVertexSize(declaration_, 0);
  return offset_[slot] >= 0;
}
