#pragma once
// The OpenGL state the layer has set, so that a value already in place is
// never sent to GL again. Every GL state change of the device goes through
// here (and is counted).

#include <array>
#include <cstdint>

namespace d3d9 {

struct StencilFace {
  unsigned func = 0;
  int ref = 0;
  unsigned readMask = 0;
  unsigned fail = 0;
  unsigned depthFail = 0;
  unsigned pass = 0;
  bool operator==(const StencilFace& o) const {
    return func == o.func && ref == o.ref && readMask == o.readMask && fail == o.fail && depthFail == o.depthFail &&
           pass == o.pass;
  }
};

class GlStateCache {
 public:
  // Forgets everything, so the next request of each state reaches GL.
  void Invalidate();

  void Enable(unsigned capability, bool on);
  void DepthFunc(unsigned func);
  void DepthMask(bool write);
  void BlendFunc(unsigned src, unsigned dst, unsigned srcAlpha, unsigned dstAlpha);
  void BlendEquation(unsigned rgb, unsigned alpha);
  void CullFace(unsigned face);
  void ColorMask(bool r, bool g, bool b, bool a);
  void Stencil(const StencilFace& face);
  void StencilWriteMask(unsigned mask);
  void PolygonOffset(float factor, float units);
  void PolygonMode(unsigned mode);
  void Viewport(int x, int y, int width, int height);
  void Scissor(int x, int y, int width, int height);
  void UseProgram(unsigned program);
  void BindFramebuffer(unsigned framebuffer);
  void ActiveTexture(unsigned unit);
  void BindTexture(unsigned unit, unsigned texture);
  void BindSampler(unsigned unit, unsigned sampler);
  void BindArrayBuffer(unsigned buffer);
  void BindElementBuffer(unsigned buffer);

  // A deleted GL object may come back under the same name: drop any record
  // of it being bound.
  void ForgetTexture(unsigned texture);
  void ForgetBuffer(unsigned buffer);
  void ForgetFramebuffer(unsigned framebuffer);
  void ForgetProgram(unsigned program);

  // Counts a GL state call made outside the cache (sampler parameters).
  void CountChange() { ++changes_; }

  std::uint64_t Changes() const { return changes_; }
  std::uint64_t ProgramSwitches() const { return programSwitches_; }
  unsigned CurrentFramebuffer() const { return framebuffer_; }

 private:
  static constexpr int kCapabilities = 8;
  int CapabilityIndex(unsigned capability) const;

  std::array<int, kCapabilities> enabled_{};  // -1 unknown, 0 off, 1 on
  unsigned depthFunc_ = 0;
  int depthMask_ = -1;
  std::array<unsigned, 4> blendFunc_{};
  std::array<unsigned, 2> blendEquation_{};
  unsigned cullFace_ = 0;
  int colorMask_ = -1;
  StencilFace stencil_{};
  bool stencilKnown_ = false;
  unsigned stencilWriteMask_ = 0;
  bool stencilWriteMaskKnown_ = false;
  float offsetFactor_ = 0.0f;
  float offsetUnits_ = 0.0f;
  bool offsetKnown_ = false;
  unsigned polygonMode_ = 0;
  std::array<int, 4> viewport_{};
  bool viewportKnown_ = false;
  std::array<int, 4> scissor_{};
  bool scissorKnown_ = false;
  unsigned program_ = ~0u;
  unsigned framebuffer_ = ~0u;
  unsigned activeUnit_ = ~0u;
  std::array<unsigned, 16> textures_{};
  std::array<unsigned, 16> samplers_{};
  bool bindingsKnown_ = false;
  unsigned arrayBuffer_ = ~0u;
  unsigned elementBuffer_ = ~0u;
  std::uint64_t changes_ = 0;
  std::uint64_t programSwitches_ = 0;
};

}  // namespace d3d9
