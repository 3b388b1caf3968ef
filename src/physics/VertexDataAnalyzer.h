#pragma once
// Finds the vertex position in a locked vertex buffer through the buffer's
// Direct3D vertex declaration, for the shapes built from mesh vertices.

#include "platform/d3dx9/D3dxMath.h"
#include "platform/d3dx9/D3dxMesh.h"

namespace PeLocal {

struct VertexDataAnalyzer {
  VertexDataAnalyzer(const D3DVERTEXELEMENT9* declaration, const void* vertices)
      : declaration(declaration), vertices(static_cast<const BYTE*>(vertices)) {}

  // Records the offset of the last stream-0 position with usage index 0 and
  // the size of a stream-0 vertex. False when there is none or it is not
  // stored as at least three floats.
  bool Analyze();
  // The position of vertex i (after a successful Analyze).
  D3DXVECTOR3 Position(DWORD i) const;

  const D3DVERTEXELEMENT9* declaration;
  const BYTE* vertices;
  UINT vertexSize = 0;
  int positionOffset = -1;
};

}  // namespace PeLocal
