#include "engine/macros.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "engine/job_schema.h"
#include "platform/fs/folders.h"
#include "platform/time/calendar.h"

namespace kelvax {

namespace {

struct Date {
  int year, month, day;  // month 1..12
};

// Adds months keeping the day, or the target month's last day where it is shorter.
Date AddMonths(Date d, int months) {
  int index = d.year * 12 + (d.month - 1) + months;
  Date r{index / 12, index % 12 + 1, 0};
  int last = DaysInMonth(r.year, r.month);
  r.day = d.day > last ? last : d.day;
  return r;
}

Date AddYears(Date d, int years) { return AddMonths(d, years * 12); }

// Days are counted through the proleptic Gregorian day number.
long DayNumber(Date d) {
  long y = d.year, m = d.month;
  if (m <= 2) {
    y -= 1;
    m += 12;
  }
  return 365 * y + y / 4 - y / 100 + y / 400 + (153 * (m - 3) + 2) / 5 + d.day;
}

Date FromDayNumber(long n) {
  // Inverse of DayNumber by search from an estimate: exact and small enough for 609 calls.
  long y = n / 365;
  while (DayNumber(Date{static_cast<int>(y), 1, 1}) > n) --y;
  while (DayNumber(Date{static_cast<int>(y + 1), 1, 1}) <= n) ++y;
  int m = 1;
  while (m < 12 && DayNumber(Date{static_cast<int>(y), m + 1, 1}) <= n) ++m;
  long first = DayNumber(Date{static_cast<int>(y), m, 1});
  return Date{static_cast<int>(y), m, static_cast<int>(n - first + 1)};
}

Date AddDays(Date d, int days) { return FromDayNumber(DayNumber(d) + days); }

std::string Digits(int value, int width) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*d", width, value);
  return buf;
}

// Where `from` (upper case) stands in `field` from `start` on, its letters in any case. Found by
// its first character first (every macro name opens with '%'): a statement of megabytes without
// macros costs one quick scan for each name.
size_t FindMacro(const std::string& field, const std::string& from, size_t start) {
  auto same = [](char a, char b) {
    return (a >= 'a' && a <= 'z' ? static_cast<char>(a - 'a' + 'A') : a) == b;
  };
  const char up = from[0];
  const char low = static_cast<char>(std::tolower(static_cast<unsigned char>(up)));
  auto next = [&](size_t from_pos) {
    const size_t at = field.find(up, from_pos);
    return low == up ? at : std::min(at, field.find(low, from_pos));
  };
  for (size_t pos = next(start); pos != std::string::npos; pos = next(pos + 1)) {
    if (field.size() - pos < from.size()) return std::string::npos;
    if (std::equal(from.begin() + 1, from.end(),
                   field.begin() + static_cast<std::ptrdiff_t>(pos) + 1,
                   [&same](char f, char c) { return same(c, f); })) {
      return pos;
    }
  }
  return std::string::npos;
}

// Macro names in any case: %date% is %DATE%.
void ReplaceIn(std::string& field, const std::string& from, const std::string& to) {
  if (from.empty()) return;
  size_t pos = FindMacro(field, from, 0);
  if (pos == std::string::npos) return;
  std::string out;
  size_t start = 0;
  while (pos != std::string::npos) {
    out.append(field, start, pos - start);
    out += to;
    start = pos + from.size();
    pos = FindMacro(field, from, start);
  }
  out.append(field, start, std::string::npos);
  field.swap(out);
}

}  // namespace

MacroFolders CurrentMacroFolders() {
  return MacroFolders{DesktopFolder(), TempFolder(), CurrentProgramFolders().state};
}

void ReplaceInJob(JobTask& task, const std::string& from, const std::string& to) {
  for (const JobKeyInfo& k : kJobKeys) {
    if (k.takes_macros) ReplaceIn(JobField(task, k.key), from, to);
  }
}

void ExpandMacros(JobTask& task, const std::tm& today, const MacroFolders& folders) {
  ReplaceInJob(task, "%DTOP%", folders.desktop);
  ReplaceInJob(task, "%TEMP%", folders.temp);
  ReplaceInJob(task, "%PATH%", folders.executable);

  const Date now{today.tm_year + 1900, today.tm_mon + 1, today.tm_mday};
  ReplaceInJob(task, "%DATE%",
               Digits(now.year, 4) + "/" + Digits(now.month, 2) + "/" + Digits(now.day, 2));
  ReplaceInJob(task, "%YYYY%", Digits(now.year, 4));
  ReplaceInJob(task, "%YY%", Digits(now.year % 100, 2));
  ReplaceInJob(task, "%MM%", Digits(now.month, 2));
  ReplaceInJob(task, "%DD%", Digits(now.day, 2));
  ReplaceInJob(task, "%DEND%", Digits(DaysInMonth(now.year, now.month), 2));

  for (int n = 0; n <= 99; ++n) {
    const std::string nn = Digits(n, 2);
    ReplaceInJob(task, "%Y-" + nn + "%", Digits(AddYears(now, -n).year, 4));
    ReplaceInJob(task, "%M-" + nn + "%", Digits(AddMonths(now, -n).month, 2));
    ReplaceInJob(task, "%D-" + nn + "%", Digits(AddDays(now, -n).day, 2));
    ReplaceInJob(task, "%Y+" + nn + "%", Digits(AddYears(now, n).year, 4));
    ReplaceInJob(task, "%M+" + nn + "%", Digits(AddMonths(now, n).month, 2));
    ReplaceInJob(task, "%D+" + nn + "%", Digits(AddDays(now, n).day, 2));
  }
}

}  // namespace kelvax
