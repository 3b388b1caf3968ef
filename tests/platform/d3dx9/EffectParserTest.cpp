// The effect text format: what a well-formed effect declares, the header's
// preprocessing, and clear messages (never a crash) for malformed text.

#include <gtest/gtest.h>

#include <string>

#include "platform/d3dx9/D3dxEffect.h"
#include "platform/d3dx9/EffectSource.h"

namespace fx = d3dx::fx;

namespace {

const char kEffect[] =
    "// a small effect\n"                                                   // 1
    "parameter float4x4 g_Mat[2]\n"                                         // 2
    "parameter float3 g_Dir = 0, 1, 0\n"                                    // 3
    "parameter int g_Pick = 2\n"                                            // 4
    "parameter texture g_Tex\n"                                             // 5
    "sampler g_Samp texture=g_Tex filter=point mipfilter=none address=clamp addressv=mirror border=0xFF102030\n"
    "vertexarray g_Vs index=g_Pick vs(N=0) vs(N=1, EXTRA)\n"               // 7
    "technique T_A\n"                                                       // 8
    "  pass P0 vertex=g_Vs fragment=fs(RED)  // trailing comment\n"         // 9
    "    state AlphaBlendEnable=true SrcBlend=One DestBlend=InvSrcAlpha\n"  // 10
    "  pass P1 vertex=vs(N=3) fragment=fs\n"                                // 11
    "technique T_B\n"                                                       // 12
    "  pass P0 vertex=vs fragment=fs\n"                                     // 13
    "@common\n"                                                             // 14
    "float Shared() { return 1.0; }\n"                                      // 15
    "@vertex vs\n"                                                          // 16
    "void main() { gl_Position = d3d_ClipFix(g_Mat[0] * a_position); }\n"  // 17
    "@fragment fs\n"                                                        // 18
    "out vec4 c;\n"                                                         // 19
    "void main() { c = texture(g_Samp, vec2(Shared())); }\n";               // 20

bool Parse(const std::string& text, fx::EffectSource* out, std::string* error, const D3DXMACRO* macros = nullptr) {
  return fx::ParseEffect(text.data(), text.size(), macros, out, error);
}

TEST(EffectParserTest, AWellFormedEffectDeclaresItsParametersSamplersArraysAndPasses) {
  fx::EffectSource e;
  std::string error;
  ASSERT_TRUE(Parse(kEffect, &e, &error)) << error;

  ASSERT_EQ(e.parameters.size(), 4u);
  EXPECT_EQ(e.parameters[0].type, fx::ParamType::Float4x4);
  EXPECT_TRUE(e.parameters[0].array);
  EXPECT_EQ(e.parameters[0].count, 2);
  EXPECT_EQ(e.parameters[0].values.size(), 32u);
  EXPECT_EQ(e.parameters[1].values, (std::vector<float>{0.0f, 1.0f, 0.0f}));
  EXPECT_EQ(e.parameters[2].values, (std::vector<float>{2.0f}));

  ASSERT_EQ(e.samplers.size(), 1u);
  const fx::SamplerDecl& s = e.samplers[0];
  EXPECT_EQ(s.texture, 3);
  EXPECT_EQ(s.minFilter, static_cast<DWORD>(D3DTEXF_POINT));
  EXPECT_EQ(s.magFilter, static_cast<DWORD>(D3DTEXF_POINT));
  EXPECT_EQ(s.mipFilter, static_cast<DWORD>(D3DTEXF_NONE));
  EXPECT_EQ(s.addressU, static_cast<DWORD>(D3DTADDRESS_CLAMP));
  EXPECT_EQ(s.addressV, static_cast<DWORD>(D3DTADDRESS_MIRROR));
  EXPECT_EQ(s.border, 0xFF102030u);

  ASSERT_EQ(e.vertexArrays.size(), 1u);
  EXPECT_EQ(e.vertexArrays[0].index, 2);
  ASSERT_EQ(e.vertexArrays[0].elements.size(), 2u);
  EXPECT_EQ(fx::DescribeRef(e.vertexArrays[0].elements[1]), "vs(N=1, EXTRA)");

  ASSERT_EQ(e.techniques.size(), 2u);
  const fx::TechniqueDecl& a = e.techniques[0];
  ASSERT_EQ(a.passes.size(), 2u);
  EXPECT_EQ(a.passes[0].vertexArray, 0);
  EXPECT_EQ(fx::DescribeRef(a.passes[0].fragment), "fs(RED)");
  ASSERT_EQ(a.passes[0].states.size(), 3u);
  EXPECT_EQ(a.passes[0].states[0].state, D3DRS_ALPHABLENDENABLE);
  EXPECT_EQ(a.passes[0].states[0].value, 1u);
  EXPECT_EQ(a.passes[0].states[2].value, static_cast<DWORD>(D3DBLEND_INVSRCALPHA));
  EXPECT_EQ(a.passes[1].vertexArray, -1);  // a section with defines, not the array
  EXPECT_EQ(fx::DescribeRef(a.passes[1].vertex), "vs(N=3)");

  ASSERT_EQ(e.sections.size(), 3u);
  EXPECT_EQ(e.sections[1].firstLine, 17);
}

TEST(EffectParserTest, StagesGetTheDeclarationsDefinesAndTheFilesLineNumbers) {
  fx::EffectSource e;
  std::string error;
  const D3DXMACRO macros[] = {{"QUALITY", "2"}, {nullptr, nullptr}};
  ASSERT_TRUE(Parse(kEffect, &e, &error, macros)) << error;
  const std::string vertex = fx::StageSource(e, fx::Stage::Vertex, e.vertexArrays[0].elements[1]);
  EXPECT_EQ(vertex.find("#version 330 core\n"), 0u);
  for (const char* part : {"#define VERTEX_STAGE 1\n", "#define QUALITY 2\n", "#define N 1\n", "#define EXTRA\n",
                           "uniform mat4 g_Mat[2];\n", "uniform vec3 g_Dir;\n", "uniform int g_Pick;\n",
                           "uniform sampler2D g_Samp;\n", "d3d_ClipFix", "layout(location = 13) in vec3 a_tangent;",
                           "#line 15\nfloat Shared()", "#line 17\nvoid main()"}) {
    EXPECT_NE(vertex.find(part), std::string::npos) << part;
  }
  EXPECT_EQ(vertex.find("g_Tex;"), std::string::npos);  // textures are no uniforms
  const std::string fragment = fx::StageSource(e, fx::Stage::Fragment, e.techniques[0].passes[0].fragment);
  for (const char* part : {"#define RED\n", "uniform vec4 d3d_FogColor;", "uniform int d3d_FogEnable;", "d3d_Fog(",
                           "#line 19\nout vec4 c;"}) {
    EXPECT_NE(fragment.find(part), std::string::npos) << part;
  }
}

TEST(EffectParserTest, TheHeaderIsPreprocessedWithTheCreatorsMacros) {
  const std::string text =
      "#ifdef BEST\n"
      "parameter float g_Best\n"
      "#else\n"
      "parameter float g_Plain\n"
      "#endif\n"
      "#if ZERO\n"
      "parameter float g_Never\n"
      "#endif\n"
      "#define LATER 3\n"
      "#line 100\n"
      "technique T\n"
      "  pass P vertex=v fragment=f\n"
      "@vertex v\n@fragment f\n";
  const D3DXMACRO best[] = {{"BEST", nullptr}, {"ZERO", "0"}, {nullptr, nullptr}};
  fx::EffectSource e;
  std::string error;
  ASSERT_TRUE(Parse(text, &e, &error, best)) << error;
  ASSERT_EQ(e.parameters.size(), 1u);
  EXPECT_EQ(e.parameters[0].name, "g_Best");
  EXPECT_EQ(e.techniques[0].line, 100);
  ASSERT_EQ(e.defines.size(), 3u);
  EXPECT_EQ(e.defines[2].name, "LATER");
  EXPECT_EQ(e.defines[2].value, "3");

  ASSERT_TRUE(Parse(text, &e, &error)) << error;
  ASSERT_EQ(e.parameters.size(), 1u);
  EXPECT_EQ(e.parameters[0].name, "g_Plain");
}

struct Broken {
  const char* header;    // text before the valid tail
  const char* message;   // expected part of the error
};

class EffectParserErrorTest : public ::testing::TestWithParam<Broken> {};

TEST_P(EffectParserErrorTest, MalformedTextIsRefusedWithTheLineAndTheReason) {
  const std::string tail = "@vertex v\n@fragment f\n";
  fx::EffectSource e;
  std::string error;
  EXPECT_FALSE(Parse(std::string(GetParam().header) + tail, &e, &error));
  EXPECT_NE(error.find(GetParam().message), std::string::npos) << error;
}

const char kPass[] = "technique T\n  pass P vertex=v fragment=f\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, EffectParserErrorTest,
    ::testing::Values(
        Broken{"paramter float g_X\n", "line 1: unknown keyword 'paramter'"},
        Broken{"parameter float5 g_X\n", "line 1: unknown parameter type 'float5'"},
        Broken{"parameter float g_X\nparameter int g_X\n", "line 2: 'g_X' is declared twice"},
        Broken{"parameter float g_X[0]\n", "malformed array size"},
        Broken{"parameter float2 g_X = 1 2 3\n", "g_X needs 2 values, got 3"},
        Broken{"parameter float g_X = one\n", "'one' is not a number"},
        Broken{"parameter texture g_T = 1\n", "a texture has no value"},
        Broken{"parameter float gl_X\n", "'gl_X' is reserved"},
        Broken{"parameter float g_X\nsampler g_S texture=g_X\n", "line 2: 'g_X' is not a texture parameter"},
        Broken{"parameter texture g_T\nsampler g_S texture=g_T filter=cubic\n", "unknown filter 'cubic'"},
        Broken{"parameter texture g_T\nsampler g_S\n", "sampler g_S names no texture"},
        Broken{"parameter float g_I\nvertexarray g_V index=g_I v\n", "'g_I' is not an int parameter"},
        Broken{"pass P vertex=v fragment=f\n", "line 1: pass outside a technique"},
        Broken{"technique T\n  state ZEnable=false\n", "line 2: state outside a pass"},
        Broken{"technique T\n  pass P vertex=v fragment=f\n  state ZEnable=maybe\n", "bad value 'maybe' for zenable"},
        Broken{"technique T\n  pass P vertex=v fragment=f\n  state Wobble=1\n", "unknown render state 'wobble'"},
        Broken{"technique T\n  pass P vertex=v\n", "pass P needs a vertex and a fragment shader"},
        Broken{"technique T\n  pass P vertex=v fragment=f(A\n", "missing ')'"},
        Broken{"technique T\n  pass P vertex=v fragment=f(A,)\n", "empty define"},
        Broken{"technique T\n  pass P vertex=v fragment=g\n", "line 2: no fragment section 'g'"},
        Broken{"technique T\n  pass P vertex=w fragment=f\n", "no vertex section or vertex array 'w'"},
        Broken{"technique T\n", "line 1: technique T has no pass"},
        Broken{"technique T\n  pass P vertex=v fragment=f\ntechnique T\n", "line 3: technique T is declared twice"},
        Broken{"#ifdef X\n", "#if without #endif"},
        Broken{"#endif\n", "line 1: #endif without #if"},
        Broken{"#pragma once\n", "unknown directive '#pragma'"},
        Broken{"parameter float g_X\n", "the effect declares no technique"},
        Broken{"technique T\n  pass P vertex=v fragment=f\n@shader s\n", "line 3: expected '@common'"}));

TEST(EffectParserTest, TooManySamplersAndZeroBytesAreRefused) {
  std::string text = "parameter texture g_T\n";
  for (int i = 0; i <= fx::kMaxSamplers; ++i) text += "sampler g_S" + std::to_string(i) + " texture=g_T\n";
  text += std::string(kPass) + "@vertex v\n@fragment f\n";
  fx::EffectSource e;
  std::string error;
  EXPECT_FALSE(Parse(text, &e, &error));
  EXPECT_NE(error.find("more than 8 samplers"), std::string::npos) << error;

  const std::string zero = std::string(kPass) + std::string("@vertex v\nvoid\0main\n", 20) + "@fragment f\n";
  EXPECT_FALSE(Parse(zero, &e, &error));
  EXPECT_NE(error.find("line 4: the text holds a zero byte"), std::string::npos) << error;
}

TEST(EffectParserTest, EveryTruncationOrCorruptionOfAnEffectParsesOrFailsCleanly) {
  const std::string text = kEffect;
  fx::EffectSource e;
  std::string error;
  for (std::size_t length = 0; length <= text.size(); ++length) {
    error.clear();
    if (!Parse(text.substr(0, length), &e, &error)) {
      EXPECT_FALSE(error.empty()) << length;
    }
  }
  // Flip single characters into the ones the tokenizer cares about.
  for (std::size_t at = 0; at < text.size(); at += 3) {
    for (char c : {'(', ')', '=', '#', '@', ',', '[', ']', '\n'}) {
      std::string corrupt = text;
      corrupt[at] = c;
      error.clear();
      if (!Parse(corrupt, &e, &error)) {
        EXPECT_FALSE(error.empty()) << at << " " << c;
      }
    }
  }
}

}  // namespace
