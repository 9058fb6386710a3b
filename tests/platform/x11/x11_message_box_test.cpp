// How the message box breaks its text, measured one unit a character.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "platform/x11/x11_message_box.h"

namespace quorvex::x11 {
namespace {

using ::testing::ElementsAre;

int Chars(std::string_view text) {
  return static_cast<int>(text.size());
}

TEST(WrapLines, BreaksBetweenWordsInsideLongWordsAndAtLineEnds) {
  EXPECT_THAT(WrapLines("Error 8002: Serial port abc cannot be opened.", 16, 10, Chars),
              ElementsAre("Error 8002:", "Serial port abc", "cannot be", "opened."));
  EXPECT_THAT(WrapLines("/dev/xxxxxxxxxxxxxxxxxxxx end", 8, 10, Chars),
              ElementsAre("/dev/xxx", "xxxxxxxx", "xxxxxxxx", "x end"));
  EXPECT_THAT(WrapLines("one\ntwo\n\nthree", 20, 10, Chars),
              ElementsAre("one", "two", "", "three"));
  EXPECT_THAT(WrapLines("", 20, 10, Chars), ElementsAre(""));
  EXPECT_THAT(WrapLines("short", 20, 10, Chars), ElementsAre("short"));
}

TEST(WrapLines, NeverMoreLinesThanRoomNorWiderThanAsked) {
  const std::string text(1000, 'x');
  const auto lines = WrapLines(text, 30, 4, Chars);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_TRUE(lines.back().ends_with("...")) << "what is left out is marked";
  for (const std::string& line : lines) {
    EXPECT_LE(Chars(line), 30);
  }
  EXPECT_THAT(WrapLines("a b c d e f", 1, 0, Chars), ElementsAre("..."))
      << "at least one line, even with no room";
}

}  // namespace
}  // namespace quorvex::x11
