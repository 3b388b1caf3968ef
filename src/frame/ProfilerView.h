#pragma once
// What the profiler shows: one text line per section ("Update 3.1ms 18.6%")
// and a bar one frame wide with a lane per section. Built into fixed arrays,
// so the per-frame overlay allocates nothing; the overlay draws the result.

#include "frame/PerformanceMarker.h"
#include "platform/d3dx9/D3dxColor.h"

struct ProfilerView {
  static constexpr int kMaxLines = PerformanceMarker::kMaxSections;

  struct Line {
    char text[96];
    int x;
    int y;
    D3DCOLOR colour;  // drawn over an opaque black copy at (x + 1, y + 1)
  };
  struct Panel {
    float left;
    float top;
    float right;
    float bottom;
    D3DXCOLOR colour;
  };

  Line lines[kMaxLines];
  int lineCount = 0;
  Panel panels[kMaxLines + 1];  // the background first
  int panelCount = 0;
};

// The colour of profiler section k (the table repeats after eight).
D3DXCOLOR ProfilerSectionColour(int section);

// Lays out `count` sections named `names` for a frame of frameInterval
// milliseconds, with lines lineHeight pixels apart.
void BuildProfilerView(const PerformanceMarker& marker, const char* const* names, int count, float frameInterval,
                       int lineHeight, ProfilerView* view);
