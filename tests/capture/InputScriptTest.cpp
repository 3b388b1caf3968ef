#include "platform/host/InputScript.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "platform/host/ScriptedInput.h"
#include "platform/win32/WinUser.h"

namespace {

using Kind = ScriptEvent::Kind;

std::vector<ScriptEvent> ParseOk(const std::string& text, InputScript* whole = nullptr) {
  InputScript script;
  std::string error;
  EXPECT_TRUE(ParseInputScript(text, &script, &error)) << error;
  if (whole != nullptr) *whole = script;
  return script.events;
}

std::string ParseError(const std::string& text) {
  InputScript script;
  std::string error;
  EXPECT_FALSE(ParseInputScript(text, &script, &error)) << text;
  return error;
}

constexpr const char* kHeader = "version 1.2\nseed 4000000000\nmode Standard\nsize 320x240\nfocus yes\n";

TEST(InputScriptTest, ParsesEveryEventFormWithCommentsBlankLinesAndCrlf) {
  const std::vector<ScriptEvent> events = ParseOk(
      "# a run\n"
      "\n"
      "1 key down UP\r\n"
      "  2\tKEY Up up   # trailing comment\n"
      "3 key tap f5\n"
      "4 mouse move 640 16383\n"
      "5 mouse down right\n"
      "6 Mouse Up MIDDLE\n"
      "7 wheel -3\n"
      "8 key down control\n"
      "9 pad 2 plug\n"
      "9 pad 2 axis LeftTrigger 32767\n"
      "10 pad 2 down dpleft\n"
      "11 focus lost\n"
      "12 close\n"
      "13 mouse move -5 -16384\n"
      "14 wheel 0.125\n"
      "15 key down scan88");  // no newline at the end
  ASSERT_EQ(events.size(), 16u);
  const struct {
    int frame;
    Kind kind;
    int a;
    int b;
  } expected[] = {{1, Kind::KeyDown, VK_UP, 82},        {2, Kind::KeyUp, VK_UP, 82},        {3, Kind::KeyTap, VK_F5, 62},
                  {4, Kind::MouseMove, 640, 16383},     {5, Kind::ButtonDown, VK_RBUTTON, 0}, {6, Kind::ButtonUp, VK_MBUTTON, 0},
                  {7, Kind::Wheel, -360, 0},            {8, Kind::KeyDown, VK_CONTROL, 224}, {9, Kind::PadPlug, 2, 0},
                  {9, Kind::PadAxis, 2, 4},             {10, Kind::PadDown, 2, 13},          {11, Kind::FocusLost, 0, 0},
                  {12, Kind::Close, 0, 0},              {13, Kind::MouseMove, -5, -16384},   {14, Kind::Wheel, 15, 0},
                  {15, Kind::KeyDown, VK_RETURN, 88}};
  for (std::size_t i = 0; i < events.size(); ++i) {
    EXPECT_EQ(events[i].frame, expected[i].frame) << i;
    EXPECT_EQ(events[i].kind, expected[i].kind) << i;
    EXPECT_EQ(events[i].a, expected[i].a) << i;
    EXPECT_EQ(events[i].b, expected[i].b) << i;
  }
  EXPECT_EQ(events[9].c, 32767);
}

TEST(InputScriptTest, EveryEventFormatsToALineThatParsesBackTheSame) {
  const std::vector<ScriptEvent> events = ParseOk(
      "1 key down LALT\n2 key up SCAN88\n3 key down Z\n4 key up F12\n5 mouse down x2\n6 mouse move -3 7\n"
      "7 wheel 1\n8 wheel -0.008\n9 wheel 99.992\n10 pad 1 plug\n11 pad 1 axis rightx -32768\n12 pad 1 up touchpad\n"
      "13 pad 1 unplug\n14 focus gained\n15 close\n");
  char line[128];
  std::string text;
  for (const ScriptEvent& e : events) {
    FormatScriptEvent(e, line, sizeof(line));
    text += std::string(line) + "\n";
  }
  const std::vector<ScriptEvent> again = ParseOk(text);
  ASSERT_EQ(again.size(), events.size()) << text;
  for (std::size_t i = 0; i < events.size(); ++i) {
    EXPECT_EQ(again[i].kind, events[i].kind) << text;
    EXPECT_EQ(again[i].a, events[i].a) << text;
    EXPECT_EQ(again[i].b, events[i].b) << text;
    EXPECT_EQ(again[i].c, events[i].c) << text;
  }
  // Every 120th of a notch survives the three decimals.
  for (int delta = -12000; delta <= 12000; ++delta) {
    if (delta == 0) continue;
    ScriptEvent wheel;
    wheel.frame = 1;
    wheel.kind = Kind::Wheel;
    wheel.a = delta;
    FormatScriptEvent(wheel, line, sizeof(line));
    const std::vector<ScriptEvent> parsed = ParseOk(line);
    ASSERT_EQ(parsed.size(), 1u);
    ASSERT_EQ(parsed[0].a, delta) << line;
  }
}

TEST(InputScriptTest, KeyNamesMapToVirtualKeyCodes) {
  EXPECT_EQ(VirtualKeyFromName("A"), 'A');
  EXPECT_EQ(VirtualKeyFromName("Z"), 'Z');
  EXPECT_EQ(VirtualKeyFromName("0"), '0');
  EXPECT_EQ(VirtualKeyFromName("4"), '4');
  EXPECT_EQ(VirtualKeyFromName("F"), 'F');  // the letter, not a function key
  EXPECT_EQ(VirtualKeyFromName("F1"), VK_F1);
  EXPECT_EQ(VirtualKeyFromName("F8"), VK_F8);
  EXPECT_EQ(VirtualKeyFromName("F12"), VK_F12);
  EXPECT_EQ(VirtualKeyFromName("SPACE"), VK_SPACE);
  EXPECT_EQ(VirtualKeyFromName("SHIFT"), VK_SHIFT);
  EXPECT_EQ(VirtualKeyFromName("ESC"), VK_ESCAPE);
  EXPECT_EQ(VirtualKeyFromName("LEFT"), VK_LEFT);
  EXPECT_EQ(VirtualKeyFromName("SCAN88"), VK_RETURN);  // the keypad's Enter
  // The lookup takes upper-case names; the parser upper-cases for it.
  for (const char* bad : {"", "F0", "F13", "F01", "F1X", "AA", "a", "LEFTT", "F99999999999", "SCAN0", "SCAN512", "SCAN01",
                          "SCAN+5", "SCAN"}) {
    EXPECT_EQ(VirtualKeyFromName(bad), -1) << bad;
  }
  // A recording names a key so that it comes back as the same physical key.
  EXPECT_EQ(KeyNameFromScancode(40), "RETURN");
  EXPECT_EQ(KeyNameFromScancode(88), "SCAN88");
  EXPECT_EQ(KeyNameFromScancode(226), "LALT");
  EXPECT_EQ(KeyNameFromScancode(4), "A");
}

TEST(InputScriptTest, MalformedLinesAreReportedWithTheirLineNumber) {
  const char* badLines[] = {
      "0 key down UP",                 // frames count from 1
      "-5 key down UP",                //
      "99999999999 key down UP",       // out of range, not wrapped
      "10000001 key down UP",          // past the limit
      "12abc key down UP",             //
      "12",                            // no event
      "12 key",                        //
      "12 key down",                   //
      "12 key down UP UP",             //
      "12 key press UP",               //
      "12 key down PAGEUP",            //
      "12 mouse move 10",              //
      "12 mouse move 10 20 30",        //
      "12 mouse move -16385 20",       //
      "12 mouse move 10 16384",        //
      "12 mouse move 1e3 20",          //
      "12 mouse down thumb",           //
      "12 mouse click left",           //
      "12 wheel",                      //
      "12 wheel 101",                  //
      "12 wheel 1.2345",               //
      "12 wheel 0",                    //
      "12 joystick down 1",            //
      "10000000 key tap A",            // its release would be past the limit
      "12 pad 9 plug",                 //
      "12 pad 1 axis lefttrigger -1",  //
      "12 pad 1 axis leftz 0",         //
      "12 pad 1 press a",              //
      "12 pad 1 down c",               //
      "12 focus away",                 //
      "12 close now",                  //
      "seed 5",                        // header lines come first
      "12 end later",                  //
  };
  for (const char* bad : badLines) {
    const std::string error = ParseError(std::string("1 key down UP\n# fine\n") + bad + "\n4 key up UP\n");
    EXPECT_EQ(error.rfind("line 3: ", 0), 0u) << bad << " -> " << error;
  }
}

TEST(InputScriptTest, RecordingsNeedTheirHeaderTheirVersionAndTheirEnd) {
  InputScript script;
  std::string error;
  ParseOk(std::string(kHeader) + "3 key down A\n5 key up A\n9 end\n# done\n", &script);
  EXPECT_TRUE(CheckRecording(script, "1.2", &error)) << error;
  EXPECT_EQ(script.header.seed, 4000000000u);
  EXPECT_EQ(script.header.mode, "standard");
  EXPECT_EQ(script.header.width, 320);
  EXPECT_TRUE(script.header.focused);
  EXPECT_EQ(script.header.endFrame, 9);
  EXPECT_FALSE(CheckPlainScript(script, &error));

  EXPECT_FALSE(CheckRecording(script, "1.3", &error));
  EXPECT_EQ(error.rfind("line 1: recorded by version 1.2", 0), 0u) << error;
  ParseOk(std::string(kHeader) + "3 key down A\n", &script);  // cut short
  EXPECT_FALSE(CheckRecording(script, "1.2", &error));
  EXPECT_EQ(error.rfind("line 7: the end line is missing", 0), 0u) << error;
  ParseOk("3 key down A\n9 end\n", &script);
  EXPECT_FALSE(CheckRecording(script, "1.2", &error));
  EXPECT_NE(error.find("no version line"), std::string::npos) << error;

  const struct {
    std::string text;
    const char* start;
  } broken[] = {
      {std::string(kHeader) + "3 key down A\n9 end\n10 key up A\n", "line 8: nothing may follow"},
      {std::string(kHeader) + "12 key down A\n9 end\n", "line 6: frame 12 is past the end"},
      {std::string(kHeader) + "9 key tap A\n9 end\n", "line 6: frame 9 is past the end"},
      {std::string(kHeader) + "seed 3\n", "line 6: a second seed line"},
      {"version 1.2\nmode ultra\n", "line 2: bad mode 'ultra'"},
      {"size 800\n", "line 1: bad size"},
      {"size 20x20\n", "line 1: bad size"},
      {"seed 4294967296\n", "line 1: bad seed"},
      {"focus maybe\n", "line 1: bad focus"},
      {"version a/b\n", "line 1: bad version"},
      {"hello there\n", "line 1: 'hello' is neither"},
      {"5 pad 1 down a\n", "line 1: pad 1 is not plugged in at frame 5"},
      {"5 pad 1 axis leftx 4\n1 pad 1 plug\n3 pad 1 unplug\n", "line 1: pad 1 is not plugged in at frame 5"},
      {"1 pad 1 plug\n2 pad 1 plug\n", "line 2: pad 1 is already plugged in"},
  };
  for (const auto& b : broken) {
    const std::string message = ParseError(b.text);
    EXPECT_EQ(message.rfind(b.start, 0), 0u) << b.text << " -> " << message;
  }
  // Pads run in frame order: a plug written after its use on a later
  // frame is fine.
  ParseOk("5 pad 1 axis leftx 4\n1 pad 1 plug\n");
}

TEST(InputScriptTest, HostileTextFailsCleanly) {
  EXPECT_NE(ParseError("1 key down UP\n" + std::string(2000, 'x') + "\n").find("line 2: longer than"),
            std::string::npos);
  // Control characters and bytes above 127 in a word are not echoed raw.
  const std::string error = ParseError(std::string("1 key down \x01\xff\x1b[2J") + "\n");
  for (char c : error) EXPECT_TRUE(c >= 32 && c < 127) << static_cast<int>(static_cast<unsigned char>(c));
  // A NUL inside a line is part of a word, not the end of the text.
  ParseError(std::string("1 key down U\0P\n", 15));

  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    std::string text(static_cast<std::size_t>(random() % 3000), '\0');
    for (char& c : text) c = static_cast<char>(random());
    InputScript script;
    std::string message;
    ParseInputScript(text, &script, &message);  // must not crash or hang
  }
}

TEST(InputScriptTest, LoadsFilesAndRefusesMissingOrOversizedOnes) {
  char path[] = "/tmp/capture_script_XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  std::FILE* file = fdopen(fd, "wb");
  std::fputs("5 key tap Z\n", file);
  std::fclose(file);
  InputScript events;
  std::string error;
  EXPECT_TRUE(LoadInputScript(path, &events, &error)) << error;
  ASSERT_EQ(events.events.size(), 1u);
  EXPECT_EQ(events.events[0].a, 'Z');

  file = std::fopen(path, "wb");
  const std::string comment(1023, '#');
  for (long written = 0; written <= kMaxScriptFileBytes; written += 1024) std::fprintf(file, "%s\n", comment.c_str());
  std::fclose(file);
  EXPECT_FALSE(LoadInputScript(path, &events, &error));
  EXPECT_NE(error.find("larger than"), std::string::npos) << error;
  unlink(path);

  EXPECT_FALSE(LoadInputScript(path, &events, &error));
  EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
}

TEST(InputScriptTest, ScriptFrameNIsDeliveredBeforeFrameN) {
  // ScriptedInput counts the frame delivered before the loop as 0, so the
  // first frame drawn (script frame 1) takes index 0.
  host::ScriptedInput input;
  ScheduleInputScript(ParseOk("1 key down UP\n"), &input);
  EXPECT_EQ(input.LastFrame(), 0);

  host::ScriptedInput tapped;
  ScheduleInputScript(ParseOk("7 key tap Z\n3 wheel 2\n"), &tapped);
  EXPECT_EQ(tapped.LastFrame(), 7);  // down at index 6, up at index 7
}

}  // namespace
