#pragma once
// A renderer on a headless device, for inspecting files with the game's own
// texture and material loaders.

#include "platform/host/HeadlessDevice.h"
#include "render/RenderSystem.h"

class HeadlessRenderer {
 public:
  HeadlessRenderer();
  ~HeadlessRenderer();
  HeadlessRenderer(const HeadlessRenderer&) = delete;
  HeadlessRenderer& operator=(const HeadlessRenderer&) = delete;

  // False (with a line on stderr) when no device or renderer could start.
  bool Start(bool fixedPipeline);
  RenderSystem& Renderer() { return renderer_; }

 private:
  host::HeadlessDevice headless_;
  RenderSystem renderer_;
};
