// The text overlay: the frame rate always; with the menu shown, the camera
// position, the status lines, the fighter counts and the profiler. Every
// line has a black shadow one pixel right and down.

#include <cstdio>

#include "app/AppMain.h"
#include "frame/ProfilerDraw.h"

namespace {

constexpr D3DCOLOR kShadowColour = 0xFF000000u;
constexpr D3DCOLOR kTextColour = 0xFFFFFFFFu;

}  // namespace

void AppMain::DrawOverlayLine(const char* text, int left, int top, bool rightAligned) {
  ID3DXFont* font = GetFont();
  if (font == nullptr) return;
  const DWORD format = DT_NOCLIP | (rightAligned ? DT_RIGHT : 0u);
  // Right-aligned lines end at `left`; the others start there.
  RECT shadow = rightAligned ? RECT{0, top + 1, left + 1, GetHeight()} : RECT{left + 1, top + 1, GetWidth(), GetHeight()};
  font->DrawTextA(nullptr, text, -1, &shadow, format, kShadowColour);
  RECT white = rightAligned ? RECT{0, top, left, GetHeight()} : RECT{left, top, GetWidth(), GetHeight()};
  font->DrawTextA(nullptr, text, -1, &white, format, kTextColour);
}

void AppMain::DrawOverlay() {
  const int width = GetWidth();
  const int height = GetHeight();
  char text[256];
  const float averageMs = GetAverageFrameMs();
  std::snprintf(text, sizeof(text), "FPS:%d (%.1fms->%.1ff/s)", GetFramesPerSecond(), averageMs,
                averageMs > 0.0f ? 1000.0f / averageMs : 0.0f);
  DrawOverlayLine(text, 10, 10, false);
  if (!menuVisible_) return;

  const D3DXVECTOR3& eye = GetCamera().eye;
  std::snprintf(text, sizeof(text), "%s (%.2f %.2f %.2f)", "CamPos", eye.x, eye.y, eye.z);
  DrawOverlayLine(text, width - 10, 10, true);
  DrawOverlayLine(landText_, 10, height - 60, false);
  DrawOverlayLine(physicsText_.c_str(), 10, height - 30, false);

  int ragdolls = 0;
  int resting = 0;
  for (const CharacterObj* character : characters_) {
    if (character->isRagdoll) {
      ++ragdolls;
      if (character->GetRagdoll().IsSettled()) ++resting;
    } else if (character->GetCapsule().IsResting()) {
      ++resting;
    }
  }
  std::snprintf(text, sizeof(text), "Char:%d (D:%d S:%d)", static_cast<int>(characters_.size()), ragdolls, resting);
  DrawOverlayLine(text, width - 220, height - 30, true);

  BuildProfilerView(profiler_, kProfilerNames, kProfileSectionCount, GetFrameInterval(), GetFontHeight(),
                    &profilerView_);
  DrawProfilerView(*this, profilerView_);
}
