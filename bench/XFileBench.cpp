// Loading the fighter's body and the level from memory in each .x form:
// text, binary and MSZIP-compressed binary, 32-bit floats. Every form is
// made from the generated text file and checked to load into the same
// mesh before it is timed. Run it from the folder that holds data/.

#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/d3dx9/D3dxMesh.h"
#include "platform/d3dx9/XFileEncoder.h"

namespace {

struct Form {
  const char* name;
  d3dx::XFileForm form;
};
const Form kForms[] = {{"text", d3dx::XFileForm::Text},
                       {"binary", d3dx::XFileForm::Binary},
                       {"compressed", d3dx::XFileForm::CompressedBinary}};
const char* const kFiles[] = {"./data/char/body.x", "./data/map/test_map.x"};

std::string ReadFile(const char* path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream contents;
  contents << file.rdbuf();
  return contents.str();
}

ID3DXMesh* Load(const std::string& file) {
  ID3DXMesh* mesh = nullptr;
  ID3DXBuffer* materials = nullptr;
  DWORD count = 0;
  if (FAILED(D3DXLoadMeshFromXInMemory(file.data(), static_cast<DWORD>(file.size()), D3DXMESH_MANAGED, nullptr,
                                       nullptr, &materials, nullptr, &count, &mesh))) {
    return nullptr;
  }
  if (materials != nullptr) materials->Release();
  return mesh;
}

std::string VertexBytes(ID3DXMesh* mesh) {
  void* data = nullptr;
  mesh->LockVertexBuffer(D3DLOCK_READONLY, &data);
  std::string bytes(static_cast<const char*>(data), mesh->GetNumVertices() * mesh->GetNumBytesPerVertex());
  mesh->UnlockVertexBuffer();
  for (DWORD i = 0; i < mesh->GetNumFaces() * 3; ++i) {
    const DWORD index = mesh->IndexAt(i);
    bytes.append(reinterpret_cast<const char*>(&index), sizeof(index));
  }
  return bytes;
}

void BM_LoadXFile(benchmark::State& state, const char* path, d3dx::XFileForm form) {
  const std::string text = ReadFile(path);
  std::string file;
  if (text.empty() || !d3dx::EncodeXFile(text, form, 32, &file)) {
    state.SkipWithError("no data here: run from the folder that holds data/");
    return;
  }
  ID3DXMesh* reference = Load(text);
  ID3DXMesh* encoded = Load(file);
  const bool same = reference != nullptr && encoded != nullptr && VertexBytes(reference) == VertexBytes(encoded);
  if (reference != nullptr) reference->Release();
  if (encoded != nullptr) encoded->Release();
  if (!same) {
    state.SkipWithError("the encoded file does not load into the text form's mesh");
    return;
  }
  for (auto _ : state) {
    ID3DXMesh* mesh = Load(file);
    benchmark::DoNotOptimize(mesh);
    mesh->Release();
  }
  state.counters["file_kB"] = static_cast<double>(file.size()) / 1024.0;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(file.size()));
}

const bool kRegistered = [] {
  for (const char* path : kFiles) {
    for (const Form& form : kForms) {
      const std::string name = std::string("LoadXFile/") + (std::strstr(path, "body") ? "body/" : "level/") + form.name;
      benchmark::RegisterBenchmark(name.c_str(), BM_LoadXFile, path, form.form)->Unit(benchmark::kMillisecond);
    }
  }
  return true;
}();

}  // namespace

BENCHMARK_MAIN();
