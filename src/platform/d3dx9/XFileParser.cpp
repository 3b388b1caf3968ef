// Parsing of the .x text format into FileMesh records.

#include "platform/d3dx9/XFileParser.h"

#include <map>
#include <utility>

#include "platform/d3dx9/XFileTokenSource.h"

namespace d3dx {

namespace {

using Kind = XFileTokenSource::Kind;

constexpr int kMaxDepth = 32;

Matrix Multiply(const Matrix& a, const Matrix& b) {
  Matrix r;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) sum += a.m[i * 4 + k] * b.m[k * 4 + j];
      r.m[i * 4 + j] = sum;
    }
  }
  return r;
}

class Parser {
 public:
  explicit Parser(XFileTokenSource& tokens) : tokens_(tokens) {}

  bool Parse() {
    while (true) {
      const Kind kind = tokens_.Next();
      if (kind == Kind::End) return true;
      if (kind != Kind::Name) return false;
      if (!Object(tokens_.Text(), Matrix(), 0)) return false;
    }
  }
  std::vector<FileMesh> meshes;

 private:
  // After the identifier: an optional name, '{' and an optional GUID.
  bool Open(std::string* name) {
    if (tokens_.Peek() == Kind::Name) {
      tokens_.Next();
      if (name != nullptr) *name = tokens_.Text();
    }
    if (!tokens_.Expect(Kind::Open)) return false;
    if (tokens_.Peek() == Kind::Guid) tokens_.Next();
    return true;
  }

  bool Object(std::string type, const Matrix& parent, int depth) {
    if (depth > kMaxDepth) return false;
    if (type == "template") {
      if (!tokens_.Expect(Kind::Name) || !tokens_.Expect(Kind::Open)) return false;
      return tokens_.SkipObject();
    }
    std::string name;
    if (!Open(&name)) return false;
    if (type == "Frame") return Frame(parent, depth);
    if (type == "Mesh") return Mesh(parent);
    if (type == "Material" && depth == 0) {
      Material material;
      if (!MaterialBody(&material)) return false;
      named_[name] = material;
      return true;
    }
    return tokens_.SkipObject();
  }

  bool Frame(const Matrix& parent, int depth) {
    Matrix world = parent;
    while (true) {
      const Kind kind = tokens_.Next();
      if (kind == Kind::Close) return true;
      if (kind == Kind::Open) {
        if (!tokens_.SkipObject()) return false;  // a reference
        continue;
      }
      if (kind != Kind::Name) return false;
      const std::string type = tokens_.Text();
      if (type == "FrameTransformMatrix") {
        Matrix local;
        if (!Open(nullptr)) return false;
        for (float& value : local.m) {
          if (!tokens_.ReadFloat(&value)) return false;
        }
        if (!tokens_.Expect(Kind::Close)) return false;
        world = Multiply(local, parent);
      } else if (!Object(type, world, depth + 1)) {
        return false;
      }
    }
  }

  bool Floats(std::size_t count, std::vector<float>* out) {
    out->resize(count);
    for (float& value : *out) {
      if (!tokens_.ReadFloat(&value)) return false;
    }
    return true;
  }

  // Polygons: a corner count (at least 3) and that many indices below limit.
  bool Faces(std::uint32_t faceCount, std::uint32_t limit, std::vector<std::uint32_t>* sizes,
             std::vector<std::uint32_t>* indices) {
    for (std::uint32_t f = 0; f < faceCount; ++f) {
      std::uint32_t size = 0;
      if (!tokens_.ReadCount(static_cast<std::uint32_t>(tokens_.Remaining() / 2), &size) || size < 3) return false;
      sizes->push_back(size);
      for (std::uint32_t c = 0; c < size; ++c) {
        std::uint32_t index = 0;
        if (!tokens_.ReadCount(0xFFFFFFFFu, &index) || index >= limit) return false;
        indices->push_back(index);
      }
    }
    return true;
  }

  bool Mesh(const Matrix& world) {
    FileMesh mesh;
    mesh.world = world;
    // Every number needs a character and a separator: counts beyond what the
    // remaining bytes could hold are refused before allocating.
    if (!tokens_.ReadCount(static_cast<std::uint32_t>(tokens_.Remaining() / 6), &mesh.vertexCount)) return false;
    if (!Floats(static_cast<std::size_t>(mesh.vertexCount) * 3, &mesh.positions)) return false;
    std::uint32_t faceCount = 0;
    if (!tokens_.ReadCount(static_cast<std::uint32_t>(tokens_.Remaining() / 8), &faceCount)) return false;
    if (!Faces(faceCount, mesh.vertexCount, &mesh.faceSizes, &mesh.faceIndices)) return false;
    while (true) {
      const Kind kind = tokens_.Next();
      if (kind == Kind::Close) break;
      if (kind == Kind::Open) {
        if (!tokens_.SkipObject()) return false;
        continue;
      }
      if (kind != Kind::Name) return false;
      const std::string type = tokens_.Text();
      if (!Open(nullptr)) return false;
      bool ok = true;
      if (type == "MeshNormals") {
        ok = Normals(&mesh);
      } else if (type == "MeshTextureCoords") {
        ok = TextureCoords(&mesh);
      } else if (type == "MeshMaterialList") {
        ok = MaterialList(&mesh);
      } else if (type == "DeclData") {
        ok = DeclData(&mesh);
      } else {
        ok = tokens_.SkipObject();
      }
      if (!ok) return false;
    }
    meshes.push_back(std::move(mesh));
    return true;
  }

  bool Normals(FileMesh* mesh) {
    std::uint32_t count = 0;
    if (!tokens_.ReadCount(static_cast<std::uint32_t>(tokens_.Remaining() / 6), &count)) return false;
    if (!Floats(static_cast<std::size_t>(count) * 3, &mesh->normals)) return false;
    std::uint32_t faceCount = 0;
    if (!tokens_.ReadCount(0xFFFFFFFFu, &faceCount) || faceCount != mesh->faceSizes.size()) return false;
    std::vector<std::uint32_t> sizes;
    if (!Faces(faceCount, count, &sizes, &mesh->normalIndices) || sizes != mesh->faceSizes) return false;
    mesh->hasNormals = true;
    return tokens_.Expect(Kind::Close);
  }

  bool TextureCoords(FileMesh* mesh) {
    std::uint32_t count = 0;
    if (!tokens_.ReadCount(static_cast<std::uint32_t>(tokens_.Remaining() / 4), &count) ||
        count != mesh->vertexCount) {
      return false;
    }
    if (!Floats(static_cast<std::size_t>(count) * 2, &mesh->uv)) return false;
    mesh->hasUv = true;
    return tokens_.Expect(Kind::Close);
  }

  bool DeclData(FileMesh* mesh) {
    std::uint32_t count = 0;
    if (!tokens_.ReadCount(MAXD3DDECLLENGTH - 4, &count)) return false;
    WORD offset = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
      std::uint32_t type = 0, method = 0, usage = 0, usageIndex = 0;
      if (!tokens_.ReadCount(D3DDECLTYPE_FLOAT16_4, &type) || DeclTypeSize(static_cast<BYTE>(type)) == 0 ||
          !tokens_.ReadCount(0, &method) || !tokens_.ReadCount(D3DDECLUSAGE_COLOR + 3, &usage) ||
          usage == D3DDECLUSAGE_POSITION || usage == D3DDECLUSAGE_POSITIONT || !tokens_.ReadCount(15, &usageIndex)) {
        return false;
      }
      mesh->channels.push_back(DeclChannel{{0, offset, static_cast<BYTE>(type), 0, static_cast<BYTE>(usage),
                                            static_cast<BYTE>(usageIndex)}});
      offset = static_cast<WORD>(offset + DeclTypeSize(static_cast<BYTE>(type)));
    }
    mesh->channelDwords = offset / 4u;
    std::uint32_t dwords = 0;
    if (!tokens_.ReadCount(static_cast<std::uint32_t>(tokens_.Remaining() / 2), &dwords) ||
        static_cast<std::uint64_t>(dwords) != static_cast<std::uint64_t>(mesh->vertexCount) * mesh->channelDwords) {
      return false;
    }
    mesh->channelData.resize(dwords);
    for (std::uint32_t& value : mesh->channelData) {
      if (!tokens_.ReadCount(0xFFFFFFFFu, &value)) return false;
    }
    return tokens_.Expect(Kind::Close);
  }

  bool MaterialBody(Material* out) {
    D3DMATERIAL9& m = out->material;
    float* fields[] = {&m.Diffuse.r, &m.Diffuse.g,  &m.Diffuse.b,  &m.Diffuse.a,  &m.Power,
                       &m.Specular.r, &m.Specular.g, &m.Specular.b, &m.Emissive.r, &m.Emissive.g,
                       &m.Emissive.b};
    for (float* field : fields) {
      if (!tokens_.ReadFloat(field)) return false;
    }
    m.Specular.a = 1.0f;
    m.Emissive.a = 1.0f;
    while (true) {
      const Kind kind = tokens_.Next();
      if (kind == Kind::Close) return true;
      if (kind != Kind::Name) return false;
      const std::string type = tokens_.Text();
      if (!Open(nullptr)) return false;
      if (type == "TextureFilename" || type == "TextureFileName") {
        if (!tokens_.ReadString(&out->texture) || !tokens_.Expect(Kind::Close)) return false;
        out->hasTexture = true;
      } else if (!tokens_.SkipObject()) {
        return false;
      }
    }
  }

  bool MaterialList(FileMesh* mesh) {
    std::uint32_t count = 0;
    std::uint32_t indexCount = 0;
    if (!tokens_.ReadCount(static_cast<std::uint32_t>(tokens_.Remaining() / 4), &count) ||
        !tokens_.ReadCount(static_cast<std::uint32_t>(mesh->faceSizes.size()), &indexCount)) {
      return false;
    }
    if (indexCount == 0 && !mesh->faceSizes.empty()) return false;
    for (std::uint32_t i = 0; i < indexCount; ++i) {
      std::uint32_t index = 0;
      if (!tokens_.ReadCount(0xFFFFFFFFu, &index) || index >= count) return false;
      mesh->faceMaterials.push_back(index);
    }
    // Fewer indices than faces: the last one goes on.
    while (mesh->faceMaterials.size() < mesh->faceSizes.size()) mesh->faceMaterials.push_back(mesh->faceMaterials.back());
    while (true) {
      const Kind kind = tokens_.Next();
      if (kind == Kind::Close) break;
      if (kind == Kind::Open) {
        // A reference to a material defined at the top of the file.
        if (!tokens_.Expect(Kind::Name)) return false;
        const auto found = named_.find(tokens_.Text());
        if (found == named_.end() || !tokens_.Expect(Kind::Close)) return false;
        mesh->materials.push_back(found->second);
        continue;
      }
      if (kind != Kind::Name) return false;
      const std::string type = tokens_.Text();
      if (!Open(nullptr)) return false;
      if (type == "Material") {
        Material material;
        if (!MaterialBody(&material)) return false;
        mesh->materials.push_back(std::move(material));
      } else if (!tokens_.SkipObject()) {
        return false;
      }
    }
    if (mesh->materials.size() != count) return false;
    mesh->hasMaterials = true;
    return true;
  }

  XFileTokenSource& tokens_;
  std::map<std::string, Material> named_;
};

}  // namespace

UINT DeclTypeSize(BYTE type) {
  const D3DVERTEXELEMENT9 one[2] = {{0, 0, type, 0, 0, 0}, D3DDECL_END()};
  return D3DXGetDeclVertexSize(one, 0);
}

bool ParseXFile(XFileTokenSource& tokens, std::vector<FileMesh>* meshes) {
  Parser parser(tokens);
  if (!parser.Parse()) return false;
  *meshes = std::move(parser.meshes);
  return true;
}

}  // namespace d3dx
