#include "tools/inspect/HeadlessRenderer.h"

#include <cstdio>

#include "frame/DisplayConfiguration.h"

namespace {

class Printer : public MessageOutputInterface {
 public:
  void Output(const char* text) override { std::fprintf(stderr, "%s\n", text); }
};

}  // namespace

HeadlessRenderer::HeadlessRenderer() = default;

HeadlessRenderer::~HeadlessRenderer() { renderer_.Uninit(); }

bool HeadlessRenderer::Start(bool fixedPipeline) {
  if (!headless_.Create(64, 64)) {
    std::fprintf(stderr, "inspect: no graphics device\n");
    return false;
  }
  // The standard shader mode: material maps load as the game loads them.
  GetDisplayConfiguration().useShaders = !fixedPipeline;
  GetDisplayConfiguration().highQuality = false;
  Printer printer;
  return renderer_.Init(fixedPipeline, &headless_.Parameters(), headless_.Device(), 64, 64, &printer);
}
