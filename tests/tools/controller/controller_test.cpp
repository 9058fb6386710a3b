// The controller tool's portable parts: options, escapes, the codes cut and named,
// the answering rule and the heartbeat's watch.
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
#include "controller_tokens.h"

namespace quorvex::controller {
namespace {

using Replies = std::vector<std::string>;
using Clock = Session::Clock;

// A session whose line and clock are the test's: what it wrote, and when it is.
struct Bench {
  explicit Bench(bool answer = false, std::chrono::milliseconds heartbeat = {})
      : session(out, {.answer = answer, .heartbeat = heartbeat, .now = [this] { return now; }},
                [this](std::string_view bytes) {
                  written.emplace_back(bytes);
                  return true;
                }) {}
  // The printed lines without their times.
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    std::istringstream text(out.str());
    for (std::string line; std::getline(text, line);) {
      lines.push_back(line.substr(line.find(' ') + 1));
    }
    return lines;
  }

  Clock::time_point now{std::chrono::hours(1)};
  std::ostringstream out;
  Replies written;
  Session session;
};

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
           // Outcomes and heartbeats are not answered, and never make a click code.
           Case{{"1119", "00", "2129313900"}, {}},
           Case{{"11", "101"}, {"10"}},
           Case{{"x20", "2"}, {"30"}},
       }) {
    Bench bench(true);
    for (const std::string_view read : c.reads) {
      bench.session.Received(read);
    }
    EXPECT_EQ(bench.written, c.replies) << ::testing::PrintToString(c.reads);
  }
}

TEST(Tokenizer, CutsTheCodesAsTheyComeAndKeepsStrayBytesTogether) {
  struct Case {
    std::vector<std::string_view> reads;
    std::vector<std::string> pieces;  // a stray piece in brackets
    std::string held;                 // what Flush gives at the end
  };
  for (const Case& c : {
           Case{{"some data00", "11"}, {"some data", "00", "11"}, ""},
           Case{{"1", "9"}, {"19"}, ""},
           Case{{"2", "1", "29", "3139"}, {"21", "29", "31", "39"}, ""},
           Case{{"x00\r\n"}, {"[x]", "00", "[\r\n]"}, ""},
           Case{{"\r\n10", "1"}, {"[\r\n]", "101"}, ""},
           Case{{"30"}, {}, "30"},
           Case{{"30", "4"}, {"[304]"}, ""},
           Case{{"1011"}, {"101"}, "1"},
           Case{{"some dat"}, {}, "some dat"},
           Case{{"some date"}, {"[some date]"}, ""},
       }) {
    Tokenizer tokens;
    std::vector<std::string> pieces;
    const auto take = [&pieces](const std::vector<Piece>& got) {
      for (const Piece& piece : got) {
        if (piece.token != nullptr) {
          EXPECT_EQ(piece.bytes, piece.token->code);
        }
        pieces.push_back(piece.token ? piece.bytes : "[" + piece.bytes + "]");
      }
    };
    for (const std::string_view read : c.reads) {
      take(tokens.Feed(read));
    }
    EXPECT_EQ(pieces, c.pieces) << ::testing::PrintToString(c.reads);
    EXPECT_EQ(tokens.Holding(), !c.held.empty()) << ::testing::PrintToString(c.reads);
    pieces.clear();
    take(tokens.Flush());
    EXPECT_EQ(pieces, c.held.empty() ? std::vector<std::string>{}
                                     : std::vector<std::string>{"[" + c.held + "]"});
    EXPECT_FALSE(tokens.Holding());
  }
}

TEST(Session, NamesOutcomesAndHeartbeatsOneLineACode) {
  Bench bench;
  bench.session.Received("some data1011");
  bench.session.Received("11921");
  bench.session.Received("29313");
  bench.session.Received("900\x07");
  EXPECT_EQ(bench.Lines(),
            (std::vector<std::string>{"recv \"some data\"", "recv \"101\"", "recv \"11\" (10 made)",
                                      "recv \"19\" (10 not made)", "recv \"21\" (20 made)",
                                      "recv \"29\" (20 not made)", "recv \"31\" (30 made)",
                                      "recv \"39\" (30 not made)", "recv \"00\" (heartbeat)",
                                      "recv \"\\x07\""}));
  EXPECT_EQ(bench.session.Deadline(), std::nullopt);  // nothing waited for: no wake-ups
}

TEST(Session, TheStartOfACodeWaitsForItsRestOnlySoLong) {
  Bench bench;
  bench.session.Received("1");
  ASSERT_EQ(bench.session.Deadline(), bench.now + kRestPatience);
  bench.now += kRestPatience / 2;
  bench.session.Received("\x02");  // not a code's rest: shown at once, with what waited
  EXPECT_EQ(bench.Lines(), std::vector<std::string>{"recv \"1\\x02\""});
  EXPECT_EQ(bench.session.Deadline(), std::nullopt);

  bench.session.Received("3");
  bench.now += kRestPatience - std::chrono::milliseconds(1);
  bench.session.Due();
  EXPECT_EQ(bench.Lines().size(), 1u);
  bench.now += std::chrono::milliseconds(1);
  bench.session.Due();
  EXPECT_EQ(bench.Lines().back(), "recv \"3\"");
  bench.session.Received("9");  // too late to make "39"
  bench.session.Received("1");
  bench.session.Flush();  // the line ended
  EXPECT_EQ(bench.Lines(), (std::vector<std::string>{"recv \"1\\x02\"", "recv \"3\"", "recv \"9\"",
                                                     "recv \"1\""}));
}

TEST(Session, MissedHeartbeatsAreSaidOnceAndTheirComingBack) {
  using std::chrono::milliseconds;
  const milliseconds interval(100);
  Bench bench(false, interval);
  const auto gone = [&bench] {
    const auto lines = bench.Lines();
    return std::count(lines.begin(), lines.end(),
                      "note no heartbeat for 3 intervals (100 ms): Quorvex gone: the buttons "
                      "may be bare");
  };
  // From the start: a Quorvex that never beats is as gone as one that stopped.
  EXPECT_EQ(bench.session.Deadline(), bench.now + 3 * interval);
  for (int beat = 0; beat < 10; ++beat) {
    bench.now += interval * 2;  // late, but not three intervals late
    bench.session.Due();
    bench.session.Received("00");
    EXPECT_EQ(bench.session.Deadline(), bench.now + 3 * interval);
  }
  EXPECT_EQ(gone(), 0);
  bench.now += 3 * interval - milliseconds(1);
  bench.session.Due();
  EXPECT_EQ(gone(), 0);
  bench.now += milliseconds(1);
  bench.session.Due();
  EXPECT_EQ(gone(), 1);
  EXPECT_EQ(bench.session.Deadline(), std::nullopt);  // no more wake-ups while gone
  bench.now += std::chrono::minutes(1);
  bench.session.Due();
  bench.session.Received("11");
  EXPECT_EQ(gone(), 1);
  bench.session.Received("0");
  EXPECT_EQ(bench.Lines().back(), "recv \"11\" (10 made)");
  bench.session.Received("0");
  EXPECT_EQ(bench.Lines().back(), "note heartbeat again after 60.3 s: Quorvex is running");
  EXPECT_EQ(bench.session.Deadline(), bench.now + 3 * interval);
  bench.now += 3 * interval;
  bench.session.Due();
  EXPECT_EQ(gone(), 2);
  EXPECT_EQ(bench.written, Replies{});

  Bench unwatched;
  unwatched.session.Received("00");
  EXPECT_EQ(unwatched.session.Deadline(), std::nullopt);
  unwatched.now += std::chrono::hours(1);
  unwatched.session.Due();
  EXPECT_EQ(unwatched.Lines(), std::vector<std::string>{"recv \"00\" (heartbeat)"});
}

TEST(Session, PrintsBothDirectionsAndSendsAnswersOnlyWhenAsked) {
  for (const bool answer : {false, true}) {
    std::ostringstream out;
    std::string line;
    Session session(out, {.answer = answer}, [&line](std::string_view bytes) {
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
    Session session(out, {}, [&line](std::string_view bytes) {
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
  Session session(out, {.answer = true}, [](std::string_view) { return false; });
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

TEST(Options, HeartbeatTakesQuorvexsRangeInMilliseconds) {
  using std::chrono::milliseconds;
  EXPECT_EQ(ParseOptions({"3"}).heartbeat, milliseconds(0));
  EXPECT_EQ(ParseOptions({"--heartbeat", "100", "3"}).heartbeat, milliseconds(100));
  EXPECT_EQ(ParseOptions({"--pty", "--heartbeat=30000"}).heartbeat, milliseconds(30000));
  const Options codes = ParseOptions({"3", "--heartbeat", "1000", "40"});
  EXPECT_EQ(codes.codes, std::vector<std::string>{"40"});
  for (const auto& bad : {std::vector<std::string_view>{"3", "--heartbeat", "99"},
                          {"3", "--heartbeat", "30001"},
                          {"3", "--heartbeat", "0"},
                          {"3", "--heartbeat", "-100"},
                          {"3", "--heartbeat", "1e3"},
                          {"3", "--heartbeat", " 100"},
                          {"3", "--heartbeat", "100ms"},
                          {"3", "--heartbeat="},
                          {"3", "--heartbeat"}}) {
    try {
      ParseOptions(bad);
      ADD_FAILURE() << ::testing::PrintToString(bad);
    } catch (const std::invalid_argument& error) {
      EXPECT_NE(std::string(error.what()).find("milliseconds from 100 to 30000"), std::string::npos)
          << error.what();
    }
  }
}

// The program's hint to check tessora.ini has no place here: the port came from
// the command line, so a missing port is answered with the ports there are.
TEST(Options, PortAdviceNamesThePortsThereAreAndTheWayOut) {
  const Port com9 = NumberedPort(9, PortSystem::kWindows);
  const Failure missing = PortFailure(PortProblem::kMissing, com9, "gone");
  EXPECT_EQ(PortAdvice(missing, "COM1, COM4"),
            "Serial ports present now: COM1, COM4. Give one of them as PORT.");
  EXPECT_EQ(PortAdvice(missing, ""),
            "No serial ports are present now. Plug the adapter in, or check its driver.");
  EXPECT_NE(PortAdvice(PortFailure(PortProblem::kInUse, com9, "busy"), "").find("close it"),
            std::string::npos);
  EXPECT_EQ(PortAdvice(PortFailure(PortProblem::kCannotOpen, com9, "denied", "Join dialout."), ""),
            "Join dialout.");
  EXPECT_EQ(PortAdvice(PortFailure(PortProblem::kCannotSetUp, com9, "I/O error"), ""), "");
}

}  // namespace
}  // namespace quorvex::controller
