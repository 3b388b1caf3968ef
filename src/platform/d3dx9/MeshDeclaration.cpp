// Vertex declarations of meshes: sizes, flexible vertex formats, creation.

#include <cstddef>

#include "platform/d3dx9/D3dxMesh.h"

namespace {

UINT TypeSize(BYTE type) {
  switch (type) {
    case D3DDECLTYPE_FLOAT1: return 4;
    case D3DDECLTYPE_FLOAT2: return 8;
    case D3DDECLTYPE_FLOAT3: return 12;
    case D3DDECLTYPE_FLOAT4: return 16;
    case D3DDECLTYPE_D3DCOLOR:
    case D3DDECLTYPE_UBYTE4:
    case D3DDECLTYPE_SHORT2:
    case D3DDECLTYPE_UBYTE4N:
    case D3DDECLTYPE_SHORT2N:
    case D3DDECLTYPE_USHORT2N:
    case D3DDECLTYPE_FLOAT16_2: return 4;
    case D3DDECLTYPE_SHORT4:
    case D3DDECLTYPE_SHORT4N:
    case D3DDECLTYPE_USHORT4N:
    case D3DDECLTYPE_FLOAT16_4: return 8;
    default: return 0;
  }
}

}  // namespace

UINT D3DXGetDeclLength(const D3DVERTEXELEMENT9* declaration) {
  if (declaration == nullptr) return 0;
  UINT length = 0;
  while (length < MAXD3DDECLLENGTH && declaration[length].Stream != 0xFF) ++length;
  return length;
}

UINT D3DXGetDeclVertexSize(const D3DVERTEXELEMENT9* declaration, DWORD stream) {
  const UINT length = D3DXGetDeclLength(declaration);
  UINT size = 0;
  for (UINT i = 0; i < length; ++i) {
    const D3DVERTEXELEMENT9& e = declaration[i];
    if (e.Stream != stream) continue;
    const UINT end = e.Offset + TypeSize(e.Type);
    if (end > size) size = end;
  }
  return size;
}

HRESULT D3DXDeclaratorFromFVF(DWORD fvf, D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]) {
  if (declaration == nullptr) return D3DERR_INVALIDCALL;
  UINT n = 0;
  WORD offset = 0;
  auto add = [&](BYTE type, BYTE usage, BYTE index) {
    declaration[n++] = D3DVERTEXELEMENT9{0, offset, type, D3DDECLMETHOD_DEFAULT, usage, index};
    offset = static_cast<WORD>(offset + TypeSize(type));
  };
  const DWORD position = fvf & D3DFVF_POSITION_MASK;
  if (position == D3DFVF_XYZRHW) {
    add(D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_POSITIONT, 0);
  } else if (position >= D3DFVF_XYZ && position <= D3DFVF_XYZB4) {
    add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0);
    const int weights = static_cast<int>((position - D3DFVF_XYZ) / 2);
    if (weights > 0) add(static_cast<BYTE>(D3DDECLTYPE_FLOAT1 + weights - 1), D3DDECLUSAGE_BLENDWEIGHT, 0);
  } else {
    return D3DERR_INVALIDCALL;
  }
  if (fvf & D3DFVF_NORMAL) add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL, 0);
  if (fvf & D3DFVF_PSIZE) add(D3DDECLTYPE_FLOAT1, D3DDECLUSAGE_PSIZE, 0);
  if (fvf & D3DFVF_DIFFUSE) add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 0);
  if (fvf & D3DFVF_SPECULAR) add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 1);
  const DWORD textures = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
  if (textures > 8) return D3DERR_INVALIDCALL;
  for (DWORD t = 0; t < textures; ++t) {
    const DWORD format = (fvf >> (t * 2 + 16)) & 3;
    const BYTE type = format == D3DFVF_TEXTUREFORMAT1   ? D3DDECLTYPE_FLOAT1
                      : format == D3DFVF_TEXTUREFORMAT3 ? D3DDECLTYPE_FLOAT3
                      : format == D3DFVF_TEXTUREFORMAT4 ? D3DDECLTYPE_FLOAT4
                                                        : D3DDECLTYPE_FLOAT2;
    add(type, D3DDECLUSAGE_TEXCOORD, static_cast<BYTE>(t));
  }
  declaration[n] = D3DVERTEXELEMENT9 D3DDECL_END();
  return D3D_OK;
}

HRESULT D3DXCreateMesh(DWORD numFaces, DWORD numVertices, DWORD options, const D3DVERTEXELEMENT9* declaration,
                       IDirect3DDevice9* device, ID3DXMesh** mesh) {
  if (mesh == nullptr || declaration == nullptr || numFaces == 0 || numVertices == 0) return D3DERR_INVALIDCALL;
  *mesh = nullptr;
  const UINT length = D3DXGetDeclLength(declaration);
  if (length == 0 || length >= MAXD3DDECLLENGTH) return D3DERR_INVALIDCALL;
  for (UINT i = 0; i < length; ++i) {
    if (declaration[i].Stream != 0 || TypeSize(declaration[i].Type) == 0) return D3DERR_INVALIDCALL;
  }
  if (!(options & D3DXMESH_32BIT) && numVertices > 0x10000u) return D3DERR_INVALIDCALL;
  if (numFaces > 0x3FFFFFFFu) return E_OUTOFMEMORY;
  *mesh = new ID3DXMesh(numFaces, numVertices, options, declaration, device);
  return D3D_OK;
}

HRESULT D3DXCreateMeshFVF(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf, IDirect3DDevice9* device,
                          ID3DXMesh** mesh) {
  D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
  const HRESULT result = D3DXDeclaratorFromFVF(fvf, declaration);
  if (result != D3D_OK) return result;
  return D3DXCreateMesh(numFaces, numVertices, options, declaration, device, mesh);
}
