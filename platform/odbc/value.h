// A fetched value, typed: what the data source holds, before any writer gives it a text form.
// Views in it stay valid until the result moves to the next row.
#pragma once

#include <cstdint>
#include <string_view>

namespace kelvax::odbc {

// What a result column holds, decided once when the result is described.
enum class ColumnKind {
  kText,
  kInteger,  // whole numbers up to 64 bits, signed or not
  kDecimal,  // exact decimals, kept as the digits the driver sends
  kFloat,    // double precision
  kReal,     // single precision, fetched as a double
  kBoolean,
  kDate,
  kTime,
  kTimestamp,
  kBinary,
};

// A calendar date, a time of day, or both. Years run from 1 to 9999; a value outside that
// range (or BC, or infinity) is handed over as the server's own text instead.
struct DateTime {
  int year = 0, month = 0, day = 0;  // zero for a time of day
  int hour = 0, minute = 0, second = 0;
  std::uint32_t nanosecond = 0;
  bool has_offset = false;  // the server sent an offset from UTC (time stamps with time zone)
  int offset_seconds = 0;   // east of UTC
};

struct Value {
  enum class Kind {
    kNull,
    kText,       // `bytes`: UTF-8 as the data source sent it, ill-formed sequences included
    kInteger,    // `integer`
    kUnsigned,   // `unsigned_integer`: above the signed range
    kDecimal,    // `bytes`: the digits as sent (-12.50, .5); never through a double
    kFloat,      // `number`
    kReal,       // `number`: a single-precision value widened
    kBoolean,    // `boolean`
    kDate,       // `time`
    kTime,       // `time`
    kTimestamp,  // `time`
    kBinary,     // `bytes`: the raw bytes
  };
  Kind kind = Kind::kNull;
  std::int64_t integer = 0;
  std::uint64_t unsigned_integer = 0;
  double number = 0;
  bool boolean = false;
  DateTime time;
  std::string_view bytes;

  bool is_null() const { return kind == Kind::kNull; }
};

}  // namespace kelvax::odbc
