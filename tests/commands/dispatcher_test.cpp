#include "commands/dispatcher.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "rig.h"

namespace quorvex {
namespace {

constexpr std::string_view kHangUp = "<hang-up>";  // the line's event, nothing waiting

// What the reads did, as the codes that would have done it: each click is named by
// its point, each pair of visibility changes by its value.
std::vector<std::string> Acted(const std::vector<std::string_view>& reads) {
  testing::Rig rig;
  SettingsRecord& s = rig.program.Settings;
  s.STRX = s.STRY = 1;
  s.STPX = s.STPY = 2;
  s.STRX2 = s.STRY2 = 3;
  for (const auto read : reads) {
    rig.host.Receive(read == kHangUp ? "" : read);
  }
  // Each click is recorded where it landed: (1, 1) for "10", (2, 2) for "20", (3, 3)
  // for "30".
  const std::map<std::string, std::string> codes = {
      {"Click(1,1)", "10"},     {"Click(2,2)", "20"},     {"Click(3,3)", "30"},
      {"frmTwo.Show(1)", "40"}, {"frmTwo.Show(0)", "50"}, {"Click(0,0)", "elsewhere"}};
  std::vector<std::string> acted;
  for (const std::string& entry : rig.host.log) {
    if (const auto code = codes.find(entry); code != codes.end()) {
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
        Case{"KeptThroughEmptyReads", {"3", "", kHangUp, "0"}, {"30"}},
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

}  // namespace
}  // namespace quorvex
