#pragma once
// A .x file's tokens read into plain records: one per Mesh object with the
// frame transform it sits under, its polygons, normals with their own face
// indices, texture coordinates, DeclData channels and materials. Counts are
// checked against the bytes left before anything is allocated.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/d3dx9/D3dxMesh.h"

namespace d3dx {

struct Matrix {
  float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};

struct Material {
  D3DMATERIAL9 material{};
  std::string texture;
  bool hasTexture = false;
};

struct DeclChannel {
  D3DVERTEXELEMENT9 element;  // Offset: byte offset inside the file's per-vertex DWORDs
};

struct FileMesh {
  Matrix world;
  std::uint32_t vertexCount = 0;
  std::vector<float> positions;
  std::vector<std::uint32_t> faceSizes;
  std::vector<std::uint32_t> faceIndices;
  bool hasNormals = false;
  std::vector<float> normals;
  std::vector<std::uint32_t> normalIndices;  // laid out like faceIndices
  bool hasUv = false;
  std::vector<float> uv;
  std::vector<DeclChannel> channels;
  std::uint32_t channelDwords = 0;
  std::vector<std::uint32_t> channelData;
  bool hasMaterials = false;
  std::vector<std::uint32_t> faceMaterials;
  std::vector<Material> materials;
};

// The size of a declaration type in bytes, 0 for types not handled.
UINT DeclTypeSize(BYTE type);

class XFileTokenSource;

// Parses the tokens after the 16-byte header; false on anything malformed.
bool ParseXFile(XFileTokenSource& tokens, std::vector<FileMesh>* meshes);

}  // namespace d3dx
