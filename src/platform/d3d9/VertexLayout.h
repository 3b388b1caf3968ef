#pragma once
// The memory layout of one vertex, from a flexible vertex format or a vertex
// declaration: which attributes it has, where, and in what type.

#include <array>
#include <cstdint>

#include "platform/d3d9/D3d9Structs.h"
#include "platform/d3d9/VertexAttributes.h"

namespace d3d9 {

struct AttributeFormat {
  bool present = false;
  std::uint8_t components = 0;  // 1-4; for bytes stored BGRA, 4 with bgra set
  bool normalized = false;
  bool bgra = false;            // D3DCOLOR: bytes in memory are B, G, R, A
  unsigned glType = 0;          // GL_FLOAT, GL_UNSIGNED_BYTE, GL_SHORT, ...
  std::uint16_t offset = 0;
};

struct VertexLayout {
  std::array<AttributeFormat, kAttribCount> attributes{};
  UINT stride = 0;          // natural size of one vertex
  bool pretransformed = false;
  int texCoordCount = 0;
  int blendWeightCount = 0;  // floats of blend weight in the vertex

  bool Has(VertexAttribute a) const { return attributes[a].present; }
  bool operator==(const VertexLayout& other) const;
  bool operator!=(const VertexLayout& other) const { return !(*this == other); }
};

// False for formats with no position.
bool LayoutFromFvf(DWORD fvf, VertexLayout* layout);
bool LayoutFromDeclaration(const D3DVERTEXELEMENT9* elements, std::size_t count, VertexLayout* layout);

// Vertex count of a primitive count, and the GL primitive mode.
UINT VertexCountOf(D3DPRIMITIVETYPE type, UINT primitiveCount);
unsigned GlPrimitiveOf(D3DPRIMITIVETYPE type);

}  // namespace d3d9
