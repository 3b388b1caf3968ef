// D3DXLoadMeshFromX for the .x text, binary and MSZIP-compressed forms, 32-
// or 64-bit floats: the parsed meshes joined into one mesh with their frame
// transforms applied, polygons as triangle fans, vertices split where their
// normals differ (copies after all of the file's vertices), materials
// concatenated. Every form goes through one parser, so the same content
// gives the same mesh whatever its encoding.

#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/d3dx9/D3dxMesh.h"
#include "platform/d3dx9/D3dxTexture.h"
#include "platform/d3dx9/XFileBinaryTokenizer.h"
#include "platform/d3dx9/XFileCompression.h"
#include "platform/d3dx9/XFileParser.h"
#include "platform/d3dx9/XFileTokenizer.h"

namespace {

using d3dx::DeclChannel;
using d3dx::FileMesh;
using d3dx::Material;
using d3dx::Matrix;

constexpr std::size_t kMaxFileSize = std::size_t{1} << 30;

UINT ElementSize(BYTE type) { return d3dx::DeclTypeSize(type); }

void Transform(const float* in, const float m[16], bool point, float* out) {
  for (int j = 0; j < 3; ++j) {
    out[j] = in[0] * m[j] + in[1] * m[4 + j] + in[2] * m[8 + j] + (point ? m[12 + j] : 0.0f);
  }
}

void Normalize(float* v) {
  const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (length > 0.0f) {
    for (int k = 0; k < 3; ++k) v[k] /= length;
  }
}

// Normals go through the inverse transpose of the upper 3x3: the cofactor
// matrix, with the determinant's sign.
Matrix NormalMatrix(const Matrix& world) {
  const float* m = world.m;
  auto at = [&](int r, int c) { return m[r * 4 + c]; };
  Matrix n;
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) {
      const int r1 = (r + 1) % 3, r2 = (r + 2) % 3, c1 = (c + 1) % 3, c2 = (c + 2) % 3;
      n.m[r * 4 + c] = at(r1, c1) * at(r2, c2) - at(r1, c2) * at(r2, c1);
    }
  }
  const float det = at(0, 0) * n.m[0] + at(0, 1) * n.m[1] + at(0, 2) * n.m[2];
  if (det < 0.0f) {
    for (float& value : n.m) value = -value;
  }
  return n;
}

HRESULT Build(std::vector<FileMesh>& meshes, DWORD options, IDirect3DDevice9* device, ID3DXBuffer** adjacency,
              ID3DXBuffer** materialsOut, DWORD* numMaterials, ID3DXMesh** out) {
  // Declaration: position, normal, first texture coordinates, DeclData channels.
  std::vector<D3DVERTEXELEMENT9> declaration;
  WORD offset = 0;
  auto add = [&](BYTE type, BYTE usage, BYTE index) {
    for (const D3DVERTEXELEMENT9& e : declaration) {
      if (e.Usage == usage && e.UsageIndex == index) return;
    }
    if (declaration.size() + 1 >= MAXD3DDECLLENGTH) return;
    declaration.push_back(D3DVERTEXELEMENT9{0, offset, type, D3DDECLMETHOD_DEFAULT, usage, index});
    offset = static_cast<WORD>(offset + ElementSize(type));
  };
  add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0);
  bool anyMaterials = false;
  for (const FileMesh& mesh : meshes) {
    if (mesh.hasNormals) add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL, 0);
    anyMaterials = anyMaterials || mesh.hasMaterials;
  }
  for (const FileMesh& mesh : meshes) {
    if (mesh.hasUv) add(D3DDECLTYPE_FLOAT2, D3DDECLUSAGE_TEXCOORD, 0);
  }
  for (const FileMesh& mesh : meshes) {
    for (const DeclChannel& c : mesh.channels) add(c.element.Type, c.element.Usage, c.element.UsageIndex);
  }
  auto find = [&](BYTE usage, BYTE index) -> const D3DVERTEXELEMENT9* {
    for (const D3DVERTEXELEMENT9& e : declaration) {
      if (e.Usage == usage && e.UsageIndex == index) return &e;
    }
    return nullptr;
  };
  declaration.push_back(D3DVERTEXELEMENT9 D3DDECL_END());
  const UINT stride = offset;

  // Vertices: every file vertex in file order, then the split copies.
  struct Source {
    std::uint32_t mesh;
    std::uint32_t vertex;
    std::uint32_t normal;  // index into the mesh's normals, or ~0
  };
  std::vector<Source> sources;
  std::vector<std::uint32_t> bases;
  for (std::uint32_t m = 0; m < meshes.size(); ++m) {
    bases.push_back(static_cast<std::uint32_t>(sources.size()));
    for (std::uint32_t v = 0; v < meshes[m].vertexCount; ++v) sources.push_back(Source{m, v, ~0u});
    if (sources.size() > 0x3FFFFFFFu) return E_OUTOFMEMORY;
  }
  std::vector<Source> splits;
  std::map<std::pair<std::uint32_t, std::uint32_t>, std::uint32_t> splitOf;  // (vertex, normal) -> copy
  std::vector<std::uint32_t> triangles;
  std::vector<DWORD> attributes;
  std::vector<Material> materials;
  for (std::uint32_t m = 0; m < meshes.size(); ++m) {
    FileMesh& mesh = meshes[m];
    const std::uint32_t firstMaterial = static_cast<std::uint32_t>(materials.size());
    if (mesh.hasMaterials) {
      materials.insert(materials.end(), mesh.materials.begin(), mesh.materials.end());
    } else if (anyMaterials) {
      Material plain;
      plain.material.Diffuse = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 1.0f};
      materials.push_back(plain);
    }
    std::size_t corner = 0;
    for (std::uint32_t f = 0; f < mesh.faceSizes.size(); ++f) {
      const std::uint32_t size = mesh.faceSizes[f];
      std::vector<std::uint32_t> polygon(size);
      for (std::uint32_t c = 0; c < size; ++c, ++corner) {
        std::uint32_t vertex = bases[m] + mesh.faceIndices[corner];
        if (mesh.hasNormals) {
          const std::uint32_t normal = mesh.normalIndices[corner];
          Source& first = sources[vertex];
          const float* a = &mesh.normals[static_cast<std::size_t>(normal) * 3];
          if (first.normal == ~0u) {
            first.normal = normal;
          } else if (first.normal != normal &&
                     std::memcmp(a, &mesh.normals[static_cast<std::size_t>(first.normal) * 3], 12) != 0) {
            const auto key = std::make_pair(vertex, normal);
            const auto found = splitOf.find(key);
            if (found != splitOf.end()) {
              vertex = found->second;
            } else {
              splits.push_back(Source{m, mesh.faceIndices[corner], normal});
              vertex = splitOf[key] = static_cast<std::uint32_t>(splits.size() - 1);
            }
            vertex |= 0x80000000u;  // a split copy, numbered once all file vertices are known
          }
        }
        polygon[c] = vertex;
      }
      const DWORD attribute = mesh.hasMaterials ? firstMaterial + mesh.faceMaterials[f] : firstMaterial;
      for (std::uint32_t c = 1; c + 1 < size; ++c) {
        triangles.insert(triangles.end(), {polygon[0], polygon[c], polygon[c + 1]});
        attributes.push_back(anyMaterials ? attribute : 0);
      }
    }
  }
  const std::uint32_t fileVertices = static_cast<std::uint32_t>(sources.size());
  for (std::uint32_t& index : triangles) {
    if (index & 0x80000000u) index = fileVertices + (index & 0x7FFFFFFFu);
  }
  sources.insert(sources.end(), splits.begin(), splits.end());
  if (sources.empty() || triangles.empty()) return D3DXERR_INVALIDDATA;

  ID3DXMesh* mesh = nullptr;
  const DWORD meshOptions = sources.size() > 0xFFFFu ? options | D3DXMESH_32BIT : options;
  HRESULT result = D3DXCreateMesh(static_cast<DWORD>(triangles.size() / 3), static_cast<DWORD>(sources.size()),
                                  meshOptions, declaration.data(), device, &mesh);
  if (result != D3D_OK) return result;
  const D3DVERTEXELEMENT9* normalElement = find(D3DDECLUSAGE_NORMAL, 0);
  const D3DVERTEXELEMENT9* uvElement = find(D3DDECLUSAGE_TEXCOORD, 0);
  std::uint8_t* vertices = mesh->Vertices().data();
  std::vector<Matrix> normalMatrices;
  for (const FileMesh& m : meshes) normalMatrices.push_back(NormalMatrix(m.world));
  for (std::size_t v = 0; v < sources.size(); ++v) {
    const Source& s = sources[v];
    const FileMesh& m = meshes[s.mesh];
    std::uint8_t* out = vertices + v * stride;
    float value[3];
    Transform(&m.positions[static_cast<std::size_t>(s.vertex) * 3], m.world.m, true, value);
    std::memcpy(out, value, 12);
    if (m.hasUv) std::memcpy(out + uvElement->Offset, &m.uv[static_cast<std::size_t>(s.vertex) * 2], 8);
    for (const DeclChannel& c : m.channels) {
      const D3DVERTEXELEMENT9* e = find(c.element.Usage, c.element.UsageIndex);
      if (e == nullptr || e->Type != c.element.Type) continue;
      const std::uint8_t* in = reinterpret_cast<const std::uint8_t*>(m.channelData.data()) +
                               static_cast<std::size_t>(s.vertex) * m.channelDwords * 4 + c.element.Offset;
      std::memcpy(out + e->Offset, in, ElementSize(e->Type));
      const bool direction = e->Usage == D3DDECLUSAGE_TANGENT || e->Usage == D3DDECLUSAGE_BINORMAL ||
                             e->Usage == D3DDECLUSAGE_NORMAL;
      if (direction && e->Type == D3DDECLTYPE_FLOAT3) {
        float d[3];
        std::memcpy(d, in, 12);
        Transform(d, (e->Usage == D3DDECLUSAGE_NORMAL ? normalMatrices[s.mesh] : m.world).m, false, value);
        Normalize(value);
        std::memcpy(out + e->Offset, value, 12);
      }
    }
    if (m.hasNormals && s.normal != ~0u) {
      Transform(&m.normals[static_cast<std::size_t>(s.normal) * 3], normalMatrices[s.mesh].m, false, value);
      Normalize(value);
      std::memcpy(out + normalElement->Offset, value, 12);
    }
  }
  for (std::size_t i = 0; i < triangles.size(); ++i) mesh->SetIndex(static_cast<DWORD>(i), triangles[i]);
  mesh->Attributes() = attributes;

  ID3DXBuffer* adjacencyBuffer = nullptr;
  ID3DXBuffer* materialBuffer = nullptr;
  if (adjacency != nullptr) {
    result = D3DXCreateBuffer(mesh->GetNumFaces() * 3 * sizeof(DWORD), &adjacencyBuffer);
    if (result == D3D_OK) {
      result = mesh->GenerateAdjacency(0.0f, static_cast<DWORD*>(adjacencyBuffer->GetBufferPointer()));
    }
  }
  if (result == D3D_OK && materialsOut != nullptr && !materials.empty()) {
    // The names follow the array inside the same buffer.
    std::size_t size = materials.size() * sizeof(D3DXMATERIAL);
    for (const Material& m : materials) size += m.hasTexture ? m.texture.size() + 1 : 0;
    result = D3DXCreateBuffer(static_cast<DWORD>(size), &materialBuffer);
    if (result == D3D_OK) {
      char* base = static_cast<char*>(materialBuffer->GetBufferPointer());
      auto* array = reinterpret_cast<D3DXMATERIAL*>(base);
      char* names = base + materials.size() * sizeof(D3DXMATERIAL);
      for (std::size_t i = 0; i < materials.size(); ++i) {
        array[i].MatD3D = materials[i].material;
        array[i].pTextureFilename = nullptr;
        if (materials[i].hasTexture) {
          std::memcpy(names, materials[i].texture.c_str(), materials[i].texture.size() + 1);
          array[i].pTextureFilename = names;
          names += materials[i].texture.size() + 1;
        }
      }
    }
  }
  if (result != D3D_OK) {
    if (adjacencyBuffer != nullptr) adjacencyBuffer->Release();
    if (materialBuffer != nullptr) materialBuffer->Release();
    mesh->Release();
    return result;
  }
  if (adjacency != nullptr) *adjacency = adjacencyBuffer;
  if (materialsOut != nullptr) *materialsOut = materialBuffer;
  if (numMaterials != nullptr) *numMaterials = static_cast<DWORD>(materials.size());
  *out = mesh;
  return D3D_OK;
}

// The body after the header in its own encoding.
bool ParseBody(const std::uint8_t* body, std::size_t size, bool binary, std::size_t floatBytes,
               std::vector<FileMesh>* meshes) {
  if (binary) {
    d3dx::XFileBinaryTokenizer tokens(body, size, floatBytes);
    return d3dx::ParseXFile(tokens, meshes);
  }
  d3dx::XFileTokenizer tokens(reinterpret_cast<const char*>(body), size);
  return d3dx::ParseXFile(tokens, meshes);
}

// Header: "xof ", a version of four characters, the format ("txt ", "bin ",
// "tzip" or "bzip"), the float size ("0032" or "0064").
bool ParseFile(const std::uint8_t* data, std::size_t size, std::vector<FileMesh>* meshes) {
  if (size < 16 || std::memcmp(data, "xof ", 4) != 0) return false;
  const char* format = reinterpret_cast<const char*>(data + 8);
  const char* floats = reinterpret_cast<const char*>(data + 12);
  if (std::memcmp(floats, "0032", 4) != 0 && std::memcmp(floats, "0064", 4) != 0) return false;
  const std::size_t floatBytes = floats[1] == '0' && floats[2] == '6' ? 8 : 4;
  const bool text = std::memcmp(format, "txt ", 4) == 0;
  const bool binary = std::memcmp(format, "bin ", 4) == 0;
  const bool compressedText = std::memcmp(format, "tzip", 4) == 0;
  const bool compressedBinary = std::memcmp(format, "bzip", 4) == 0;
  if (text || binary) return ParseBody(data + 16, size - 16, binary, floatBytes, meshes);
  if (!compressedText && !compressedBinary) return false;
  std::string body;
  if (!d3dx::InflateXFileBody(data + 16, size - 16, &body)) return false;
  return ParseBody(reinterpret_cast<const std::uint8_t*>(body.data()), body.size(), compressedBinary, floatBytes,
                   meshes);
}

}  // namespace

HRESULT D3DXLoadMeshFromXInMemory(LPCVOID data, DWORD size, DWORD options, IDirect3DDevice9* device,
                                  ID3DXBuffer** adjacency, ID3DXBuffer** materials, ID3DXBuffer** effectInstances,
                                  DWORD* numMaterials, ID3DXMesh** mesh) {
  if (mesh == nullptr || (data == nullptr && size > 0)) return D3DERR_INVALIDCALL;
  *mesh = nullptr;
  if (adjacency != nullptr) *adjacency = nullptr;
  if (materials != nullptr) *materials = nullptr;
  if (effectInstances != nullptr) *effectInstances = nullptr;
  if (numMaterials != nullptr) *numMaterials = 0;
  std::vector<FileMesh> meshes;
  if (!ParseFile(static_cast<const std::uint8_t*>(data), size, &meshes) || meshes.empty()) return D3DXERR_INVALIDDATA;
  return Build(meshes, options, device, adjacency, materials, numMaterials, mesh);
}

HRESULT D3DXLoadMeshFromXA(LPCSTR fileName, DWORD options, IDirect3DDevice9* device, ID3DXBuffer** adjacency,
                           ID3DXBuffer** materials, ID3DXBuffer** effectInstances, DWORD* numMaterials,
                           ID3DXMesh** mesh) {
  if (fileName == nullptr || mesh == nullptr) return D3DERR_INVALIDCALL;
  *mesh = nullptr;
  std::ifstream file(fileName, std::ios::binary | std::ios::ate);
  if (!file) return E_FAIL;
  const std::streamoff length = file.tellg();
  if (length < 0 || static_cast<std::uint64_t>(length) > kMaxFileSize) return E_FAIL;
  std::string contents(static_cast<std::size_t>(length), '\0');
  file.seekg(0);
  if (!file.read(contents.data(), length)) return E_FAIL;
  return D3DXLoadMeshFromXInMemory(contents.data(), static_cast<DWORD>(contents.size()), options, device, adjacency,
                                   materials, effectInstances, numMaterials, mesh);
}
