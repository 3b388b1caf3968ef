#pragma once
// A fixed-size list of debug lines gathered while the game updates, kept for
// the debug draw system to take over each frame. Lines beyond the capacity
// are dropped: gathering never allocates.

#include <cstdint>

#include "platform/d3dx9/D3dxMath.h"

struct PhysicsDebugLine {
  D3DXVECTOR3 from;
  D3DXVECTOR3 to;
  std::uint32_t color = 0;  // ARGB
  std::int32_t holdFrames = 0;
};

template <int Capacity>
class PhysicsDebugLines {
 public:
  void Clear() { count_ = 0; }
  void Add(const D3DXVECTOR3& from, const D3DXVECTOR3& to, std::uint32_t color, std::int32_t holdFrames) {
    if (count_ >= Capacity) return;
    lines_[count_++] = PhysicsDebugLine{from, to, color, holdFrames};
  }
  int Count() const { return count_; }
  const PhysicsDebugLine& operator[](int index) const { return lines_[index]; }

 private:
  PhysicsDebugLine lines_[Capacity];
  int count_ = 0;
};
