#include "app/file_log.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "app/startup.h"
#include "rig.h"

namespace quorvex {
namespace {

using ::testing::ContainerEq;
using ::testing::HasSubstr;
using ::testing::StartsWith;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  return lines;
}

class FileLogTest : public ::testing::Test {
 protected:
  void Start(std::string_view settings) {
    dir.Write("tessora.ini", settings);
    rig.handlers.Start();
  }
  std::vector<std::string> Logged() {
    EXPECT_TRUE(rig.program.log.Flush(std::chrono::seconds(5)));
    return Lines(rig.host.toolkit.File("line.log"));
  }

  testing::ScopedWorkingDirectory dir;
  testing::Rig rig;
};

TEST_F(FileLogTest, EveryEventOnceALineWithItsLocalTime) {
  Start("LOG:line.log\nAUTOCONN:1\nCP:3\nSTRX:5\nSTRY:6\nSTPX:7\nSTPY:8\nSTRX2:9\nSTRY2:10\n");
  rig.host.Receive("10\r\n20");
  rig.host.Receive("30\x01");
  rig.host.Receive("50");
  rig.host.Receive("40");
  rig.host.Click(rig.host.frmMain, {61, 101});
  rig.host.Click(rig.host.frmTwo, {-5, 7});
  rig.host.MSComm1.lineGone = true;
  rig.host.Click(rig.host.frmTwo, {64, 201});
  const std::vector<std::string> lines = Logged();
  const std::regex stamp(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} (.*)$)");
  std::vector<std::string> events;
  for (const std::string& line : lines) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(line, match, stamp)) << line;
    events.push_back(match[1]);
  }
  ASSERT_FALSE(events.empty());
  EXPECT_THAT(events[0], StartsWith("start: Quorvex "));
  events.erase(events.begin());
  EXPECT_THAT(events, ContainerEq(std::vector<std::string>{
                          "port opened, sent \"some data\"",
                          R"(received "10\r\n20")",
                          "code \"10\": click at 5,6",
                          "code \"20\": click at 7,8",
                          R"(received "30\x01")",
                          "code \"30\": click at 9,10",
                          R"(received "50")",
                          "code \"50\": overlays hidden",
                          R"(received "40")",
                          "code \"40\": overlays shown",
                          "operator clicked frmMain at 61,101",
                          "sent \"101\"",
                          "operator clicked frmTwo at -5,7",
                          "sent \"202\"",
                          "operator clicked frmTwo at 64,201",
                          "failure: Port is closed. Button 2",
                      }));
}

TEST_F(FileLogTest, AFileThatCannotBeOpenedEndsTheStartWithError75) {
  rig.host.toolkit.openFailure = LogFileFailure("/no/such/dir/line.log", "No such file");
  Start("LOG:/no/such/dir/line.log\nAUTOCONN:1\nCP:3\n");
  EXPECT_THAT(rig.host.toolkit.messages,
              ::testing::ElementsAre("Error 75: The log file /no/such/dir/line.log cannot be "
                                     "opened: No such file. Check LOG in tessora.ini."));
  EXPECT_FALSE(rig.host.MSComm1.opened) << "nothing placed or opened after it";
}

// A stalled share or a full disk: clicks go on, what the file cannot take waits in
// memory up to its bound, the rest is counted and said once the file moves again.
TEST_F(FileLogTest, AStalledFileNeverHoldsAClickBackAndLosesLinesCountably) {
  Start("LOG:line.log\nAUTOCONN:1\nCP:3\nSTPX:7\nSTPY:8\n");
  ASSERT_TRUE(rig.program.log.Flush(std::chrono::seconds(5)));
  rig.host.toolkit.Stall(true);
  const std::size_t lineBytes =
      std::string("2026-12-08 14:53:23.444 code \"20\": click at 7,8\n").size();
  const std::size_t codes = FileLog::kHeldBytes / lineBytes + 100;
  for (std::size_t i = 0; i < codes; ++i) {
    rig.host.Receive("20");
  }
  EXPECT_EQ(rig.host.pointer.clicks.size(), codes);
  rig.host.toolkit.Stall(false);
  rig.host.Receive("20");
  const std::vector<std::string> lines = Logged();
  const auto dropped = std::ranges::find_if(
      lines, [](const std::string& line) { return line.ends_with(" lines dropped"); });
  ASSERT_NE(dropped, lines.end());
  EXPECT_GT(std::stoul(dropped->substr(24)), 0u);
  EXPECT_LT(lines.end() - dropped, 4) << "nothing but the last code after it";
}

TEST_F(FileLogTest, PastItsSizeTheFileBecomesNameDotOneAndANewOneBegins) {
  Start("LOG:line.log\n");
  ASSERT_TRUE(rig.program.log.Flush(std::chrono::seconds(5)));
  rig.host.toolkit.sizeAdded = FileLog::kRotateBytes;
  rig.program.log.Write("the last line of the old file");
  ASSERT_TRUE(rig.program.log.Flush(std::chrono::seconds(5)));
  rig.host.toolkit.sizeAdded = 0;
  rig.program.log.Write("the first line of the new file");
  const std::vector<std::string> lines = Logged();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_THAT(lines[0], HasSubstr("the first line of the new file"));
  const std::vector<std::string> old = Lines(rig.host.toolkit.File("line.log.1"));
  ASSERT_EQ(old.size(), 2u);
  EXPECT_THAT(old[1], HasSubstr("the last line of the old file"));
}

// The rotation is one replacing move, so an old NAME.1 held by a reader is no step
// of its own; refused, nothing is lost and the file goes on until a move is taken.
TEST_F(FileLogTest, ARefusedRotationKeepsWritingTheSameFileAndTriesAgain) {
  Start("LOG:line.log\n");
  ASSERT_TRUE(rig.program.log.Flush(std::chrono::seconds(5)));
  rig.host.toolkit.refusesMoves = true;
  rig.host.toolkit.sizeAdded = FileLog::kRotateBytes;
  rig.program.log.Write("kept while refused");
  ASSERT_TRUE(rig.program.log.Flush(std::chrono::seconds(5)));
  rig.program.log.Write("kept again");
  ASSERT_TRUE(rig.program.log.Flush(std::chrono::seconds(5)));
  {
    const std::lock_guard lock(rig.host.toolkit.filesMutex);
    const std::pair<std::string, std::string> rotation{"line.log", "line.log.1"};
    EXPECT_THAT(rig.host.toolkit.moves,
                ContainerEq(decltype(rig.host.toolkit.moves){rotation, rotation}));
  }
  std::vector<std::string> lines = Logged();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_THAT(lines[1], HasSubstr("kept while refused"));
  EXPECT_THAT(lines[2], HasSubstr("kept again"));
  rig.host.toolkit.refusesMoves = false;
  rig.program.log.Write("the last of the old file");
  ASSERT_TRUE(rig.program.log.Flush(std::chrono::seconds(5)));
  rig.host.toolkit.sizeAdded = 0;
  rig.program.log.Write("the new file");
  EXPECT_EQ(Lines(rig.host.toolkit.File("line.log.1")).size(), 4u);
  lines = Logged();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_THAT(lines[0], HasSubstr("the new file"));
}

}  // namespace
}  // namespace quorvex
