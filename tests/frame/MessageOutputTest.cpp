#include "frame/MessageOutputInterface.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class Collector : public MessageOutputInterface {
 public:
  std::vector<std::string> lines;
  void Output(const char* text) override { lines.emplace_back(text); }
};

TEST(MessageOutputTest, PrintfFormatsOnlyWhenTheFormatAsksForIt) {
  Collector out;
  out.Printf("plain text");
  out.Printf("%s: Failed to load wave file", "./data/se/hit.wav");
  out.Printf("100%% sure");
  ASSERT_EQ(out.lines.size(), 3u);
  EXPECT_EQ(out.lines[0], "plain text");
  EXPECT_EQ(out.lines[1], "./data/se/hit.wav: Failed to load wave file");
  EXPECT_EQ(out.lines[2], "100% sure");
}

TEST(MessageOutputTest, LongMessagesAreCutToTheBuffer) {
  Collector out;
  const std::string name(5000, 'x');
  out.Printf("%s", name.c_str());
  ASSERT_EQ(out.lines.size(), 1u);
  EXPECT_EQ(out.lines[0].size(), 1023u);
}

}  // namespace
