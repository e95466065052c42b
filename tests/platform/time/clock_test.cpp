#include "platform/time/clock.h"

#include <gtest/gtest.h>

#include <ctime>

namespace kelvax {
namespace {

std::tm Make(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return t;
}

TEST(ClockTest, GeneralDateHasNoLeadingZeroOnTheHour) {
  EXPECT_EQ(FormatGeneralDate(Make(2001, 10, 28, 9, 5, 3)), "2001/10/28 9:05:03");
  EXPECT_EQ(FormatGeneralDate(Make(2001, 10, 28, 0, 0, 0)), "2001/10/28 0:00:00");
  EXPECT_EQ(FormatGeneralDate(Make(1999, 1, 2, 23, 59, 59)), "1999/01/02 23:59:59");
}

TEST(ClockTest, TimerCountsSecondsSinceLocalMidnight) {
  const std::tm before = LocalNow();
  const double timer = TimerSeconds();
  const std::tm after = LocalNow();
  EXPECT_GE(timer, 0.0);
  EXPECT_LT(timer, 86401.0);
  const double low = before.tm_hour * 3600 + before.tm_min * 60 + before.tm_sec;
  const double high = after.tm_hour * 3600 + after.tm_min * 60 + after.tm_sec + 1;
  if (low <= high) {  // not across midnight
    EXPECT_GE(timer, low);
    EXPECT_LT(timer, high);
  }
}

}  // namespace
}  // namespace kelvax
