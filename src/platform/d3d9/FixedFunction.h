#pragma once
// The fixed-function pipeline as generated GLSL: a key describes what the
// current states and vertex layout ask for; each distinct key gets one
// program, built on first use and kept.

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>

namespace d3d9 {

class GlStateCache;

constexpr int kFixedStages = 4;
constexpr int kFixedLights = 8;

// Plain bytes only (no padding), so keys compare and hash as memory.
struct FixedFunctionKey {
  std::uint8_t pretransformed = 0;
  std::uint8_t hasNormal = 0;
  std::uint8_t hasColor0 = 0;
  std::uint8_t hasColor1 = 0;
  std::uint8_t texCoordCount = 0;
  std::uint8_t blendMatrices = 1;  // world matrices blended (1 = no blending)
  std::uint8_t lighting = 0;
  std::uint8_t specular = 0;
  std::uint8_t normalizeNormals = 0;
  std::uint8_t localViewer = 0;
  std::uint8_t diffuseSource = 0;
  std::uint8_t ambientSource = 0;
  std::uint8_t specularSource = 0;
  std::uint8_t emissiveSource = 0;
  std::uint8_t lightCount = 0;
  std::array<std::uint8_t, kFixedLights> lightTypes{};
  std::uint8_t fog = 0;
  std::uint8_t rangeFog = 0;
  std::uint8_t alphaFunc = 0;  // 0: no alpha test
  struct Stage {
    std::uint8_t colorOp = 0;
    std::uint8_t colorArg1 = 0;
    std::uint8_t colorArg2 = 0;
    std::uint8_t alphaOp = 0;
    std::uint8_t alphaArg1 = 0;
    std::uint8_t alphaArg2 = 0;
    std::uint8_t texCoordIndex = 0;
    std::uint8_t hasTexture = 0;
  };
  std::array<Stage, kFixedStages> stages{};

  bool operator==(const FixedFunctionKey& other) const { return std::memcmp(this, &other, sizeof(*this)) == 0; }
};

struct FixedFunctionKeyHash {
  std::size_t operator()(const FixedFunctionKey& key) const;
};

// Uniform locations of a fixed-function program.
struct FixedFunctionProgram {
  unsigned program = 0;
  int worldView = -1;
  int normalMatrix = -1;
  int projection = -1;
  int viewport = -1;
  int lightDiffuse = -1;
  int lightSpecular = -1;
  int lightAmbient = -1;
  int lightDirection = -1;
  int lightPosition = -1;
  int lightAttenuation = -1;
  int materialDiffuse = -1;
  int materialAmbient = -1;
  int materialSpecular = -1;
  int materialEmissive = -1;
  int materialPower = -1;
  int globalAmbient = -1;
  int fog = -1;
  int fogColor = -1;
  int textureFactor = -1;
  int alphaRef = -1;
  int pixelOffset = -1;
  int depthBias = -1;
  std::uint32_t lastDepthBias = 0;  // the render state's bits; programs start with 0
  // Versions of the state groups last uploaded to this program.
  std::uint64_t transformVersion = ~0ull;
  std::uint64_t lightVersion = ~0ull;
  std::uint64_t materialVersion = ~0ull;
  std::uint64_t miscVersion = ~0ull;
};

// Generates the GLSL of a key (exposed for tests and error reports).
std::string FixedFunctionVertexShader(const FixedFunctionKey& key);
std::string FixedFunctionFragmentShader(const FixedFunctionKey& key);

// Compiles and links a vertex and fragment shader, binding the layer's
// attribute locations. Returns 0 and fills log on failure.
unsigned LinkProgram(const std::string& vertex, const std::string& fragment, std::string* log);

class FixedFunctionCache {
 public:
  ~FixedFunctionCache();
  // The program of the key, built on first use; null when it cannot be built.
  FixedFunctionProgram* Get(const FixedFunctionKey& key, GlStateCache& state);
  void Release();
  std::size_t Size() const { return programs_.size(); }

 private:
  std::unordered_map<FixedFunctionKey, std::unique_ptr<FixedFunctionProgram>, FixedFunctionKeyHash> programs_;
};

}  // namespace d3d9
