#pragma once
// D3DX mesh operations used while preparing meshes for drawing: tangent
// frames and cleaning for skinning.

#include "platform/d3dx9/D3dxMesh.h"

// D3DXComputeTangentFrameEx options.
constexpr DWORD D3DXTANGENT_WRAP_U = 0x01;
constexpr DWORD D3DXTANGENT_WRAP_V = 0x02;
constexpr DWORD D3DXTANGENT_WRAP_UV = 0x03;
constexpr DWORD D3DXTANGENT_DONT_NORMALIZE_PARTIALS = 0x04;
constexpr DWORD D3DXTANGENT_DONT_ORTHOGONALIZE = 0x08;
constexpr DWORD D3DXTANGENT_ORTHOGONALIZE_FROM_V = 0x010;
constexpr DWORD D3DXTANGENT_ORTHOGONALIZE_FROM_U = 0x020;
constexpr DWORD D3DXTANGENT_WEIGHT_BY_AREA = 0x040;
constexpr DWORD D3DXTANGENT_WEIGHT_EQUAL = 0x080;
constexpr DWORD D3DXTANGENT_WIND_CW = 0x0100;
constexpr DWORD D3DXTANGENT_CALCULATE_NORMALS = 0x0200;
constexpr DWORD D3DXTANGENT_GENERATE_IN_PLACE = 0x0400;

// "No output" for a semantic of D3DXComputeTangentFrameEx.
constexpr DWORD D3DX_DEFAULT = 0xFFFFFFFFu;

enum D3DXCLEANTYPE : DWORD {
  D3DXCLEAN_BACKFACING = 0x00000001,
  D3DXCLEAN_BOWTIES = 0x00000002,
  D3DXCLEAN_SKINNING = D3DXCLEAN_BACKFACING,
  D3DXCLEAN_OPTIMIZATION = D3DXCLEAN_BACKFACING,
  D3DXCLEAN_SIMPLIFICATION = D3DXCLEAN_BACKFACING | D3DXCLEAN_BOWTIES,
};

// Computes per-vertex tangents (the direction of increasing U of the given
// texture coordinates), binormals (increasing V) and, with
// D3DXTANGENT_CALCULATE_NORMALS, normals into the named elements of the
// mesh's declaration (D3DX_DEFAULT as a semantic: that output is not made).
// Named outputs must exist as FLOAT3 or FLOAT4 elements. Without
// CALCULATE_NORMALS the named normal element (or else NORMAL 0) is read as
// the vertex normal; a mesh without one has normals computed internally.
//
// Face normals follow D3D's clockwise front faces: normalize(cross(p1 - p0,
// p2 - p0)), negated with D3DXTANGENT_WIND_CW. A vertex's vectors are the
// sums of its faces' vectors weighted by the corner angle at the vertex
// (D3DXTANGENT_WEIGHT_BY_AREA, _WEIGHT_EQUAL change that), partials made
// perpendicular to the normal by Gram-Schmidt (U first, or V first with
// _ORTHOGONALIZE_FROM_V; none with _DONT_ORTHOGONALIZE).
//
// Faces around a vertex stay together across a shared edge unless the dot
// product of their unit partials (of an output asked for) falls below
// partialEdgeThreshold, or that of their face normals below
// normalEdgeThreshold when normals are computed; each group left gets its own
// copy of the vertex, appended after the input vertices. A vertex whose faces
// have no usable texture mapping, or whose weighted mean of unit partials is
// shorter than singularPointThreshold (the faces cancel out), or whose
// partial lies (nearly) along the normal, gets a zero vector: callers repair
// those from neighbours. The result is a new mesh (*meshOut; with
// D3DXTANGENT_GENERATE_IN_PLACE the input itself, no copies made, meshOut
// optional) and, when asked, a buffer of DWORDs holding the input vertex of
// every output vertex. Without adjacency, faces are joined at equal
// positions.
HRESULT D3DXComputeTangentFrameEx(ID3DXMesh* mesh, DWORD textureInSemantic, DWORD textureInIndex,
                                  DWORD uPartialOutSemantic, DWORD uPartialOutIndex, DWORD vPartialOutSemantic,
                                  DWORD vPartialOutIndex, DWORD normalOutSemantic, DWORD normalOutIndex,
                                  DWORD options, const DWORD* adjacency, FLOAT partialEdgeThreshold,
                                  FLOAT singularPointThreshold, FLOAT normalEdgeThreshold, ID3DXMesh** meshOut,
                                  ID3DXBuffer** vertexMapping);

// A copy of the mesh fit for the given use: every clean type gives faces
// that share a vertex but are not connected through edges around it their
// own copy of it (bowtie vertices), so each vertex belongs to one fan of
// faces; back-facing duplicates are left alone. Copies are appended after
// the input vertices, faces keep their order and corners, and adjacencyOut
// (3 DWORDs per face, optional) is the input adjacency, still valid. When
// nothing needs cleaning the result is a plain copy; either way the caller
// releases it and the input's reference count is unchanged. Without
// adjacencyIn, faces are joined at equal positions.
HRESULT D3DXCleanMesh(D3DXCLEANTYPE cleanType, ID3DXMesh* meshIn, const DWORD* adjacencyIn, ID3DXMesh** meshOut,
                      DWORD* adjacencyOut, ID3DXBuffer** errorsAndWarnings);
