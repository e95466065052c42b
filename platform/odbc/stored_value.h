// Stored text read as a value of its column's kind, for drivers that hand values over as the
// text they store or send (SQLite always; MariaDB and PostgreSQL for dates and times).
#pragma once

#include <string_view>

#include "platform/odbc/value.h"

namespace kelvax::odbc {

// Sets `value` from `stored` when the text is a value of `kind`, and returns true:
//   integers in their canonical digits (no sign but '-', no leading zero);
//   exact decimals and floating values written as plain decimals of up to 15 significant
//   digits as decimals (their digits are the value), other floating texts as the double they
//   read as; 1 and 0 as booleans;
//   ISO dates 2001-10-28, times 09:05:03[.fraction] and time stamps 2001-10-28 09:05:03[.fraction]
//   (or with 'T'), whatever the column's temporal kind says, years 1 to 9999, real days only;
//   with `with_offset`, a time stamp may end in an offset from UTC (+09, -05:30, +05:30:15).
// Any other text, an integer text in a floating column among them, leaves `value` untouched
// and returns false: the caller hands it over as text.
bool ParseStoredValue(ColumnKind kind, std::string_view stored, bool with_offset, Value& value);

}  // namespace kelvax::odbc
