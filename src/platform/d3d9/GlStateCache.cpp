#include "platform/d3d9/GlStateCache.h"

#include <epoxy/gl.h>

namespace d3d9 {

namespace {
const unsigned kCapabilityList[] = {GL_DEPTH_TEST,       GL_BLEND,        GL_CULL_FACE,
                                    GL_STENCIL_TEST,     GL_SCISSOR_TEST, GL_POLYGON_OFFSET_FILL,
                                    GL_POLYGON_OFFSET_LINE, GL_MULTISAMPLE};
}  // namespace

void GlStateCache::Invalidate() {
  enabled_.fill(-1);
  depthFunc_ = 0;
  depthMask_ = -1;
  blendFunc_.fill(0);
  blendEquation_.fill(0);
  cullFace_ = 0;
  colorMask_ = -1;
  stencilKnown_ = false;
  stencilWriteMaskKnown_ = false;
  offsetKnown_ = false;
  polygonMode_ = 0;
  viewportKnown_ = false;
  scissorKnown_ = false;
  program_ = ~0u;
  framebuffer_ = ~0u;
  activeUnit_ = ~0u;
  bindingsKnown_ = false;
  arrayBuffer_ = ~0u;
  elementBuffer_ = ~0u;
}

int GlStateCache::CapabilityIndex(unsigned capability) const {
  for (int i = 0; i < kCapabilities; ++i) {
    if (kCapabilityList[i] == capability) return i;
  }
  return -1;
}

void GlStateCache::Enable(unsigned capability, bool on) {
  const int index = CapabilityIndex(capability);
  const int wanted = on ? 1 : 0;
  if (index >= 0 && enabled_[static_cast<std::size_t>(index)] == wanted) return;
  if (on) {
    glEnable(capability);
  } else {
    glDisable(capability);
  }
  if (index >= 0) enabled_[static_cast<std::size_t>(index)] = wanted;
  ++changes_;
}

void GlStateCache::DepthFunc(unsigned func) {
  if (depthFunc_ == func) return;
  glDepthFunc(func);
  depthFunc_ = func;
  ++changes_;
}

void GlStateCache::DepthMask(bool write) {
  const int wanted = write ? 1 : 0;
  if (depthMask_ == wanted) return;
  glDepthMask(write ? GL_TRUE : GL_FALSE);
  depthMask_ = wanted;
  ++changes_;
}

void GlStateCache::BlendFunc(unsigned src, unsigned dst, unsigned srcAlpha, unsigned dstAlpha) {
  const std::array<unsigned, 4> wanted{src, dst, srcAlpha, dstAlpha};
  if (blendFunc_ == wanted) return;
  glBlendFuncSeparate(src, dst, srcAlpha, dstAlpha);
  blendFunc_ = wanted;
  ++changes_;
}

void GlStateCache::BlendEquation(unsigned rgb, unsigned alpha) {
  const std::array<unsigned, 2> wanted{rgb, alpha};
  if (blendEquation_ == wanted) return;
  glBlendEquationSeparate(rgb, alpha);
  blendEquation_ = wanted;
  ++changes_;
}

void GlStateCache::CullFace(unsigned face) {
  if (cullFace_ == face) return;
  glCullFace(face);
  cullFace_ = face;
  ++changes_;
}

void GlStateCache::ColorMask(bool r, bool g, bool b, bool a) {
  const int wanted = (r ? 1 : 0) | (g ? 2 : 0) | (b ? 4 : 0) | (a ? 8 : 0);
  if (colorMask_ == wanted) return;
  glColorMask(r, g, b, a);
  colorMask_ = wanted;
  ++changes_;
}

void GlStateCache::Stencil(const StencilFace& face) {
  if (stencilKnown_ && stencil_ == face) return;
  if (!stencilKnown_ || stencil_.func != face.func || stencil_.ref != face.ref || stencil_.readMask != face.readMask) {
    glStencilFunc(face.func, face.ref, face.readMask);
    ++changes_;
  }
  if (!stencilKnown_ || stencil_.fail != face.fail || stencil_.depthFail != face.depthFail || stencil_.pass != face.pass) {
    glStencilOp(face.fail, face.depthFail, face.pass);
    ++changes_;
  }
  stencil_ = face;
  stencilKnown_ = true;
}

void GlStateCache::StencilWriteMask(unsigned mask) {
  if (stencilWriteMaskKnown_ && stencilWriteMask_ == mask) return;
  glStencilMask(mask);
  stencilWriteMask_ = mask;
  stencilWriteMaskKnown_ = true;
  ++changes_;
}

void GlStateCache::PolygonOffset(float factor, float units) {
  if (offsetKnown_ && offsetFactor_ == factor && offsetUnits_ == units) return;
  glPolygonOffset(factor, units);
  offsetFactor_ = factor;
  offsetUnits_ = units;
  offsetKnown_ = true;
  ++changes_;
}

void GlStateCache::PolygonMode(unsigned mode) {
  if (polygonMode_ == mode) return;
  glPolygonMode(GL_FRONT_AND_BACK, mode);
  polygonMode_ = mode;
  ++changes_;
}

void GlStateCache::Viewport(int x, int y, int width, int height) {
  const std::array<int, 4> wanted{x, y, width, height};
  if (viewportKnown_ && viewport_ == wanted) return;
  glViewport(x, y, width, height);
  viewport_ = wanted;
  viewportKnown_ = true;
  ++changes_;
}

void GlStateCache::Scissor(int x, int y, int width, int height) {
  const std::array<int, 4> wanted{x, y, width, height};
  if (scissorKnown_ && scissor_ == wanted) return;
  glScissor(x, y, width, height);
  scissor_ = wanted;
  scissorKnown_ = true;
  ++changes_;
}

void GlStateCache::UseProgram(unsigned program) {
  if (program_ == program) return;
  glUseProgram(program);
  program_ = program;
  ++changes_;
  ++programSwitches_;
}

void GlStateCache::BindFramebuffer(unsigned framebuffer) {
  if (framebuffer_ == framebuffer) return;
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  framebuffer_ = framebuffer;
  ++changes_;
}

void GlStateCache::ActiveTexture(unsigned unit) {
  if (activeUnit_ == unit) return;
  glActiveTexture(GL_TEXTURE0 + unit);
  activeUnit_ = unit;
}

void GlStateCache::BindTexture(unsigned unit, unsigned texture) {
  if (unit >= textures_.size()) return;
  if (bindingsKnown_ && textures_[unit] == texture) return;
  if (!bindingsKnown_) {
    textures_.fill(~0u);
    samplers_.fill(~0u);
    bindingsKnown_ = true;
  }
  if (textures_[unit] == texture) return;
  ActiveTexture(unit);
  glBindTexture(GL_TEXTURE_2D, texture);
  textures_[unit] = texture;
  ++changes_;
}

void GlStateCache::BindSampler(unsigned unit, unsigned sampler) {
  if (unit >= samplers_.size()) return;
  if (!bindingsKnown_) {
    textures_.fill(~0u);
    samplers_.fill(~0u);
    bindingsKnown_ = true;
  }
  if (samplers_[unit] == sampler) return;
  glBindSampler(unit, sampler);
  samplers_[unit] = sampler;
  ++changes_;
}

void GlStateCache::BindArrayBuffer(unsigned buffer) {
  if (arrayBuffer_ == buffer) return;
  glBindBuffer(GL_ARRAY_BUFFER, buffer);
  arrayBuffer_ = buffer;
  ++changes_;
}

void GlStateCache::BindElementBuffer(unsigned buffer) {
  if (elementBuffer_ == buffer) return;
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffer);
  elementBuffer_ = buffer;
  ++changes_;
}

void GlStateCache::ForgetTexture(unsigned texture) {
  for (unsigned& bound : textures_) {
    if (bound == texture) bound = ~0u;
  }
}

void GlStateCache::ForgetBuffer(unsigned buffer) {
  if (arrayBuffer_ == buffer) arrayBuffer_ = ~0u;
  if (elementBuffer_ == buffer) elementBuffer_ = ~0u;
}

void GlStateCache::ForgetFramebuffer(unsigned framebuffer) {
  if (framebuffer_ == framebuffer) framebuffer_ = ~0u;
}

void GlStateCache::ForgetProgram(unsigned program) {
  if (program_ == program) program_ = ~0u;
}

}  // namespace d3d9
