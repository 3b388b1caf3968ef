#pragma once
// Reads vertex attributes out of a locked vertex buffer by the buffer's
// vertex declaration: each of twelve slots remembers where one attribute
// sits in a vertex and how large a vertex is.

#include <cstdint>
#include <cstring>

#include "platform/d3dx9/D3dxMath.h"
#include "platform/d3dx9/D3dxMesh.h"

class VertexDataAccessor {
 public:
  static constexpr int kSlotCount = 12;

  VertexDataAccessor(const D3DVERTEXELEMENT9* declaration, const void* vertices)
      : declaration_(declaration), vertices_(static_cast<const std::uint8_t*>(vertices)) {}

  // Finds the attribute of the usage (usage index 0; the last such element
  // wins) for a slot and the stream-0 vertex size. False when the
  // declaration has no such element.
  bool Analyze(int slot, BYTE usage);

  // The attribute of a slot in vertex i as a 3-vector or 2-vector; the slot
  // must have been analysed successfully.
  D3DXVECTOR3 Vector3(int slot, std::uint32_t i) const { return Read<D3DXVECTOR3>(slot, i); }
  D3DXVECTOR2 Vector2(int slot, std::uint32_t i) const { return Read<D3DXVECTOR2>(slot, i); }

  UINT VertexSize(int slot) const { return vertexSize_[slot]; }
  int Offset(int slot) const { return offset_[slot]; }

 private:
  template <typename T>
  T Read(int slot, std::uint32_t i) const {
    T value;
    std::memcpy(&value, vertices_ + static_cast<std::size_t>(i) * vertexSize_[slot] + offset_[slot], sizeof(T));
    return value;
  }

  const D3DVERTEXELEMENT9* declaration_;
  const std::uint8_t* vertices_;
  UINT vertexSize_[kSlotCount] = {};
  int offset_[kSlotCount] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
};
