// Meshes (.x, in the text, binary or compressed form): the form, counts,
// vertex layout, bounds and materials, as the loader reads them, or the
// failure.

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/d3dx9/D3dxMesh.h"
#include "tools/inspect/HeadlessRenderer.h"
#include "tools/inspect/Inspectors.h"

namespace {

const char* UsageName(BYTE usage) {
  switch (usage) {
    case D3DDECLUSAGE_POSITION: return "position";
    case D3DDECLUSAGE_BLENDWEIGHT: return "blend weight";
    case D3DDECLUSAGE_BLENDINDICES: return "blend indices";
    case D3DDECLUSAGE_NORMAL: return "normal";
    case D3DDECLUSAGE_TEXCOORD: return "texcoord";
    case D3DDECLUSAGE_TANGENT: return "tangent";
    case D3DDECLUSAGE_BINORMAL: return "binormal";
    case D3DDECLUSAGE_COLOR: return "colour";
    default: return "other";
  }
}

// The largest distance of a vertex position from the origin.
float BoundingRadius(ID3DXMesh* mesh) {
  void* data = nullptr;
  if (FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data))) return 0.0f;
  const DWORD stride = mesh->GetNumBytesPerVertex();
  float radius = 0.0f;
  for (DWORD i = 0; i < mesh->GetNumVertices(); ++i) {
    float p[3];
    std::memcpy(p, static_cast<const std::uint8_t*>(data) + static_cast<std::size_t>(i) * stride, sizeof(p));
    radius = std::fmax(radius, std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]));
  }
  mesh->UnlockVertexBuffer();
  return radius;
}

// The encoding named by the file's header, e.g. "binary, 32-bit floats".
std::string FormOf(const char* path) {
  char header[17] = {};
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return "unreadable";
  const std::size_t read = std::fread(header, 1, 16, file);
  std::fclose(file);
  if (read < 16 || std::memcmp(header, "xof ", 4) != 0) return "not a .x file";
  const std::string format(header + 8, 4);
  const char* name = format == "txt " ? "text"
                     : format == "bin " ? "binary"
                     : format == "tzip" ? "compressed text"
                     : format == "bzip" ? "compressed binary"
                                        : "unknown form";
  return std::string(name) + ", " + (std::memcmp(header + 12, "0064", 4) == 0 ? "64" : "32") + "-bit floats";
}

}  // namespace

int InspectMesh(const char* path) {
  HeadlessRenderer headless;
  if (!headless.Start(false)) return 1;
  ID3DXMesh* mesh = nullptr;
  ID3DXBuffer* materials = nullptr;
  DWORD materialCount = 0;
  std::printf("%s: %s\n", path, FormOf(path).c_str());
  const HRESULT hr = D3DXLoadMeshFromXA(path, D3DXMESH_SYSTEMMEM, headless.Renderer().GetDevice(), nullptr,
                                        &materials, nullptr, &materialCount, &mesh);
  if (FAILED(hr) || mesh == nullptr) {
    std::printf("%s: Failed to load mesh file (0x%08X)\n", path, static_cast<unsigned>(hr));
    return 1;
  }
  std::printf("%s: %lu vertices, %lu faces, %lu materials, %lu bytes a vertex, bounding radius %.3f\n", path,
              static_cast<unsigned long>(mesh->GetNumVertices()), static_cast<unsigned long>(mesh->GetNumFaces()),
              static_cast<unsigned long>(materialCount), static_cast<unsigned long>(mesh->GetNumBytesPerVertex()),
              static_cast<double>(BoundingRadius(mesh)));
  D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
  if (SUCCEEDED(mesh->GetDeclaration(declaration))) {
    std::printf("  layout:");
    for (int i = 0; i < MAX_FVF_DECL_SIZE && declaration[i].Stream != 0xFF; ++i) {
      std::printf(" %s%u@%u", UsageName(declaration[i].Usage), declaration[i].UsageIndex, declaration[i].Offset);
    }
    std::printf("\n");
  }
  if (materials != nullptr) {
    const auto* list = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
    for (DWORD i = 0; i < materialCount; ++i) {
      std::printf("  material %lu: %s\n", static_cast<unsigned long>(i),
                  list[i].pTextureFilename != nullptr ? list[i].pTextureFilename : "(no file)");
    }
    materials->Release();
  }
  mesh->Release();
  return 0;
}
