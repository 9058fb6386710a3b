#include "common/rate_limit.h"

#include <gtest/gtest.h>

namespace quorvex {
namespace {

using Clock = RestackRate::Clock;
using std::chrono::milliseconds;

// Answers taken whenever due, as many as are, for `length` of asking every
// millisecond from `start`.
int AnswersWhileAskedWithoutEnd(RestackRate& rate, Clock::time_point start, milliseconds length) {
  int answers = 0;
  for (auto now = start; now < start + length; now += milliseconds(1)) {
    while (rate.Due() <= now) {
      rate.Take(now);
      ++answers;
    }
  }
  return answers;
}

TEST(RestackRate, ABurstAtOnceThenNoMoreThanTheRateInAnySecond) {
  RestackRate rate;
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(AnswersWhileAskedWithoutEnd(rate, start, milliseconds(1)), RestackRate::kBurst);
  const int firstSecond =
      RestackRate::kBurst +
      AnswersWhileAskedWithoutEnd(rate, start + milliseconds(1), milliseconds(999));
  EXPECT_LE(firstSecond, RestackRate::kMaxPerSecond);
  EXPECT_GE(firstSecond, RestackRate::kMaxPerSecond - 1);
  for (int second = 1; second < 5; ++second) {
    EXPECT_LE(
        AnswersWhileAskedWithoutEnd(rate, start + std::chrono::seconds(second), milliseconds(1000)),
        RestackRate::kMaxPerSecond - RestackRate::kBurst + 1);
  }
}

// Quiet for a while, the burst is there again; never more than it.
TEST(RestackRate, TheBurstComesBackAfterAQuietSpellButDoesNotPileUp) {
  RestackRate rate;
  const Clock::time_point start = Clock::now();
  AnswersWhileAskedWithoutEnd(rate, start, milliseconds(1000));
  EXPECT_EQ(AnswersWhileAskedWithoutEnd(rate, start + std::chrono::seconds(60), milliseconds(1)),
            RestackRate::kBurst);
}

}  // namespace
}  // namespace quorvex
