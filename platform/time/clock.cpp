#include "platform/time/clock.h"

#include <cstdio>

namespace kelvax {

std::tm LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  return t;
}

double TimerSeconds() {
  // Called once per written row: the local time of day is worked out once a minute and
  // extended by plain arithmetic in between (zone changes fall on whole minutes).
  static std::time_t minute_start = -1;
  static double minute_value = 0;
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  if (minute_start < 0 || ts.tv_sec < minute_start || ts.tv_sec >= minute_start + 60) {
    std::tm t{};
    localtime_r(&ts.tv_sec, &t);
    minute_start = ts.tv_sec - t.tm_sec;
    minute_value = t.tm_hour * 3600.0 + t.tm_min * 60.0;
  }
  return minute_value + static_cast<double>(ts.tv_sec - minute_start) + ts.tv_nsec / 1e9;
}

std::string FormatGeneralDate(const std::tm& t) {
  // Formatted by hand: strftime would follow the locale, and the log must not.
  char buf[64];
  const int n = std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %d:%02d:%02d", t.tm_year + 1900,
                              t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
  return std::string(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::string TimeStamp() { return FormatGeneralDate(LocalNow()); }

}  // namespace kelvax
