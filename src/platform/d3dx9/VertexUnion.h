#pragma once
// Sets of vertices that are one point, each represented by its lowest index
// (union-find with path halving).

#include <numeric>
#include <vector>

#include "platform/d3d9/D3d9Types.h"

namespace d3dx {

class VertexUnion {
 public:
  explicit VertexUnion(DWORD count) : parent_(count) { std::iota(parent_.begin(), parent_.end(), 0u); }

  // The lowest vertex of v's set.
  DWORD Find(DWORD v) {
    while (parent_[v] != v) v = parent_[v] = parent_[parent_[v]];
    return v;
  }
  void Join(DWORD a, DWORD b) {
    a = Find(a);
    b = Find(b);
    if (a < b) parent_[b] = a;
    if (b < a) parent_[a] = b;
  }

 private:
  std::vector<DWORD> parent_;
};

}  // namespace d3dx
