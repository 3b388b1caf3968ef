#include "frame/PerformanceMarker.h"

#include "platform/win32/TimeApi.h"

void PerformanceMarker::NewFrame() {
  for (int i = kSamples - 1; i > 0; --i) frameStart_[i] = frameStart_[i - 1];
  frameStart_[0] = timeGetTime();
  const std::int32_t delta = static_cast<std::int32_t>(frameStart_[0] - frameStart_[1]);
  for (int section = 0; section < kMaxSections; ++section) {
    if (inProgress_[section]) samples_[section][0].begin -= delta;
  }
}

void PerformanceMarker::Begin(int section) {
  if (!IsValid(section)) return;
  Sample* samples = samples_[section];
  for (int i = kSamples - 1; i > 0; --i) samples[i] = samples[i - 1];
  samples[0].begin = static_cast<std::int32_t>(timeGetTime() - frameStart_[0]);
  samples[0].end = samples[0].begin;
  inProgress_[section] = true;
}

void PerformanceMarker::End(int section) {
  if (!IsValid(section)) return;
  samples_[section][0].end = static_cast<std::int32_t>(timeGetTime() - frameStart_[0]);
  inProgress_[section] = false;
}

template <typename Value>
float PerformanceMarker::MeanOverCompleted(int section, Value value) const {
  if (!IsValid(section)) return 0.0f;
  const int first = inProgress_[section] ? 1 : 0;
  float sum = 0.0f;
  for (int i = first; i < kSamples; ++i) sum += static_cast<float>(value(samples_[section][i]));
  return sum / static_cast<float>(kSamples - first);
}

float PerformanceMarker::GetAverage(int section) const {
  return MeanOverCompleted(section, [](const Sample& s) { return s.end - s.begin; });
}

float PerformanceMarker::GetMeanBegin(int section) const {
  return MeanOverCompleted(section, [](const Sample& s) { return s.begin; });
}

bool PerformanceMarker::IsInProgress(int section) const { return IsValid(section) && inProgress_[section]; }

DWORD PerformanceMarker::GetFrameStart(int age) const {
  return age >= 0 && age < kSamples ? frameStart_[age] : 0;
}

float PerformanceMarker::GetMeanFrameLength() const {
  return static_cast<float>(frameStart_[0] - frameStart_[3]) / 3.0f;
}
