#pragma once
// .x text files written by tests: positions, triangles and, when given,
// per-vertex normals, texture coordinates, tangents (DeclData) and materials.

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

struct XFileText {
  struct Material {
    std::string udt;  // texture file name; empty: none
  };
  std::vector<float> positions;  // 3 per vertex
  std::vector<std::uint32_t> faces;  // 3 per face
  std::vector<float> normals;   // 3 per vertex, or empty
  std::vector<float> uvs;       // 2 per vertex, or empty
  std::vector<float> tangents;  // 3 per vertex, or empty
  std::vector<Material> materials;
  std::vector<std::uint32_t> faceMaterials;  // per face, with materials

  std::size_t VertexCount() const { return positions.size() / 3; }
  void Vertex(float x, float y, float z, float u = 0.0f, float v = 0.0f) {
    positions.insert(positions.end(), {x, y, z});
    uvs.insert(uvs.end(), {u, v});
  }
  void Face(std::uint32_t a, std::uint32_t b, std::uint32_t c) { faces.insert(faces.end(), {a, b, c}); }

  std::string Text() const {
    std::ostringstream out;
    out.precision(9);
    out << "xof 0303txt 0032\nMesh {\n" << VertexCount() << ";\n";
    List(out, positions, 3);
    out << faces.size() / 3 << ";\n";
    for (std::size_t f = 0; f < faces.size() / 3; ++f) {
      out << "3;" << faces[f * 3] << ',' << faces[f * 3 + 1] << ',' << faces[f * 3 + 2] << ';'
          << (f + 1 < faces.size() / 3 ? ",\n" : ";\n");
    }
    if (!normals.empty()) {
      out << "MeshNormals {\n" << normals.size() / 3 << ";\n";
      List(out, normals, 3);
      out << faces.size() / 3 << ";\n";
      for (std::size_t f = 0; f < faces.size() / 3; ++f) {
        out << "3;" << faces[f * 3] << ',' << faces[f * 3 + 1] << ',' << faces[f * 3 + 2] << ';'
            << (f + 1 < faces.size() / 3 ? ",\n" : ";\n");
      }
      out << "}\n";
    }
    if (!uvs.empty()) {
      out << "MeshTextureCoords {\n" << uvs.size() / 2 << ";\n";
      List(out, uvs, 2);
      out << "}\n";
    }
    if (!tangents.empty()) {
      out << "DeclData {\n1;\n2;0;6;0;;\n" << tangents.size() << ";\n";
      for (std::size_t i = 0; i < tangents.size(); ++i) {
        std::uint32_t bits;
        std::memcpy(&bits, &tangents[i], sizeof(bits));
        out << bits << (i + 1 < tangents.size() ? "," : ";") << (i % 12 == 11 ? "\n" : "");
      }
      out << "\n}\n";
    }
    if (!materials.empty()) {
      out << "MeshMaterialList {\n" << materials.size() << ";\n" << faceMaterials.size() << ";\n";
      for (std::size_t f = 0; f < faceMaterials.size(); ++f) {
        out << faceMaterials[f] << (f + 1 < faceMaterials.size() ? ",\n" : ";\n");
      }
      for (const Material& material : materials) {
        out << "Material {\n1.0;1.0;1.0;1.0;;\n8.0;\n0.0;0.0;0.0;;\n0.0;0.0;0.0;;\n";
        if (!material.udt.empty()) out << "TextureFilename { \"" << material.udt << "\"; }\n";
        out << "}\n";
      }
      out << "}\n";
    }
    out << "}\n";
    return out.str();
  }

 private:
  static void List(std::ostringstream& out, const std::vector<float>& values, std::size_t width) {
    const std::size_t count = values.size() / width;
    for (std::size_t i = 0; i < count; ++i) {
      for (std::size_t k = 0; k < width; ++k) out << values[i * width + k] << ';';
      out << (i + 1 < count ? ",\n" : ";\n");
    }
  }
};
