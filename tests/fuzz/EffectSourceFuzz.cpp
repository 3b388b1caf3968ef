// The effect source format: the header parsed and checked, then the GLSL
// of every shader a pass names put together (no compiler needed).

#include <cstddef>
#include <cstdint>

#include "platform/d3dx9/EffectSource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  d3dx::fx::EffectSource source;
  std::string error;
  if (!d3dx::fx::ParseEffect(reinterpret_cast<const char*>(data), size, nullptr, &source, &error)) return 0;
  for (const d3dx::fx::TechniqueDecl& technique : source.techniques) {
    for (const d3dx::fx::PassDecl& pass : technique.passes) {
      d3dx::fx::StageSource(source, d3dx::fx::Stage::Vertex, pass.vertex);
      d3dx::fx::StageSource(source, d3dx::fx::Stage::Fragment, pass.fragment);
    }
  }
  for (const d3dx::fx::VertexArrayDecl& array : source.vertexArrays) {
    for (const d3dx::fx::ShaderRef& element : array.elements) {
      d3dx::fx::StageSource(source, d3dx::fx::Stage::Vertex, element);
    }
  }
  return 0;
}
