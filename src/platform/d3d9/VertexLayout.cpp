#include "platform/d3d9/VertexLayout.h"

#include <epoxy/gl.h>

#include <cstring>

namespace d3d9 {

const char* const kVertexAttributeGlsl =
    "layout(location = 0) in vec4 a_position;\n"
    "layout(location = 1) in vec4 a_blendWeight;\n"
    "layout(location = 2) in vec3 a_normal;\n"
    "layout(location = 3) in vec4 a_color0;\n"
    "layout(location = 4) in vec4 a_color1;\n"
    "layout(location = 5) in vec4 a_texCoord0;\n"
    "layout(location = 6) in vec4 a_texCoord1;\n"
    "layout(location = 7) in vec4 a_texCoord2;\n"
    "layout(location = 8) in vec4 a_texCoord3;\n"
    "layout(location = 13) in vec3 a_tangent;\n"
    "layout(location = 14) in vec3 a_binormal;\n"
    "layout(location = 15) in vec4 a_blendIndices;\n";

const char* const kClipFixGlsl =
    "uniform vec2 d3d_PixelOffset;\n"
    "uniform float d3d_DepthBias;\n"
    "vec4 d3d_ClipFix(vec4 c) {\n"
    "  float z = c.z + d3d_DepthBias * c.w;\n"
    "  return vec4(c.x + d3d_PixelOffset.x * c.w, d3d_PixelOffset.y * c.w - c.y, 2.0 * z - c.w, c.w);\n"
    "}\n";

bool VertexLayout::operator==(const VertexLayout& other) const {
  if (stride != other.stride || pretransformed != other.pretransformed) return false;
  for (std::size_t i = 0; i < attributes.size(); ++i) {
    const AttributeFormat& a = attributes[i];
    const AttributeFormat& b = other.attributes[i];
    if (a.present != b.present) return false;
    if (a.present && (a.components != b.components || a.normalized != b.normalized || a.bgra != b.bgra ||
                      a.glType != b.glType || a.offset != b.offset)) {
      return false;
    }
  }
  return true;
}

namespace {

void AddFloats(VertexLayout* layout, VertexAttribute attribute, int components, UINT* offset) {
  AttributeFormat& f = layout->attributes[attribute];
  f.present = true;
  f.components = static_cast<std::uint8_t>(components);
  f.glType = GL_FLOAT;
  f.offset = static_cast<std::uint16_t>(*offset);
  *offset += static_cast<UINT>(components) * 4;
}

void AddColour(VertexLayout* layout, VertexAttribute attribute, UINT* offset) {
  AttributeFormat& f = layout->attributes[attribute];
  f.present = true;
  f.components = 4;
  f.normalized = true;
  f.bgra = true;
  f.glType = GL_UNSIGNED_BYTE;
  f.offset = static_cast<std::uint16_t>(*offset);
  *offset += 4;
}

}  // namespace

bool LayoutFromFvf(DWORD fvf, VertexLayout* layout) {
  *layout = VertexLayout{};
  UINT offset = 0;
  const DWORD position = fvf & D3DFVF_POSITION_MASK;
  switch (position) {
    case D3DFVF_XYZ:
      AddFloats(layout, kAttribPosition, 3, &offset);
      break;
    case D3DFVF_XYZRHW:
      AddFloats(layout, kAttribPosition, 4, &offset);
      layout->pretransformed = true;
      break;
    case D3DFVF_XYZB1:
    case D3DFVF_XYZB2:
    case D3DFVF_XYZB3:
    case D3DFVF_XYZB4: {
      AddFloats(layout, kAttribPosition, 3, &offset);
      int betas = static_cast<int>((position - D3DFVF_XYZRHW) / 2);  // XYZB1 (6) has one
      // With UBYTE4 indices the last beta holds packed matrix indices.
      if ((fvf & D3DFVF_LASTBETA_UBYTE4) != 0) {
        --betas;
      }
      if (betas > 0) {
        AddFloats(layout, kAttribBlendWeight, betas, &offset);
        layout->blendWeightCount = betas;
      }
      if ((fvf & D3DFVF_LASTBETA_UBYTE4) != 0) {
        AttributeFormat& f = layout->attributes[kAttribBlendIndices];
        f.present = true;
        f.components = 4;
        f.glType = GL_UNSIGNED_BYTE;
        f.offset = static_cast<std::uint16_t>(offset);
        offset += 4;
      }
      break;
    }
    default:
      return false;
  }
  if ((fvf & D3DFVF_NORMAL) != 0) AddFloats(layout, kAttribNormal, 3, &offset);
  if ((fvf & D3DFVF_PSIZE) != 0) offset += 4;
  if ((fvf & D3DFVF_DIFFUSE) != 0) AddColour(layout, kAttribColor0, &offset);
  if ((fvf & D3DFVF_SPECULAR) != 0) AddColour(layout, kAttribColor1, &offset);
  const int texCount = static_cast<int>((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
  if (texCount > 8) return false;
  for (int i = 0; i < texCount; ++i) {
    const DWORD format = (fvf >> (i * 2 + 16)) & 3;
    const int components = format == D3DFVF_TEXTUREFORMAT1   ? 1
                           : format == D3DFVF_TEXTUREFORMAT3 ? 3
                           : format == D3DFVF_TEXTUREFORMAT4 ? 4
                                                             : 2;
    AddFloats(layout, static_cast<VertexAttribute>(kAttribTexCoord0 + i), components, &offset);
  }
  layout->texCoordCount = texCount;
  layout->stride = offset;
  return true;
}

bool LayoutFromDeclaration(const D3DVERTEXELEMENT9* elements, std::size_t count, VertexLayout* layout) {
  *layout = VertexLayout{};
  UINT end = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const D3DVERTEXELEMENT9& e = elements[i];
    if (e.Stream != 0) continue;  // the layer reads stream 0 only
    int target = -1;
    switch (e.Usage) {
      case D3DDECLUSAGE_POSITION: target = e.UsageIndex == 0 ? static_cast<int>(kAttribPosition) : -1; break;
      case D3DDECLUSAGE_POSITIONT:
        target = kAttribPosition;
        layout->pretransformed = true;
        break;
      case D3DDECLUSAGE_BLENDWEIGHT: target = kAttribBlendWeight; break;
      case D3DDECLUSAGE_BLENDINDICES: target = kAttribBlendIndices; break;
      case D3DDECLUSAGE_NORMAL: target = kAttribNormal; break;
      case D3DDECLUSAGE_COLOR: target = e.UsageIndex == 0 ? static_cast<int>(kAttribColor0) : static_cast<int>(kAttribColor1); break;
      case D3DDECLUSAGE_TEXCOORD: target = e.UsageIndex < 8 ? static_cast<int>(kAttribTexCoord0) + e.UsageIndex : -1; break;
      case D3DDECLUSAGE_TANGENT: target = kAttribTangent; break;
      case D3DDECLUSAGE_BINORMAL: target = kAttribBinormal; break;
      default: break;
    }
    AttributeFormat f;
    f.present = true;
    f.offset = e.Offset;
    UINT size = 0;
    switch (e.Type) {
      case D3DDECLTYPE_FLOAT1: f.components = 1; f.glType = GL_FLOAT; size = 4; break;
      case D3DDECLTYPE_FLOAT2: f.components = 2; f.glType = GL_FLOAT; size = 8; break;
      case D3DDECLTYPE_FLOAT3: f.components = 3; f.glType = GL_FLOAT; size = 12; break;
      case D3DDECLTYPE_FLOAT4: f.components = 4; f.glType = GL_FLOAT; size = 16; break;
      case D3DDECLTYPE_D3DCOLOR: f.components = 4; f.glType = GL_UNSIGNED_BYTE; f.normalized = true; f.bgra = true; size = 4; break;
      case D3DDECLTYPE_UBYTE4: f.components = 4; f.glType = GL_UNSIGNED_BYTE; size = 4; break;
      case D3DDECLTYPE_UBYTE4N: f.components = 4; f.glType = GL_UNSIGNED_BYTE; f.normalized = true; size = 4; break;
      case D3DDECLTYPE_SHORT2: f.components = 2; f.glType = GL_SHORT; size = 4; break;
      case D3DDECLTYPE_SHORT4: f.components = 4; f.glType = GL_SHORT; size = 8; break;
      case D3DDECLTYPE_SHORT2N: f.components = 2; f.glType = GL_SHORT; f.normalized = true; size = 4; break;
      case D3DDECLTYPE_SHORT4N: f.components = 4; f.glType = GL_SHORT; f.normalized = true; size = 8; break;
      case D3DDECLTYPE_USHORT2N: f.components = 2; f.glType = GL_UNSIGNED_SHORT; f.normalized = true; size = 4; break;
      case D3DDECLTYPE_USHORT4N: f.components = 4; f.glType = GL_UNSIGNED_SHORT; f.normalized = true; size = 8; break;
      case D3DDECLTYPE_FLOAT16_2: f.components = 2; f.glType = GL_HALF_FLOAT; size = 4; break;
      case D3DDECLTYPE_FLOAT16_4: f.components = 4; f.glType = GL_HALF_FLOAT; size = 8; break;
      default: return false;
    }
    if (e.Offset + size > end) end = e.Offset + size;
    if (target < 0) continue;
    layout->attributes[static_cast<std::size_t>(target)] = f;
    if (target == static_cast<int>(kAttribBlendWeight)) layout->blendWeightCount = f.components;
    const int firstTexCoord = static_cast<int>(kAttribTexCoord0);
    if (target >= firstTexCoord && target < firstTexCoord + 8) {
      const int index = target - firstTexCoord + 1;
      if (index > layout->texCoordCount) layout->texCoordCount = index;
    }
  }
  layout->stride = end;
  return layout->Has(kAttribPosition);
}

UINT VertexCountOf(D3DPRIMITIVETYPE type, UINT primitiveCount) {
  if (primitiveCount == 0) return 0;
  switch (type) {
    case D3DPT_POINTLIST: return primitiveCount;
    case D3DPT_LINELIST: return primitiveCount * 2;
    case D3DPT_LINESTRIP: return primitiveCount + 1;
    case D3DPT_TRIANGLELIST: return primitiveCount * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: return primitiveCount + 2;
    default: return 0;
  }
}

unsigned GlPrimitiveOf(D3DPRIMITIVETYPE type) {
  switch (type) {
    case D3DPT_POINTLIST: return GL_POINTS;
    case D3DPT_LINELIST: return GL_LINES;
    case D3DPT_LINESTRIP: return GL_LINE_STRIP;
    case D3DPT_TRIANGLELIST: return GL_TRIANGLES;
    case D3DPT_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
    case D3DPT_TRIANGLEFAN: return GL_TRIANGLE_FAN;
    default: return GL_TRIANGLES;
  }
}

}  // namespace d3d9
