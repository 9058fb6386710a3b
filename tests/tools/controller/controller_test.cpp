// The controller tool's portable parts: options, escapes and the answering rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <stdexcept>
#include <tuple>

#include "common/failure.h"
#include "common/port.h"
#include "controller_options.h"
#include "controller_session.h"
#include "controller_text.h"

namespace quorvex::controller {
namespace {

using Replies = std::vector<std::string>;

TEST(Answerer, AnswersEachClickCodeOnceWhereverTheReadsSplitIt) {
  struct Case {
    std::vector<std::string_view> reads;
    Replies replies;
  };
  for (const Case& c : {
           Case{{"some data"}, {}},
           Case{{"some data101"}, {"10"}},
           Case{{"1", "0", "1"}, {"10"}},
           Case{{"20", "2101"}, {"30", "10"}},
           Case{{"some da", "ta20", "2"}, {"30"}},
           Case{{"1011"}, {"10"}},
           Case{{"100", "101"}, {"10"}},
       }) {
    Answerer answerer;
    Replies replies;
    for (const std::string_view read : c.reads) {
      for (std::string& reply : answerer.Feed(read)) {
        replies.push_back(std::move(reply));
      }
    }
    EXPECT_EQ(replies, c.replies) << ::testing::PrintToString(c.reads);
  }
}

TEST(Session, PrintsBothDirectionsAndSendsAnswersOnlyWhenAsked) {
  for (const bool answer : {false, true}) {
    std::ostringstream out;
    std::string line;
    Session session(out, answer, [&line](std::string_view bytes) {
      line += bytes;
      return true;
    });
    session.Received("101");
    session.Typed("40\\r\\n\n");
    session.Typed("");
    EXPECT_EQ(line, answer ? "1040\r\n" : "40\r\n");
    const std::string text = out.str();
    EXPECT_NE(text.find(" recv \"101\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" sent \"40\\r\\n\"\n"), std::string::npos) << text;
    EXPECT_EQ(text.find(" sent \"10\"\n") != std::string::npos, answer) << text;
  }
}

TEST(Session, AMalformedEscapeTypedIsOneErrorLineAndNothingSent) {
  for (const std::string_view slip : {"1\\q", "\\x4", "10\\"}) {
    std::ostringstream out;
    std::string line;
    Session session(out, false, [&line](std::string_view bytes) {
      line += bytes;
      return true;
    });
    session.Typed(slip);
    EXPECT_EQ(line, "") << slip;
    const std::string text = out.str();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    EXPECT_NE(text.find(" error "), std::string::npos) << text;
    EXPECT_NE(text.find(slip), std::string::npos) << text;
    session.Typed("40");
    EXPECT_EQ(line, "40") << slip;
  }
}

TEST(Session, WithNobodyOnTheLineNothingIsSaidSent) {
  std::ostringstream out;
  Session session(out, true, [](std::string_view) { return false; });
  session.Typed("10");
  session.Received("202");  // the answer cannot go either
  const std::string text = out.str();
  EXPECT_NE(text.find(" not sent \"10\": nobody has the line open\n"), std::string::npos) << text;
  EXPECT_NE(text.find(" not sent \"30\": nobody has the line open\n"), std::string::npos) << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3) << text;
}

TEST(Text, QuoteAndUnescapeAreInverse) {
  for (const std::string_view bytes :
       {std::string_view("101"), std::string_view("10\r\n"), std::string_view("\x01\"\\\x7f", 4)}) {
    const std::string quoted = Quote(bytes);
    EXPECT_EQ(Unescape(quoted.substr(1, quoted.size() - 2)), bytes) << quoted;
  }
  EXPECT_EQ(Quote("a\x01"), "\"a\\x01\"");
  for (const std::string_view bad : {"\\", "\\q", "\\x4", "\\xZZ"}) {
    EXPECT_THROW(Unescape(bad), std::invalid_argument) << bad;
  }
}

TEST(Text, TimeOfDayIsUtcToTheMillisecond) {
  using namespace std::chrono;
  const system_clock::time_point when{hours(24 * 365) + hours(13) + minutes(5) + seconds(7) +
                                      milliseconds(42)};
  EXPECT_EQ(TimeOfDay(when), "13:05:07.042");
}

TEST(Options, PortOrPtyThenCodes) {
  const Options pty = ParseOptions({"--pty", "--answer", "10", "20\\r\\n"});
  EXPECT_TRUE(pty.pty);
  EXPECT_TRUE(pty.answer);
  EXPECT_EQ(pty.codes, (std::vector<std::string>{"10", "20\r\n"}));
  const Options port = ParseOptions({"/dev/ttyUSB0", "40", "--listen"});
  EXPECT_EQ(port.port, "/dev/ttyUSB0");
  EXPECT_TRUE(port.listen);
  EXPECT_EQ(port.codes, (std::vector<std::string>{"40"}));
  EXPECT_TRUE(ParseOptions({"--help"}).help);
  EXPECT_TRUE(ParseOptions({"--version"}).version);  // and no port needed
  EXPECT_EQ(pty.ptyLink, "");
  for (const auto& [arguments, link, codes] : std::vector<
           std::tuple<std::vector<std::string_view>, std::string, std::vector<std::string>>>{
           {{"--pty", "./port", "40"}, "./port", {"40"}},
           {{"--pty", "/home/op/line1/port", "--answer"}, "/home/op/line1/port", {}},
           {{"--pty=port", "40"}, "port", {"40"}},
           {{"--pty", "40", "50"}, "", {"40", "50"}},  // codes hold no slash
           {{"--pty", "--listen", "./port"}, "", {"./port"}},
       }) {
    const Options o = ParseOptions(arguments);
    EXPECT_TRUE(o.pty);
    EXPECT_EQ(o.ptyLink, link) << ::testing::PrintToString(arguments);
    EXPECT_EQ(o.codes, codes) << ::testing::PrintToString(arguments);
  }
  for (const auto& bad : {std::vector<std::string_view>{},
                          {"--answer"},
                          {"--bogus", "3"},
                          {"3", "1\\q"},
                          {"--pty="}}) {
    EXPECT_THROW(ParseOptions(bad), std::invalid_argument);
  }
}

// The program's hint to check tessora.ini has no place here: the port came from
// the command line, so a missing port is answered with the ports there are.
TEST(Options, PortAdviceNamesThePortsThereAreAndTheWayOut) {
  const Port com9 = NumberedPort(9, PortSystem::kWindows);
  const Failure missing = PortFailure(PortProblem::kMissing, com9, "gone");
  EXPECT_EQ(PortAdvice(missing, "COM1, COM4"), "Serial ports present now: COM1, COM4.");
  EXPECT_EQ(PortAdvice(missing, ""), "No serial ports are present now.");
  EXPECT_NE(PortAdvice(PortFailure(PortProblem::kInUse, com9, "busy"), "").find("close it"),
            std::string::npos);
  EXPECT_EQ(PortAdvice(PortFailure(PortProblem::kCannotOpen, com9, "denied", "Join dialout."), ""),
            "Join dialout.");
  EXPECT_EQ(PortAdvice(PortFailure(PortProblem::kCannotSetUp, com9, "I/O error"), ""), "");
}

}  // namespace
}  // namespace quorvex::controller
