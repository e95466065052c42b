// The text form of a fetched value, as the files, the clipboard and the row total show it:
// NULL is empty, text is itself, integers their digits, exact decimals their digits without
// trailing fractional zeros (1.50 is 1.5, 2.000 is 2, .5 is 0.5), floating values the fewest
// digits that read back as the same double in the 15-digit layout (0.1, 0.30000000000000004,
// 1E+20, 9.007199254740992E+15), single-precision values the fewest digits that read back as the
// same float, booleans True and False, dates 2001/10/28, times 9:05:03, time stamps
// 2001/10/28 9:05:03 (the date alone at midnight), a non-zero fraction of a second after the
// seconds (9:05:03.5), binary as upper-case hex. Offsets from UTC are not shown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/odbc/value.h"

namespace kelvax {

// The value's text form: a view of the value's own text where it is one, else of `scratch`,
// which it overwrites.
std::string_view ValueText(const odbc::Value& value, std::string& scratch);
void AppendValueText(const odbc::Value& value, std::string& out);

// The pieces, appended to a reused string (no allocation once it has grown).
void AppendInteger(std::int64_t value, std::string& out);
void AppendDouble(double value, std::string& out);
void AppendReal(double value, std::string& out);
// Exact decimal text normalised as above; anything that is not a plain decimal is kept as it is.
void AppendDecimal(std::string_view text, std::string& out);
void AppendDate(int year, int month, int day, std::string& out);
void AppendTime(int hour, int minute, int second, std::uint32_t nanosecond, std::string& out);
void AppendTimestamp(const odbc::DateTime& t, std::string& out);
void AppendHex(const unsigned char* bytes, std::size_t count, std::string& out);

}  // namespace kelvax
