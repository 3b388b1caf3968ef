#include "frame/ProfilerView.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kTextX = 300;
constexpr int kTextY = 40;
constexpr float kBarX = 300.0f;
constexpr float kBarY = 10.0f;
constexpr float kBarWidth = 250.0f;
constexpr float kBarHeight = 25.0f;

const D3DXCOLOR kSectionColours[8] = {
    {0.0f, 0.7f, 0.3f, 0.5f}, {0.7f, 0.0f, 0.3f, 0.5f}, {0.2f, 0.2f, 0.8f, 0.5f}, {0.7f, 0.7f, 0.0f, 0.5f},
    {0.0f, 0.7f, 0.7f, 0.5f}, {0.7f, 0.0f, 0.7f, 0.5f}, {0.8f, 0.4f, 0.0f, 0.5f}, {0.8f, 0.5f, 0.5f, 0.5f},
};

}  // namespace

D3DXCOLOR ProfilerSectionColour(int section) { return kSectionColours[((section % 8) + 8) % 8]; }

void BuildProfilerView(const PerformanceMarker& marker, const char* const* names, int count, float frameInterval,
                       int lineHeight, ProfilerView* view) {
  count = std::clamp(count, 0, ProfilerView::kMaxLines);
  view->lineCount = 0;
  view->panelCount = 0;
  if (frameInterval <= 0.0f) return;

  view->panels[view->panelCount++] =
      ProfilerView::Panel{kBarX, kBarY, kBarX + kBarWidth, kBarY + kBarHeight, D3DXCOLOR(0.75f, 0.75f, 0.75f, 0.75f)};
  // One frame spans the whole bar.
  const float pixelsPerMs = kBarWidth / frameInterval;

  for (int k = 0; k < count; ++k) {
    const D3DXCOLOR colour = ProfilerSectionColour(k);
    const float average = marker.GetAverage(k);

    ProfilerView::Line& line = view->lines[view->lineCount++];
    std::snprintf(line.text, sizeof(line.text), "%s %.1fms %.1f%%", names[k] != nullptr ? names[k] : "",
                  static_cast<double>(average), static_cast<double>(average / frameInterval * 100.0f));
    line.x = kTextX;
    line.y = kTextY + k * lineHeight;
    line.colour = D3DXCOLOR(colour.r * 1.2f, colour.g * 1.2f, colour.b * 1.2f, colour.a * 2.0f);

    float left = kBarX + pixelsPerMs * marker.GetMeanBegin(k);
    const float length = pixelsPerMs * average;
    // A section that began in the previous frame (the physics step) is
    // shown where it falls in a frame: one mean frame length later.
    if (left + length * 0.5f < kBarX) left += pixelsPerMs * marker.GetMeanFrameLength();
    const float top = kBarY + static_cast<float>(k) * kBarHeight / 4.0f;
    view->panels[view->panelCount++] = ProfilerView::Panel{left, top, left + length, top + kBarHeight / 2.0f, colour};
  }
}
