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

#include "frame/ProfilerView.h"

namespace {

TEST(ProfilerViewTest, LinesAndBarsScaleToOneFrame) {
  host::VirtualClock clock(0);
  PerformanceMarker marker;
  // Section 0 ("Update") runs 0-5 ms; section 2 ("Physics") from 10 ms to
  // 3 ms into the next frame; frames are 20 ms long.
  for (int frame = 0; frame < 5; ++frame) {
    marker.NewFrame();
    clock.Advance(3);
    marker.End(2);
    marker.Begin(0);
    clock.Advance(2);
    marker.End(0);
    clock.Advance(5);
    marker.Begin(2);
    clock.Advance(10);
  }
  const char* const names[3] = {"Update", "Draw", "Physics"};
  ProfilerView view;
  BuildProfilerView(marker, names, 3, 20.0f, 16, &view);

  ASSERT_EQ(view.lineCount, 3);
  EXPECT_STREQ(view.lines[0].text, "Update 2.0ms 10.0%");
  EXPECT_STREQ(view.lines[2].text, "Physics 13.0ms 65.0%");
  EXPECT_EQ(view.lines[2].y, 40 + 2 * 16);
  // Section colour brightened by 1.2, alpha doubled, packed with clamping.
  EXPECT_EQ(view.lines[0].colour, D3DXCOLOR(0.0f, 0.84f, 0.36f, 1.0f));

  ASSERT_EQ(view.panelCount, 4);
  const ProfilerView::Panel& update = view.panels[1];
  EXPECT_FLOAT_EQ(update.left, 300.0f + 250.0f * 3.0f / 20.0f);
  EXPECT_FLOAT_EQ(update.right - update.left, 250.0f * 2.0f / 20.0f);
  EXPECT_FLOAT_EQ(update.bottom - update.top, 12.5f);
  // Physics began 10 ms before its frame: shown one frame later, at 10 ms.
  const ProfilerView::Panel& physics = view.panels[3];
  EXPECT_FLOAT_EQ(physics.left, 300.0f + 250.0f * 10.0f / 20.0f);
  EXPECT_FLOAT_EQ(physics.top, 10.0f + 2 * 25.0f / 4.0f);
}

}  // namespace
