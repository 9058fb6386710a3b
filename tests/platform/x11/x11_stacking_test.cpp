// Where an overlay goes among the root's children. A stack is written bottom to top,
// a letter a window: o the overlay, F the followed application's top-level, C another
// program's normal window over the overlay, m one that is not (a menu, a second
// Quorvex's overlay, a window elsewhere or unmapped).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <optional>
#include <string_view>

#include "platform/x11/x11_stacking.h"

namespace quorvex::x11 {
namespace {

struct Answer {
  std::optional<std::size_t> above;
  int asked = 0;  // windows asked about: a round trip each
};

Answer Decide(std::string_view stack, bool following = true) {
  const std::size_t f = stack.find('F');
  const std::optional<std::size_t> followed =
      following && f != std::string_view::npos ? std::optional(f) : std::nullopt;
  Answer answer;
  answer.above = RestackAbove(stack.size(), stack.find('o'), followed, [&](std::size_t i) {
    ++answer.asked;
    return stack[i] == 'C';
  });
  return answer;
}

TEST(RestackAbove, WithoutAFollowedWindowTheOverlayGoesAboveTheHighestCover) {
  EXPECT_EQ(Decide("oCm", false).above, 1u);
  EXPECT_EQ(Decide("FoCCm", false).above, 3u);
  EXPECT_EQ(Decide("Fom", false).above, std::nullopt);
  EXPECT_EQ(Decide("CFo", false).above, std::nullopt);
  // The application above it counts as any other window when it is not followed.
  EXPECT_EQ(Decide("oF", false).above, std::nullopt);
}

TEST(RestackAbove, FollowingItLiesDirectlyAboveTheApplicationAndUnderWhatCoversIt) {
  // Another program's window over the application stays over the overlay.
  EXPECT_EQ(Decide("FoC").above, std::nullopt);
  EXPECT_EQ(Decide("CFoC").above, std::nullopt);
  // The application raised over the cover and the overlay: the overlay comes with it,
  // beneath what was above the application, whatever covers it there.
  EXPECT_EQ(Decide("oCF").above, 2u);
  EXPECT_EQ(Decide("oCFC").above, 2u);
  // A normal window that came between the two.
  EXPECT_EQ(Decide("FCo").above, 0u);
  EXPECT_EQ(Decide("mFmCmo").above, 1u);
}

TEST(RestackAbove, FollowingPopUpsBetweenTheApplicationAndTheOverlayStayThere) {
  // The application's menus, and a second Quorvex's overlays over the same window:
  // neither is answered, so two never fight.
  EXPECT_EQ(Decide("Fmmo").above, std::nullopt);
  EXPECT_EQ(Decide("Fmo").asked, 1);
}

TEST(RestackAbove, AsksOnlyAboutWindowsThatCanDecide) {
  // Raised over the overlay: nothing to ask.
  EXPECT_EQ(Decide("oCCF").asked, 0);
  // Above the overlay, nothing beyond the highest cover; following, nothing above it.
  EXPECT_EQ(Decide("omCmm", false).asked, 3);
  EXPECT_EQ(Decide("FoCmm").asked, 0);
}

TEST(RestackAbove, AnOverlayNotInTheListStays) {
  EXPECT_EQ(Decide("FCm").above, std::nullopt);
  EXPECT_EQ(Decide("", false).above, std::nullopt);
}

}  // namespace
}  // namespace quorvex::x11
