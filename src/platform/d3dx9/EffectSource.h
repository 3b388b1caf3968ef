#pragma once
// The effect text format (layer-internal): a header that declares what the
// effect holds, then GLSL 330 sections. Example:
//
//   // comment
//   #ifdef HIGH_QUALITY                        header preprocessing: #define NAME [value],
//   parameter float4 g_Extra                   #undef, #ifdef, #ifndef, #if NAME|number,
//   #endif                                     #else, #endif, #line N
//   parameter float4x4 g_MatWVP[4]
//   parameter int g_Blend = 0                  types: float float2 float3 float4 float4x4
//   parameter float4 g_Colour = 1 1 1 1          int bool texture; "= values" for one
//   parameter texture g_Tex                      element or for all of them
//   sampler g_Samp texture=g_Tex filter=linear mipfilter=linear address=wrap
//   vertexarray g_Vs index=g_Blend vs_main(BLEND=0) vs_main(BLEND=1)
//   technique T_Name
//     pass P0 vertex=g_Vs fragment=fs_main(LIT, BANDS=3)
//       state AlphaBlendEnable=true SrcBlend=One DestBlend=One
//   @common                                    GLSL for both stages
//   @vertex vs_main                            a vertex shader
//   @fragment fs_main                          a fragment shader
//
// Sampler keys: texture, filter (min and mag), minfilter, magfilter,
// mipfilter (none, point, linear, anisotropic), address (u and v), addressu,
// addressv (wrap, mirror, clamp, border), border (0xAARRGGBB). Samplers take
// texture units 0, 1, ... in declaration order.
//
// Pass states (set by BeginPass, restored by End): ZEnable, ZWriteEnable,
// ZFunc, AlphaBlendEnable, SrcBlend, DestBlend, BlendOp,
// SeparateAlphaBlendEnable, SrcBlendAlpha, DestBlendAlpha, BlendOpAlpha,
// CullMode, AlphaTestEnable, AlphaRef, AlphaFunc, ColorWriteEnable,
// StencilEnable, FogEnable; values are true/false, numbers or the Direct3D
// names without their prefix (One, InvSrcAlpha, None, LessEqual, ...), in
// any case.
//
// A shader reference is a section name with optional defines in brackets.
// A pass's vertex shader may name a vertex array instead: the int parameter
// "index" then picks the element (clamped to the array) when a pass begins
// and when changes are committed.
//
// Each stage is compiled as: #version 330 core, VERTEX_STAGE or
// FRAGMENT_STAGE, the defines (the creator's macros, the header's, the
// reference's), the vertex attributes and d3d_ClipFix (vertex stage), the
// fog helper d3d_Fog(colour, factor) (fragment stage: mixes towards the
// device's fog colour while its fog is on; factor 1 is no fog), a uniform
// for every parameter but textures and a sampler2D for every sampler, every
// @common section, then the section itself, with #line keeping the file's
// line numbers in messages.

#include <cstddef>
#include <string>
#include <vector>

#include "platform/d3d9/D3d9.h"

struct D3DXMACRO;

namespace d3dx::fx {

enum class ParamType { Float, Float2, Float3, Float4, Float4x4, Int, Bool, Texture };

// Scalars of one element (0 for textures).
int ScalarsPerElement(ParamType type);
bool IsIntType(ParamType type);

struct Define {
  std::string name;
  std::string value;
};

struct ShaderRef {
  std::string section;
  std::vector<Define> defines;
};

struct ParameterDecl {
  std::string name;
  ParamType type = ParamType::Float;
  int count = 1;
  bool array = false;
  std::vector<float> values;  // count * scalars, zero unless given
  int line = 0;
};

struct SamplerDecl {
  std::string name;
  int texture = -1;  // parameter index
  DWORD minFilter = D3DTEXF_LINEAR;
  DWORD magFilter = D3DTEXF_LINEAR;
  DWORD mipFilter = D3DTEXF_LINEAR;
  DWORD addressU = D3DTADDRESS_WRAP;
  DWORD addressV = D3DTADDRESS_WRAP;
  DWORD border = 0;
  int line = 0;
};

struct VertexArrayDecl {
  std::string name;
  int index = -1;  // the int parameter that picks the element
  std::vector<ShaderRef> elements;
  int line = 0;
};

struct RenderStateDecl {
  D3DRENDERSTATETYPE state;
  DWORD value;
};

struct PassDecl {
  std::string name;
  int vertexArray = -1;  // or the single vertex shader below
  ShaderRef vertex;
  ShaderRef fragment;
  std::vector<RenderStateDecl> states;
  int line = 0;
};

struct TechniqueDecl {
  std::string name;
  std::vector<PassDecl> passes;
  int line = 0;
};

enum class SectionKind { Common, Vertex, Fragment };

struct SectionDecl {
  SectionKind kind = SectionKind::Common;
  std::string name;
  std::string text;
  int firstLine = 0;
};

struct EffectSource {
  std::vector<Define> defines;  // the creator's macros, then the header's
  std::vector<ParameterDecl> parameters;
  std::vector<SamplerDecl> samplers;
  std::vector<VertexArrayDecl> vertexArrays;
  std::vector<TechniqueDecl> techniques;
  std::vector<SectionDecl> sections;

  int FindParameter(const std::string& name) const;
  int FindSection(SectionKind kind, const std::string& name) const;
};

// At most this many samplers (the device's texture stages).
constexpr int kMaxSamplers = 8;

// Parses and checks a whole effect. On failure returns false with
// "line N: what is wrong" in error; out is then unspecified.
bool ParseEffect(const char* text, std::size_t size, const D3DXMACRO* macros, EffectSource* out, std::string* error);

enum class Stage { Vertex, Fragment };

// The complete GLSL of one stage of a shader reference.
std::string StageSource(const EffectSource& source, Stage stage, const ShaderRef& ref);

// "name" or "name(A, B=1)", for messages.
std::string DescribeRef(const ShaderRef& ref);

}  // namespace d3dx::fx
