// The .x text the game's mesh loader reads: one Mesh with one normal per
// vertex (normal indices equal to the vertex indices, so the loader never
// splits a vertex and the skin file's vertex numbers stay valid), texture
// coordinates, the light-map coordinates as a DeclData channel, and the
// material list naming the .udt files.

#include <cstring>

#include "FileOutput.h"
#include "ModelChecks.h"
#include "TextFormat.h"
#include "Writers.h"

namespace assetgen {

namespace {

// DeclData element of the second texture coordinate set: FLOAT2 (type 1),
// default method, usage TEXCOORD (5), usage index 1.
constexpr const char* kUv2Element = "1;0;5;1;";

void AppendFloats(std::string* out, std::initializer_list<float> values) {
  for (float value : values) {
    *out += FormatFixed(value, 6);
    *out += ';';
  }
}

void AppendFaces(std::string* out, const MeshModel& model) {
  AppendInt(out, static_cast<std::int64_t>(model.faces.size()));
  *out += ";\n";
  for (std::size_t f = 0; f < model.faces.size(); ++f) {
    const auto& face = model.faces[f];
    *out += "3;";
    AppendInt(out, face[0]);
    *out += ',';
    AppendInt(out, face[1]);
    *out += ',';
    AppendInt(out, face[2]);
    *out += f + 1 < model.faces.size() ? ";,\n" : ";;\n";
  }
}

void AppendMaterial(std::string* out, const MeshMaterial& m) {
  *out += "Material {\n";
  AppendFloats(out, {m.diffuse[0], m.diffuse[1], m.diffuse[2], m.diffuse[3]});
  *out += ";\n";
  AppendFloats(out, {m.power});
  *out += '\n';
  AppendFloats(out, {m.specular[0], m.specular[1], m.specular[2]});
  *out += ";\n";
  AppendFloats(out, {m.emissive[0], m.emissive[1], m.emissive[2]});
  *out += ";\n";
  if (!m.textureFile.empty()) *out += "TextureFilename { \"" + m.textureFile + "\"; }\n";
  *out += "}\n";
}

}  // namespace

std::string XFileText(const MeshModel& model) {
  const std::size_t count = model.vertices.size();
  std::string out = "xof 0303txt 0032\n";
  out.reserve(count * 120 + model.faces.size() * 40);
  out += "Mesh mesh {\n";
  AppendInt(&out, static_cast<std::int64_t>(count));
  out += ";\n";
  for (std::size_t i = 0; i < count; ++i) {
    const Vec3& p = model.vertices[i].position;
    AppendFloats(&out, {p.x, p.y, p.z});
    out += i + 1 < count ? ",\n" : ";\n";
  }
  AppendFaces(&out, model);

  out += "MeshNormals {\n";
  AppendInt(&out, static_cast<std::int64_t>(count));
  out += ";\n";
  for (std::size_t i = 0; i < count; ++i) {
    const Vec3& n = model.vertices[i].normal;
    AppendFloats(&out, {n.x, n.y, n.z});
    out += i + 1 < count ? ",\n" : ";\n";
  }
  AppendFaces(&out, model);
  out += "}\n";

  out += "MeshTextureCoords {\n";
  AppendInt(&out, static_cast<std::int64_t>(count));
  out += ";\n";
  for (std::size_t i = 0; i < count; ++i) {
    const Vec2& uv = model.vertices[i].uv;
    AppendFloats(&out, {uv.x, uv.y});
    out += i + 1 < count ? ",\n" : ";\n";
  }
  out += "}\n";

  if (model.hasUv2) {
    // The channel's data are the raw bits of the floats, two per vertex.
    out += "DeclData {\n1;\n";
    out += kUv2Element;
    out += ";\n";
    AppendInt(&out, static_cast<std::int64_t>(count * 2));
    out += ";\n";
    for (std::size_t i = 0; i < count; ++i) {
      const Vec2& uv = model.vertices[i].uv2;
      std::uint32_t bits[2];
      std::memcpy(&bits[0], &uv.x, 4);
      std::memcpy(&bits[1], &uv.y, 4);
      AppendInt(&out, bits[0]);
      out += ',';
      AppendInt(&out, bits[1]);
      out += i + 1 < count ? ",\n" : ";\n";
    }
    out += "}\n";
  }

  if (!model.faceMaterial.empty()) {
    out += "MeshMaterialList {\n";
    AppendInt(&out, static_cast<std::int64_t>(model.materials.size()));
    out += ";\n";
    AppendInt(&out, static_cast<std::int64_t>(model.faceMaterial.size()));
    out += ";\n";
    for (std::size_t f = 0; f < model.faceMaterial.size(); ++f) {
      AppendInt(&out, model.faceMaterial[f]);
      out += f + 1 < model.faceMaterial.size() ? ",\n" : ";;\n";
    }
    for (const MeshMaterial& material : model.materials) AppendMaterial(&out, material);
    out += "}\n";
  }
  out += "}\n";
  return out;
}

bool WriteXFile(const MeshModel& model, const std::string& path, std::string* error) {
  std::string reason;
  if (!CheckMeshModel(model, &reason)) {
    if (error != nullptr) *error = path + ": " + reason;
    return false;
  }
  return WriteWholeFile(path, XFileText(model), error);
}

}  // namespace assetgen
