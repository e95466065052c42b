// The clock, read through the C library so that faketime can fix the date in tests.
#pragma once

#include <ctime>
#include <string>

namespace kelvax {

// Local date and time now.
std::tm LocalNow();

// Seconds since local midnight, with fractions (the run timer).
double TimerSeconds();

// Japanese general date format: "2001/10/28 9:05:03" (hours without a leading zero).
std::string FormatGeneralDate(const std::tm& t);

// FormatGeneralDate(LocalNow()): the head of every run-log record.
std::string TimeStamp();

}  // namespace kelvax
