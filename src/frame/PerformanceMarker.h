#pragma once
// Frame profiler: for up to 16 sections, the begin and end of the last four
// occurrences relative to the start of their frame, and averages of them.

#include <cstdint>

#include "platform/win32/WinTypes.h"

class PerformanceMarker {
 public:
  static constexpr int kMaxSections = 16;
  static constexpr int kSamples = 4;

  virtual ~PerformanceMarker() = default;

  // Starts a new frame. A section in progress keeps its true length: its
  // begin is re-based onto the new frame.
  void NewFrame();
  void Begin(int section);
  void End(int section);

  // Mean duration and mean begin offset in milliseconds over the completed
  // samples (an unfinished newest sample is skipped).
  float GetAverage(int section) const;
  float GetMeanBegin(int section) const;
  bool IsInProgress(int section) const;
  // Start of the current frame (0) and the three before it, in timer ms.
  DWORD GetFrameStart(int age) const;
  // Mean length of the last three frames in milliseconds.
  float GetMeanFrameLength() const;

 private:
  struct Sample {
    std::int32_t begin;
    std::int32_t end;
  };
  static bool IsValid(int section) { return section >= 0 && section < kMaxSections; }
  template <typename Value>
  float MeanOverCompleted(int section, Value value) const;

  DWORD frameStart_[kSamples] = {};
  Sample samples_[kMaxSections][kSamples] = {};
  bool inProgress_[kMaxSections] = {};
};
