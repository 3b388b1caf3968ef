#include "CaptureOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

bool Parse(std::vector<const char*> arguments, CaptureOptions* options, std::string* error = nullptr) {
  arguments.insert(arguments.begin(), "capture");
  std::string ignored;
  return ParseCaptureOptions(static_cast<int>(arguments.size()), arguments.data(), options,
                             error != nullptr ? error : &ignored);
}

TEST(CaptureOptionsTest, ReadsEveryOption) {
  CaptureOptions options;
  ASSERT_TRUE(Parse({"--mode", "fixed", "--size", "1024x768", "--frames", "600", "--every", "30", "--frame", "45",
                     "--frame", "7", "--frame", "45", "--input", "run.txt", "--wav", "run.wav", "--root", "build",
                     "--trace", "out/run"},
                    &options));
  EXPECT_EQ(options.mode, "fixed");
  EXPECT_EQ(options.width, 1024);
  EXPECT_EQ(options.height, 768);
  EXPECT_EQ(options.frames, 600);
  EXPECT_EQ(options.every, 30);
  EXPECT_EQ(options.chosenFrames, (std::vector<int>{7, 45}));
  EXPECT_EQ(options.inputPath, "run.txt");
  EXPECT_EQ(options.wavPath, "run.wav");
  EXPECT_EQ(options.root, "build");
  EXPECT_EQ(options.prefix, "out/run");
  EXPECT_TRUE(options.trace);

  CaptureOptions help;
  EXPECT_TRUE(Parse({"--help"}, &help));
  EXPECT_TRUE(help.help);

  // A replay's length comes from the recording, so its frames are checked later.
  CaptureOptions replay;
  ASSERT_TRUE(Parse({"--replay", "s.rec", "--record", "again.rec", "--frame", "5000", "out/run"}, &replay));
  EXPECT_EQ(replay.replayPath, "s.rec");
  EXPECT_EQ(replay.recordPath, "again.rec");
  EXPECT_FALSE(replay.framesGiven);
}

TEST(CaptureOptionsTest, RefusesBadCommandLines) {
  const std::vector<std::vector<const char*>> bad = {
      {},                                         // no prefix
      {"--mode", "ultra", "p"},                   //
      {"--size", "0x600", "p"},                   //
      {"--size", "800x", "p"},                    //
      {"--size", "800", "p"},                     //
      {"--size", "5000x600", "p"},                //
      {"--size", "800x600x2", "p"},               //
      {"--frames", "abc", "p"},                   //
      {"--frames", "-1", "p"},                    //
      {"--frames", "99999999999999999999", "p"},  //
      {"--every", "0", "p"},                      //
      {"--frame", "61", "p"},                     // past the default 60 frames
      {"--frames", "10", "--frame", "11", "p"},   //
      {"p", "--frame"},                           // value missing
      {"--bogus", "p"},                           //
      {"p", "q"},                                 // two prefixes
      {"--replay", "s.rec", "--mode", "best", "p"},  // the recording has them
      {"--replay", "s.rec", "--input", "i.txt", "p"},
      {"--replay", "s.rec", "--frames", "10", "--frame", "11", "p"},
  };
  for (const std::vector<const char*>& arguments : bad) {
    CaptureOptions options;
    std::string error;
    EXPECT_FALSE(Parse(arguments, &options, &error)) << (arguments.empty() ? "(none)" : arguments[0]);
    EXPECT_FALSE(error.empty());
  }
}

TEST(CaptureOptionsTest, ChoosesTheFramesToWrite) {
  CaptureOptions last;
  last.frames = 60;
  EXPECT_TRUE(last.IsFrameWanted(60));
  EXPECT_FALSE(last.IsFrameWanted(59));

  CaptureOptions every;
  every.frames = 100;
  every.every = 30;
  EXPECT_TRUE(every.IsFrameWanted(30));
  EXPECT_TRUE(every.IsFrameWanted(90));
  EXPECT_FALSE(every.IsFrameWanted(100));  // the last is not implied once frames are chosen

  CaptureOptions both;
  ASSERT_TRUE(Parse({"--frames", "100", "--every", "30", "--frame", "45", "--frame", "1", "p"}, &both));
  for (int frame : {1, 30, 45, 60, 90}) EXPECT_TRUE(both.IsFrameWanted(frame)) << frame;
  for (int frame : {2, 44, 46, 100}) EXPECT_FALSE(both.IsFrameWanted(frame)) << frame;
}

}  // namespace
