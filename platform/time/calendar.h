// The Gregorian calendar's month lengths, for every reader and writer of dates.
#pragma once

namespace kelvax {

// Days in `month` (1..12) of `year`.
int DaysInMonth(int year, int month);

// Whether `year`/`month`/`day` names a real day.
bool IsRealDay(int year, int month, int day);

}  // namespace kelvax
