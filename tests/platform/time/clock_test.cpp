#include "platform/time/clock.h"

#include <gtest/gtest.h>

#include <ctime>

namespace kelvax {
namespace {

// The time stamps' form is checked in the run logs of the case files (tests/cases/cli/
// log_time_at_midnight and every other).
TEST(ClockTest, TimerCountsSecondsSinceLocalMidnight) {
  const std::tm before = LocalNow();
  const double timer = TimerSeconds();
  const std::tm after = LocalNow();
  const double low = before.tm_hour * 3600 + before.tm_min * 60 + before.tm_sec;
  const double high = after.tm_hour * 3600 + after.tm_min * 60 + after.tm_sec + 1;
  if (low <= high) {  // not across midnight
    EXPECT_GE(timer, low);
    EXPECT_LT(timer, high);
  }
}

}  // namespace
}  // namespace kelvax
