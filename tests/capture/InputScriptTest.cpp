#include "InputScript.h"

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

std::vector<ScriptEvent> ParseOk(const std::string& text) {
  std::vector<ScriptEvent> events;
  std::string error;
  EXPECT_TRUE(ParseInputScript(text, &events, &error)) << error;
  return events;
}

std::string ParseError(const std::string& text) {
  std::vector<ScriptEvent> events;
  std::string error;
  EXPECT_FALSE(ParseInputScript(text, &events, &error)) << text;
  return error;
}

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
      "8 key down control");  // no newline at the end
  ASSERT_EQ(events.size(), 8u);
  const struct {
    int frame;
    Kind kind;
    int a;
  } expected[] = {{1, Kind::KeyDown, VK_UP},       {2, Kind::KeyUp, VK_UP},         {3, Kind::KeyTap, VK_F5},
                  {4, Kind::MouseMove, 640},       {5, Kind::ButtonDown, VK_RBUTTON}, {6, Kind::ButtonUp, VK_MBUTTON},
                  {7, Kind::Wheel, -3},            {8, Kind::KeyDown, VK_CONTROL}};
  for (std::size_t i = 0; i < events.size(); ++i) {
    EXPECT_EQ(events[i].frame, expected[i].frame) << i;
    EXPECT_EQ(events[i].kind, expected[i].kind) << i;
    EXPECT_EQ(events[i].a, expected[i].a) << i;
  }
  EXPECT_EQ(events[3].b, 16383);
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
  // The lookup takes upper-case names; the parser upper-cases for it.
  for (const char* bad : {"", "F0", "F13", "F01", "F1X", "AA", "a", "LEFTT", "F99999999999"}) {
    EXPECT_EQ(VirtualKeyFromName(bad), -1) << bad;
  }
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
      "12 mouse move -1 20",           //
      "12 mouse move 10 16384",        //
      "12 mouse move 1e3 20",          //
      "12 mouse down thumb",           //
      "12 mouse click left",           //
      "12 wheel",                      //
      "12 wheel 101",                  //
      "12 wheel 1.5",                  //
      "12 joystick down 1",            //
      "10000000 key tap A",            // its release would be past the limit
  };
  for (const char* bad : badLines) {
    const std::string error = ParseError(std::string("1 key down UP\n# fine\n") + bad + "\n4 key up UP\n");
    EXPECT_EQ(error.rfind("line 3: ", 0), 0u) << bad << " -> " << error;
  }
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
    std::vector<ScriptEvent> events;
    std::string message;
    ParseInputScript(text, &events, &message);  // must not crash or hang
  }
}

TEST(InputScriptTest, LoadsFilesAndRefusesMissingOrOversizedOnes) {
  char path[] = "/tmp/capture_script_XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  std::FILE* file = fdopen(fd, "wb");
  std::fputs("5 key tap Z\n", file);
  std::fclose(file);
  std::vector<ScriptEvent> events;
  std::string error;
  EXPECT_TRUE(LoadInputScript(path, &events, &error)) << error;
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].a, 'Z');

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
