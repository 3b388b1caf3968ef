// The frame clock on the real timer: ten seconds at 60 frames per second
// with an empty frame. Reports the frames run, how late frames start
// against their due time, and the CPU the loop uses while it waits.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <ctime>
#include <vector>

#include "frame/FwBase.h"
#include "platform/host/Headless.h"

namespace {

std::int64_t MonotonicMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

class EmptyFrameApp : public FwBase {
 public:
  explicit EmptyFrameApp(std::int64_t durationMicroseconds) : duration_(durationMicroseconds) {}

  int frames = 0;
  std::vector<double> latenessMs;

  bool Init() override {
    latenessMs.reserve(1024);
    return true;
  }
  void Exit() override {}
  void Frame() override {
    const std::int64_t now = MonotonicMicroseconds();
    if (frames == 0) start_ = now;
    // Counts the frames that start within the duration after the first one.
    if (now - start_ >= duration_) {
      SetQuitRequested(true);
      return;
    }
    if (frames > 0) {
      // The due time is in whole timer milliseconds of the same clock.
      const std::int64_t nowMs = now / 1000;
      const std::int32_t msLate = static_cast<std::int32_t>(static_cast<DWORD>(nowMs) - due_);
      latenessMs.push_back(msLate + static_cast<double>(now % 1000) / 1000.0);
    }
    due_ = GetNextFrameTime();
    ++frames;
  }

 private:
  std::int64_t duration_;
  std::int64_t start_ = 0;
  DWORD due_ = 0;
};

void BM_FrameClockTenSeconds(benchmark::State& state) {
  for (auto _ : state) {
    EmptyFrameApp app(10 * 1000000);
    const double cpuBefore = CpuSeconds();
    const std::int64_t wallBefore = MonotonicMicroseconds();
    app.Run(nullptr, 60.0f);
    const double wall = static_cast<double>(MonotonicMicroseconds() - wallBefore) / 1e6;
    const double cpu = CpuSeconds() - cpuBefore;

    double sum = 0.0;
    double worst = 0.0;
    std::size_t worstFrame = 0;
    int overOneMs = 0;
    for (std::size_t i = 0; i < app.latenessMs.size(); ++i) {
      const double late = app.latenessMs[i];
      sum += late;
      if (late > 1.0) ++overOneMs;
      if (late > worst) {
        worst = late;
        worstFrame = i + 1;
      }
    }
    state.counters["worst_frame"] = static_cast<double>(worstFrame);
    state.counters["late_over_1ms"] = overOneMs;
    state.counters["frames"] = app.frames;
    state.counters["mean_late_ms"] = app.latenessMs.empty() ? 0.0 : sum / static_cast<double>(app.latenessMs.size());
    state.counters["worst_late_ms"] = worst;
    state.counters["cpu_percent"] = 100.0 * cpu / wall;
  }
}

}  // namespace

BENCHMARK(BM_FrameClockTenSeconds)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

int main(int argc, char** argv) {
  host::UseHeadlessDrivers();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
