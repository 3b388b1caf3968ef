#include "frame/PerformanceMarker.h"

#include <gtest/gtest.h>

#include "platform/host/VirtualClock.h"

namespace {

TEST(PerformanceMarkerTest, ASectionSpanningTheFrameBoundaryKeepsItsTrueLength) {
  host::VirtualClock clock(5000);
  PerformanceMarker marker;
  for (int frame = 0; frame < 4; ++frame) {
    marker.NewFrame();
    clock.Advance(2);
    marker.End(0);     // joined 2 ms into the frame
    clock.Advance(10);
    marker.Begin(0);   // started 12 ms into the frame...
    clock.Advance(5);  // ...which lasts 17 ms in all
  }
  marker.NewFrame();
  clock.Advance(2);
  marker.End(0);
  // Begun at 12 ms of one frame and ended 2 ms into the next 17-ms frame.
  EXPECT_FLOAT_EQ(marker.GetAverage(0), 7.0f);
  EXPECT_FLOAT_EQ(marker.GetMeanBegin(0), -5.0f);
  EXPECT_FLOAT_EQ(marker.GetMeanFrameLength(), 17.0f);
}

TEST(PerformanceMarkerTest, AveragesSkipTheUnfinishedSampleAndStartLow) {
  host::VirtualClock clock(1000);
  PerformanceMarker marker;
  marker.NewFrame();
  marker.Begin(1);
  clock.Advance(8);
  marker.End(1);
  // Only one real sample so far: the three zero samples count.
  EXPECT_FLOAT_EQ(marker.GetAverage(1), 2.0f);

  for (int frame = 0; frame < 3; ++frame) {
    marker.NewFrame();
    marker.Begin(1);
    clock.Advance(4);
    marker.End(1);
  }
  EXPECT_FLOAT_EQ(marker.GetAverage(1), (8.0f + 4.0f * 3) / 4.0f);

  marker.NewFrame();
  marker.Begin(1);  // in progress: averaged over the three completed samples
  EXPECT_TRUE(marker.IsInProgress(1));
  EXPECT_FLOAT_EQ(marker.GetAverage(1), 4.0f);
}

TEST(PerformanceMarkerTest, SectionsOutsideTheTableAreIgnored) {
  host::VirtualClock clock;
  PerformanceMarker marker;
  marker.NewFrame();
  marker.Begin(-1);
  marker.End(PerformanceMarker::kMaxSections);
  EXPECT_EQ(marker.GetAverage(99), 0.0f);
  EXPECT_FALSE(marker.IsInProgress(16));
}

}  // namespace
