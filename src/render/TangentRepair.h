#pragma once
// Repair of tangents that the tangent-frame computation left degenerate
// (faces without texture orientation, singular points): they are rebuilt
// from the tangents of their faces and of co-located vertices.

#include "platform/d3dx9/D3dxMesh.h"

// The mesh must have the prepared layout: position at 0, normal at 12,
// tangent at 24, first texture coordinates at 36. False only when a buffer
// cannot be locked.
bool RepairDegenerateTangents(ID3DXMesh* mesh);

// The normalised direction of increasing U on a triangle, or false when the
// triangle has no usable texture orientation (zero or mirrored).
bool ComputeFaceTangent(const D3DXVECTOR3 positions[3], const D3DXVECTOR2 uvs[3], D3DXVECTOR3* tangent);
