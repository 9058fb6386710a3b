// quorvex --check on a file as an engineer types it: what it says of items the start
// passes over, of an overlay that guards nothing, and of a port that is not there.
#include "app/check.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "rig.h"

namespace quorvex {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

bool NoPortIsThere(const Port&) {
  return false;
}
bool EveryPortIsThere(const Port&) {
  return true;
}
std::string TwoPorts() {
  return "COM1, COM4";
}

constexpr PortsNow kNone{PortSystem::kWindows, &NoPortIsThere, &TwoPorts};
constexpr PortsNow kAll{PortSystem::kWindows, &EveryPortIsThere, &TwoPorts};
constexpr char kGuarded[] =
    "PL:1500\nPT:1500\nFW:1500\nFH:750\nPL2:4500\nPT2:1500\nFW2:1500\nFH2:750\n";

std::string Checked(const std::string& text, const PortsNow& ports = kAll) {
  testing::ScopedWorkingDirectory dir;
  dir.Write("tessora.ini", text);
  const CheckResult result = CheckSettings({}, ports);
  EXPECT_EQ(result.status, 0) << result.text;
  return result.text;
}

TEST(Check, WarnsOfTyposAndRepeatsTheStartPassesOver) {
  const std::string text = Checked(std::string(kGuarded) + "Pl:7200\nSTRX;541\nPL:3000\n");
  EXPECT_THAT(text, HasSubstr("warning: line 9: \"Pl:7200\" holds no key and is ignored"));
  EXPECT_THAT(text, HasSubstr("warning: line 10: \"STRX;541\" holds no key and is ignored"));
  EXPECT_THAT(text, HasSubstr("warning: line 11: PL: is given again (first on line 1): the "
                              "last one counts"));
  // The last one counts: the overlay is where the start puts it.
  EXPECT_THAT(text, HasSubstr("overlay 1 (frmMain): 200,100"));
  EXPECT_THAT(Checked(std::string(kGuarded) + "\n\n  \n"), Not(HasSubstr("warning")));
  std::string stray(kGuarded);
  for (int i = 0; i < 1000; ++i) {
    stray += "x\n";
  }
  const std::string many = Checked(stray);
  EXPECT_THAT(many, HasSubstr("warning: line 28: \"x\" holds no key"));
  EXPECT_THAT(many, Not(HasSubstr("line 29:")));
  EXPECT_THAT(many, HasSubstr("warning: and 980 more items like these\n"));
}

TEST(Check, WarnsOfAnOverlayThatGuardsNothing) {
  // FW:2 typed for FW2: leaves the second overlay without width.
  const std::string text = Checked("PL:1500\nPT:1500\nFW:1500\nFH:750\nFW:2\nFH2:750\n");
  EXPECT_THAT(text, HasSubstr("warning: overlay 2 has no area (0 x 50 pixels; FW2 and FH2 set "
                              "it)"));
  EXPECT_THAT(text, HasSubstr("warning: overlay 1 has no area (0 x 50 pixels"));
}

TEST(Check, NamesAPortThatIsNotThereAndWhatTheStartWouldDo) {
  const std::string port = std::string(kGuarded) + "AUTOCONN:1\nCP:3\n";
  EXPECT_THAT(Checked(port, kNone),
              HasSubstr("warning: the port COM3 is not there now (Serial ports present now: "
                        "COM1, COM4.): Quorvex would end with Error 8002\n"));
  EXPECT_THAT(Checked(port + "RECONNECT:1\n", kNone),
              HasSubstr("Quorvex will hold the overlays until it comes"));
  EXPECT_THAT(Checked(port, kAll), Not(HasSubstr("warning")));
  EXPECT_THAT(Checked(port, kAll), HasSubstr("port: \"3\", that is COM3\n"));
  // Without AUTOCONN no port is opened, so none is looked for.
  EXPECT_THAT(Checked(std::string(kGuarded) + "CP:3\n", kNone), Not(HasSubstr("warning")));
}

TEST(Check, ACpTheStartWouldRefuseFailsAsTheStartWould) {
  testing::ScopedWorkingDirectory dir;
  dir.Write("tessora.ini", std::string(kGuarded) + "AUTOCONN:1\nCP:0\n");
  const CheckResult result = CheckSettings({}, kAll);
  EXPECT_THAT(result.text, HasSubstr("Error 8002: There is no serial port COM0"));
  EXPECT_EQ(result.status, 1);
}

TEST(Check, NamesTheFollowedWindowBeforeItsRelativePlaces) {
  EXPECT_THAT(Checked(std::string("WINDOW: Batch line \n") + kGuarded),
              ::testing::StartsWith("window: the one whose title holds \"Batch line\"; the "
                                    "places below are from its client area\noverlay 1"));
  EXPECT_THAT(Checked(kGuarded), ::testing::StartsWith("overlay 1"));
}

TEST(Check, SaysTheModeAsQuorvexAlignDoes) {
  EXPECT_THAT(Checked(kGuarded), HasSubstr("production mode: overlays practically invisible "
                                           "(no VERSION item)\n"));
  EXPECT_THAT(Checked(std::string(kGuarded) + "VERSION:0\n"),
              HasSubstr("production mode: overlays practically invisible (VERSION:0)\n"));
  EXPECT_THAT(Checked(std::string(kGuarded) + "VERSION:101\n"),
              HasSubstr("alignment mode: overlays drawn visibly (VERSION:101)\n"));
}

}  // namespace
}  // namespace quorvex
