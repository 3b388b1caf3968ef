#include "platform/d3d9/FixedFunction.h"

#include <epoxy/gl.h>

#include <cstdio>

#include "platform/d3d9/D3d9Constants.h"
#include "platform/d3d9/GlPrograms.h"
#include "platform/d3d9/GlStateCache.h"
#include "platform/d3d9/VertexAttributes.h"

namespace d3d9 {

std::size_t FixedFunctionKeyHash::operator()(const FixedFunctionKey& key) const {
  // FNV-1a over the key's bytes.
  const auto* bytes = reinterpret_cast<const unsigned char*>(&key);
  std::size_t hash = 1469598103934665603ull;
  for (std::size_t i = 0; i < sizeof(key); ++i) {
    hash ^= bytes[i];
    hash *= 1099511628211ull;
  }
  return hash;
}

namespace {

std::string Format(const char* format, int a, int b = 0) {
  char buffer[256];
  std::snprintf(buffer, sizeof(buffer), format, a, b);
  return buffer;
}

// The material colour a lighting term uses: the material's own, or a vertex colour.
std::string MaterialSource(const FixedFunctionKey& key, int source, const char* material) {
  if (source == D3DMCS_COLOR1 && key.hasColor0) return "a_color0";
  if (source == D3DMCS_COLOR2 && key.hasColor1) return "a_color1";
  return material;
}

void AppendLighting(const FixedFunctionKey& key, std::string* s) {
  const std::string diffuse = MaterialSource(key, key.diffuseSource, "u_materialDiffuse");
  const std::string ambient = MaterialSource(key, key.ambientSource, "u_materialAmbient");
  const std::string specular = MaterialSource(key, key.specularSource, "u_materialSpecular");
  const std::string emissive = MaterialSource(key, key.emissiveSource, "u_materialEmissive");
  *s += "  vec3 n = viewNormal;\n";
  if (key.normalizeNormals) *s += "  n = normalize(n);\n";
  *s += key.localViewer ? "  vec3 toEye = normalize(-viewPosition.xyz);\n" : "  vec3 toEye = vec3(0.0, 0.0, -1.0);\n";
  *s += "  vec3 ambientSum = vec3(0.0);\n  vec3 diffuseSum = vec3(0.0);\n  vec3 specularSum = vec3(0.0);\n";
  for (int i = 0; i < key.lightCount; ++i) {
    *s += "  {\n";
    if (key.lightTypes[static_cast<std::size_t>(i)] == D3DLIGHT_DIRECTIONAL) {
      *s += Format("    vec3 l = u_lightDirection[%d];\n    float attenuation = 1.0;\n", i);
    } else {
      *s += Format("    vec3 d = u_lightPosition[%d] - viewPosition.xyz;\n    float dist = length(d);\n", i);
      *s += "    vec3 l = d / max(dist, 1e-6);\n";
      *s += Format("    vec4 k = u_lightAttenuation[%d];\n", i);
      *s += "    float attenuation = dist > k.w ? 0.0 : 1.0 / max(k.x + k.y * dist + k.z * dist * dist, 1e-6);\n";
    }
    *s += Format("    ambientSum += u_lightAmbient[%d].rgb * attenuation;\n", i);
    *s += "    float nDotL = max(dot(n, l), 0.0);\n";
    *s += Format("    diffuseSum += u_lightDiffuse[%d].rgb * nDotL * attenuation;\n", i);
    if (key.specular) {
      *s += "    vec3 h = normalize(toEye + l);\n";
      *s += "    float nDotH = max(dot(n, h), 0.0);\n";
      *s += Format("    if (nDotL > 0.0) specularSum += u_lightSpecular[%d].rgb * pow(nDotH, u_materialPower) * attenuation;\n",
                   i);
    }
    *s += "  }\n";
  }
  *s += "  vec3 lit = " + emissive + ".rgb + u_globalAmbient.rgb * " + ambient + ".rgb + ambientSum * " + ambient +
        ".rgb + diffuseSum * " + diffuse + ".rgb;\n";
  *s += "  v_diffuse = clamp(vec4(lit, " + diffuse + ".a), 0.0, 1.0);\n";
  *s += "  v_specular = clamp(vec4(specularSum * " + specular + ".rgb, 0.0), 0.0, 1.0);\n";
}

// GLSL of a stage argument.
std::string Argument(int stage, int argument) {
  std::string value;
  switch (argument & D3DTA_SELECTMASK) {
    case D3DTA_DIFFUSE: value = "v_diffuse"; break;
    case D3DTA_CURRENT: value = stage == 0 ? "v_diffuse" : "current"; break;
    case D3DTA_TEXTURE: value = Format("tex%d", stage); break;
    case D3DTA_TFACTOR: value = "u_textureFactor"; break;
    case D3DTA_SPECULAR: value = "v_specular"; break;
    default: value = "current"; break;
  }
  if (argument & D3DTA_ALPHAREPLICATE) value = "vec4(" + value + ".a)";
  if (argument & D3DTA_COMPLEMENT) value = "(vec4(1.0) - " + value + ")";
  return value;
}

// GLSL of one stage operation on its two arguments.
std::string Operation(int op, int stage, const std::string& a, const std::string& b) {
  switch (op) {
    case D3DTOP_SELECTARG1: return a;
    case D3DTOP_SELECTARG2: return b;
    case D3DTOP_MODULATE: return a + " * " + b;
    case D3DTOP_MODULATE2X: return a + " * " + b + " * 2.0";
    case D3DTOP_MODULATE4X: return a + " * " + b + " * 4.0";
    case D3DTOP_ADD: return a + " + " + b;
    case D3DTOP_ADDSIGNED: return a + " + " + b + " - vec4(0.5)";
    case D3DTOP_ADDSIGNED2X: return "(" + a + " + " + b + " - vec4(0.5)) * 2.0";
    case D3DTOP_SUBTRACT: return a + " - " + b;
    case D3DTOP_ADDSMOOTH: return a + " + " + b + " - " + a + " * " + b;
    case D3DTOP_BLENDDIFFUSEALPHA: return "mix(" + b + ", " + a + ", v_diffuse.a)";
    case D3DTOP_BLENDTEXTUREALPHA: return "mix(" + b + ", " + a + Format(", tex%d.a)", stage);
    case D3DTOP_BLENDFACTORALPHA: return "mix(" + b + ", " + a + ", u_textureFactor.a)";
    case D3DTOP_BLENDCURRENTALPHA: return "mix(" + b + ", " + a + ", current.a)";
    default: return a + " * " + b;
  }
}

const char* AlphaCompare(int func) {
  switch (func) {
    case D3DCMP_NEVER: return "false";
    case D3DCMP_LESS: return "alpha8 < u_alphaRef";
    case D3DCMP_EQUAL: return "alpha8 == u_alphaRef";
    case D3DCMP_LESSEQUAL: return "alpha8 <= u_alphaRef";
    case D3DCMP_GREATER: return "alpha8 > u_alphaRef";
    case D3DCMP_NOTEQUAL: return "alpha8 != u_alphaRef";
    case D3DCMP_GREATEREQUAL: return "alpha8 >= u_alphaRef";
    default: return "true";
  }
}

}  // namespace

std::string FixedFunctionVertexShader(const FixedFunctionKey& key) {
  std::string s = "#version 330 core\n";
  s += key.pretransformed ? "layout(location = 0) in vec4 a_position;\n" : "layout(location = 0) in vec3 a_position;\n";
  if (key.blendMatrices > 1) s += "layout(location = 1) in vec4 a_blendWeight;\n";
  if (key.hasNormal) s += "layout(location = 2) in vec3 a_normal;\n";
  if (key.hasColor0) s += "layout(location = 3) in vec4 a_color0;\n";
  if (key.hasColor1) s += "layout(location = 4) in vec4 a_color1;\n";
  for (int i = 0; i < key.texCoordCount; ++i) s += Format("layout(location = %d) in vec4 a_texCoord%d;\n", 5 + i, i);
  s += "uniform mat4 u_worldView[4];\nuniform mat3 u_normalMatrix[4];\nuniform mat4 u_projection;\n";
  s += "uniform vec4 u_viewport;\n";
  s += "uniform vec4 u_lightDiffuse[8];\nuniform vec4 u_lightSpecular[8];\nuniform vec4 u_lightAmbient[8];\n";
  s += "uniform vec3 u_lightDirection[8];\nuniform vec3 u_lightPosition[8];\nuniform vec4 u_lightAttenuation[8];\n";
  s += "uniform vec4 u_materialDiffuse;\nuniform vec4 u_materialAmbient;\nuniform vec4 u_materialSpecular;\n";
  s += "uniform vec4 u_materialEmissive;\nuniform float u_materialPower;\nuniform vec4 u_globalAmbient;\n";
  s += "uniform vec3 u_fog;\n";
  s += "out vec4 v_diffuse;\nout vec4 v_specular;\nout float v_fog;\n";
  for (int i = 0; i < key.texCoordCount; ++i) s += Format("out vec4 v_texCoord%d;\n", i);
  s += kClipFixGlsl;
  s += "void main() {\n";
  for (int i = 0; i < key.texCoordCount; ++i) s += Format("  v_texCoord%d = a_texCoord%d;\n", i, i);
  s += "  v_fog = 1.0;\n";
  const char* colour0 = key.hasColor0 ? "a_color0" : "vec4(1.0)";
  const char* colour1 = key.hasColor1 ? "a_color1" : "vec4(0.0)";
  if (key.pretransformed) {
    // Screen pixels with Direct3D's pixel centres; w = 1 / rhw keeps texturing perspective-correct.
    s += "  float w = a_position.w != 0.0 ? 1.0 / a_position.w : 1.0;\n";
    s += "  vec2 ndc = vec2((a_position.x - u_viewport.x) / u_viewport.z * 2.0 - 1.0,\n";
    s += "                  1.0 - (a_position.y - u_viewport.y) / u_viewport.w * 2.0);\n";
    s += "  gl_Position = d3d_ClipFix(vec4(ndc * w, a_position.z * w, w));\n";
    s += std::string("  v_diffuse = ") + colour0 + ";\n  v_specular = " + colour1 + ";\n}\n";
    return s;
  }
  if (key.blendMatrices > 1) {
    s += "  float weights[4];\n  float last = 1.0;\n";
    for (int i = 0; i + 1 < key.blendMatrices; ++i) {
      s += Format("  weights[%d] = a_blendWeight[%d];\n", i, i);
      s += Format("  last -= weights[%d];\n", i);
    }
    s += Format("  weights[%d] = last;\n", key.blendMatrices - 1);
    s += "  vec4 viewPosition = vec4(0.0);\n  vec3 viewNormal = vec3(0.0);\n";
    s += Format("  for (int i = 0; i < %d; ++i) {\n", key.blendMatrices);
    s += "    viewPosition += weights[i] * (u_worldView[i] * vec4(a_position, 1.0));\n";
    if (key.hasNormal) s += "    viewNormal += weights[i] * (u_normalMatrix[i] * a_normal);\n";
    s += "  }\n";
  } else {
    s += "  vec4 viewPosition = u_worldView[0] * vec4(a_position, 1.0);\n";
    s += key.hasNormal ? "  vec3 viewNormal = u_normalMatrix[0] * a_normal;\n" : "  vec3 viewNormal = vec3(0.0);\n";
  }
  s += "  gl_Position = d3d_ClipFix(u_projection * viewPosition);\n";
  if (key.lighting) {
    AppendLighting(key, &s);
  } else {
    s += std::string("  v_diffuse = ") + colour0 + ";\n  v_specular = " + colour1 + ";\n";
  }
  if (key.fog) {
    s += key.rangeFog ? "  float fogDistance = length(viewPosition.xyz);\n" : "  float fogDistance = viewPosition.z;\n";
    s += "  v_fog = clamp((u_fog.y - fogDistance) * u_fog.z, 0.0, 1.0);\n";
  }
  s += "}\n";
  return s;
}

std::string FixedFunctionFragmentShader(const FixedFunctionKey& key) {
  std::string s = "#version 330 core\n";
  s += "in vec4 v_diffuse;\nin vec4 v_specular;\nin float v_fog;\n";
  for (int i = 0; i < key.texCoordCount; ++i) s += Format("in vec4 v_texCoord%d;\n", i);
  for (int i = 0; i < kFixedStages; ++i) s += Format("uniform sampler2D u_texture%d;\n", i);
  s += "uniform vec4 u_textureFactor;\nuniform int u_alphaRef;\nuniform vec4 u_fogColor;\n";
  s += "out vec4 fragColor;\n";
  s += "void main() {\n  vec4 current = v_diffuse;\n";
  for (int stage = 0; stage < kFixedStages; ++stage) {
    const FixedFunctionKey::Stage& st = key.stages[static_cast<std::size_t>(stage)];
    if (st.colorOp == 0 || st.colorOp == D3DTOP_DISABLE) break;
    // A stage without texture coordinates samples the texture at its origin.
    const int index = st.texCoordIndex;
    const std::string coord = index < key.texCoordCount ? Format("v_texCoord%d.xy", index) : "vec2(0.0)";
    s += Format("  vec4 tex%d = texture(u_texture%d, ", stage, stage) + coord + ");\n";
    s += "  {\n";
    // A stage with no texture passes the colour on where its operation
    // would have used the texture, so untextured geometry keeps its vertex
    // colour and alpha.
    const auto usesTexture = [](int op, int a, int b) {
      if (op == D3DTOP_SELECTARG1) return (a & D3DTA_SELECTMASK) == D3DTA_TEXTURE;
      if (op == D3DTOP_SELECTARG2) return (b & D3DTA_SELECTMASK) == D3DTA_TEXTURE;
      return (a & D3DTA_SELECTMASK) == D3DTA_TEXTURE || (b & D3DTA_SELECTMASK) == D3DTA_TEXTURE ||
             op == D3DTOP_BLENDTEXTUREALPHA;
    };
    const std::string incoming = stage == 0 ? "v_diffuse" : "current";
    if (!st.hasTexture && usesTexture(st.colorOp, st.colorArg1, st.colorArg2)) {
      s += "    vec3 colour = " + incoming + ".rgb;\n";
    } else {
      s += "    vec3 colour = (" +
           Operation(st.colorOp, stage, Argument(stage, st.colorArg1), Argument(stage, st.colorArg2)) + ").rgb;\n";
    }
    if (st.alphaOp == 0 || st.alphaOp == D3DTOP_DISABLE ||
        (!st.hasTexture && usesTexture(st.alphaOp, st.alphaArg1, st.alphaArg2))) {
      s += "    float alpha = " + incoming + ".a;\n";
    } else {
      s += "    float alpha = (" +
           Operation(st.alphaOp, stage, Argument(stage, st.alphaArg1), Argument(stage, st.alphaArg2)) + ").a;\n";
    }
    s += "    current = clamp(vec4(colour, alpha), 0.0, 1.0);\n  }\n";
  }
  if (key.specular && !key.pretransformed) s += "  current.rgb = clamp(current.rgb + v_specular.rgb, 0.0, 1.0);\n";
  if (key.fog) s += "  current.rgb = mix(u_fogColor.rgb, current.rgb, v_fog);\n";
  if (key.alphaFunc != 0) {
    s += "  int alpha8 = int(floor(current.a * 255.0 + 0.5));\n";
    s += std::string("  if (!(") + AlphaCompare(key.alphaFunc) + ")) discard;\n";
  }
  s += "  fragColor = current;\n}\n";
  return s;
}

unsigned LinkProgram(const std::string& vertex, const std::string& fragment, std::string* log) {
  const unsigned vs = CompileGlShader(GL_VERTEX_SHADER, vertex, log);
  if (vs == 0) return 0;
  const unsigned fs = CompileGlShader(GL_FRAGMENT_SHADER, fragment, log);
  const unsigned program = fs != 0 ? LinkGlProgram(vs, fs, log) : 0;
  glDeleteShader(vs);
  if (fs != 0) glDeleteShader(fs);
  return program;
}

FixedFunctionCache::~FixedFunctionCache() { Release(); }

void FixedFunctionCache::Release() {
  for (auto& entry : programs_) {
    if (entry.second && entry.second->program != 0) glDeleteProgram(entry.second->program);
  }
  programs_.clear();
}

FixedFunctionProgram* FixedFunctionCache::Get(const FixedFunctionKey& key, GlStateCache& state) {
  auto found = programs_.find(key);
  if (found != programs_.end()) return found->second.get();

  auto entry = std::make_unique<FixedFunctionProgram>();
  std::string log;
  entry->program = LinkProgram(FixedFunctionVertexShader(key), FixedFunctionFragmentShader(key), &log);
  if (entry->program == 0) {
    std::fprintf(stderr, "grapple: fixed-function shader failed: %s\n", log.c_str());
    programs_.emplace(key, nullptr);
    return nullptr;
  }
  const unsigned p = entry->program;
  entry->worldView = glGetUniformLocation(p, "u_worldView");
  entry->normalMatrix = glGetUniformLocation(p, "u_normalMatrix");
  entry->projection = glGetUniformLocation(p, "u_projection");
  entry->viewport = glGetUniformLocation(p, "u_viewport");
  entry->lightDiffuse = glGetUniformLocation(p, "u_lightDiffuse");
  entry->lightSpecular = glGetUniformLocation(p, "u_lightSpecular");
  entry->lightAmbient = glGetUniformLocation(p, "u_lightAmbient");
  entry->lightDirection = glGetUniformLocation(p, "u_lightDirection");
  entry->lightPosition = glGetUniformLocation(p, "u_lightPosition");
  entry->lightAttenuation = glGetUniformLocation(p, "u_lightAttenuation");
  entry->materialDiffuse = glGetUniformLocation(p, "u_materialDiffuse");
  entry->materialAmbient = glGetUniformLocation(p, "u_materialAmbient");
  entry->materialSpecular = glGetUniformLocation(p, "u_materialSpecular");
  entry->materialEmissive = glGetUniformLocation(p, "u_materialEmissive");
  entry->materialPower = glGetUniformLocation(p, "u_materialPower");
  entry->globalAmbient = glGetUniformLocation(p, "u_globalAmbient");
  entry->fog = glGetUniformLocation(p, "u_fog");
  entry->fogColor = glGetUniformLocation(p, "u_fogColor");
  entry->textureFactor = glGetUniformLocation(p, "u_textureFactor");
  entry->alphaRef = glGetUniformLocation(p, "u_alphaRef");
  entry->pixelOffset = glGetUniformLocation(p, "d3d_PixelOffset");
  entry->depthBias = glGetUniformLocation(p, "d3d_DepthBias");
  state.UseProgram(p);
  for (int i = 0; i < kFixedStages; ++i) {
    const int location = glGetUniformLocation(p, Format("u_texture%d", i).c_str());
    if (location >= 0) glUniform1i(location, i);
  }
  FixedFunctionProgram* result = entry.get();
  programs_.emplace(key, std::move(entry));
  return result;
}

}  // namespace d3d9
