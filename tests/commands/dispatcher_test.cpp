#include "commands/dispatcher.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "rig.h"

namespace quorvex {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr std::string_view kSendEvent = "<send>";
constexpr std::string_view kLineEvent = "<line>";  // a line-state change, nothing waiting

// What the reads did, as the codes that would have done it: each click is named by
// its point, each pair of visibility changes by its value.
std::vector<std::string> Acted(const std::vector<std::string_view>& reads) {
  testing::Rig rig;
  SettingsRecord& s = rig.program.Settings;
  s.STRX = s.STRY = 1;
  s.STPX = s.STPY = 2;
  s.STRX2 = s.STRY2 = 3;
  for (const auto read : reads) {
    if (read == kSendEvent) {
      rig.host.RaiseCommEvent(comm_event::kSend);
    } else if (read == kLineEvent) {
      rig.host.RaiseCommEvent(comm_event::kCarrierDetect);
    } else {
      rig.host.Receive(read);
    }
  }
  // Each call of SendInput is one click, recorded where it landed: (1, 1) for "10",
  // (2, 2) for "20", (3, 3) for "30".
  const auto codeOf = [](Point at) {
    return at.x == at.y && at.x >= 1 && at.x <= 3 ? std::to_string(at.x * 10) : "elsewhere";
  };
  const std::map<std::string, std::string> shown = {{"frmTwo.Visible=1", "40"},
                                                    {"frmTwo.Visible=0", "50"}};
  std::vector<std::string> acted;
  auto click = rig.host.user32.clicks.begin();
  for (const std::string& entry : rig.host.log) {
    if (entry.starts_with("SendInput(") && click != rig.host.user32.clicks.end()) {
      acted.push_back(codeOf(*click++));
    } else if (const auto code = shown.find(entry); code != shown.end()) {
      acted.push_back(code->second);
    }
  }
  return acted;
}

struct Case {
  const char* name;
  std::vector<std::string_view> reads;
  std::vector<std::string> acted;
};

class DispatcherTest : public ::testing::TestWithParam<Case> {};

TEST_P(DispatcherTest, ActsOnEveryCodeOnce) {
  EXPECT_EQ(Acted(GetParam().reads), GetParam().acted);
}

INSTANTIATE_TEST_SUITE_P(
    Reads, DispatcherTest,
    ::testing::Values(
        Case{"EachCode", {"10", "20", "30", "40", "50"}, {"10", "20", "30", "40", "50"}},
        Case{"LineEndAfterACode", {"10\r\n"}, {"10"}},
        Case{"JoinedCodesAllAct", {"1020"}, {"10", "20"}},
        Case{"LineEndsAroundCodes", {"\r\n10\r\n20\n\r30\r"}, {"10", "20", "30"}},
        Case{"StopsAtTheFirstNonCode", {"1020x30"}, {"10", "20"}},
        Case{"BlankFirstDoesNothing", {" 10"}, {}}, Case{"BlankBetweenStops", {"10 20"}, {"10"}},
        Case{"UnknownCodes", {"00", "60", "11", "1O", "01"}, {}},
        Case{"SplitCode", {"1", "0"}, {"10"}},
        Case{"SplitCodeThenMore", {"4", "010"}, {"40", "10"}},
        Case{"SplitCodeAfterCodes", {"102", "0"}, {"10", "20"}},
        Case{"KeptThroughEmptyReadsAndEvents", {"3", "", kSendEvent, kLineEvent, "0"}, {"30"}},
        Case{"KeptDroppedByOtherStart", {"1", "20"}, {"20"}},
        Case{"KeptDroppedByJunk", {"1", "x0", "0"}, {}},
        Case{"KeptDroppedByLineEnd", {"1", "\r\n0"}, {}},
        Case{"LineEndAfterALoneStartIsNoCode", {"1\r\n", "0"}, {}},
        Case{"OnlyOneCharacterCarries", {"1", "00", "0"}, {"10"}},
        Case{"LoneZeroDoesNothing", {"0"}, {}},
        Case{"NulBytesStop",
             {std::string_view("10\0"
                               "20",
                               5)},
             {"10"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Dispatcher, SendEventLeavesTheBufferForTheNextReceive) {
  testing::Rig rig;
  rig.host.MSComm1.open = true;
  rig.host.Arrive("20");
  const std::size_t mark = rig.host.log.size();
  rig.host.RaiseCommEvent(comm_event::kSend);
  EXPECT_THAT(rig.LogFrom(mark), IsEmpty());
  rig.host.RaiseCommEvent(comm_event::kReceive);
  EXPECT_THAT(rig.host.user32.clicks, ElementsAre(Point{}));
}

// On a loop-back plug the code sent is back before its send event: that event must
// not read it, or the "10" of "101" (the "20" of "202") would click.
TEST(Dispatcher, OwnCodesEchoedAreNotReadOnTheSendEvent) {
  for (const bool second : {false, true}) {
    testing::Rig rig;
    rig.host.MSComm1.open = true;
    rig.host.MSComm1.echoes = true;
    rig.host.Click(second ? rig.host.frmTwo : rig.host.frmMain);
    rig.host.Pump();  // the send event
    const std::string code = second ? "202" : "101";
    EXPECT_EQ(rig.host.MSComm1.sent, code);
    EXPECT_EQ(rig.host.MSComm1.waiting, code) << "left for the next receive";
    EXPECT_THAT(rig.host.user32.clicks, IsEmpty()) << code;
  }
}

}  // namespace
}  // namespace quorvex
