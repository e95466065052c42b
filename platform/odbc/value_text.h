// Text forms of fetched values, appended to a reused string (no allocation once it has grown).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kelvax::odbc {

void AppendInteger(std::int64_t value, std::string& out);
void AppendUnsigned(std::uint64_t value, std::string& out);
// Up to 15 significant digits, the shorter of plain and exponent form: 0.142857142857143, 2.5,
// 1E+20. Negative zero is 0.
void AppendDouble(double value, std::string& out);
// A single-precision column's value, fetched as a double: when it is exactly a float, the fewest
// digits (7 to 9) that give that float back, so that 0.1 does not show as 0.100000001490116.
void AppendReal(double value, std::string& out);
// An exact decimal as the driver gives it in characters: trailing fractional zeros and a bare
// point go (1.50 -> 1.5, 2.000 -> 2), a missing leading zero is added (.5 -> 0.5), minus zero is
// 0. Anything that is not a plain decimal number is kept as it is.
void AppendDecimal(std::string_view text, std::string& out);
void AppendDate(int year, int month, int day, std::string& out);      // 2001/10/28
void AppendTime(int hour, int minute, int second, std::string& out);  // 9:05:03
// 2001/10/28 9:05:03; the date alone at midnight with no fraction. Fractions are dropped.
void AppendTimestamp(int year, int month, int day, int hour, int minute, int second,
                     std::uint32_t fraction, std::string& out);
// How a value the driver hands over as its stored text is shown, by its column's declared type.
enum class StoredForm {
  kAsStored,  // text, integers
  kFloat,     // 15 significant digits, as AppendDouble
  kDecimal,   // as AppendDecimal
  kDateTime,  // ISO dates, times and time stamps in the forms above
  kBit        // 1 and 0 as True and False
};
// The text form of `stored`, UTF-8 from the driver, when it is a value of `form` (an ISO date
// 2001-10-28 becomes 2001/10/28, 2001-10-28 09:05:03.5 becomes 2001/10/28 9:05:03, the float text
// 1.0e+20 becomes 1E+20); any other text is kept as stored (1.5 where an integer was declared,
// 20011028 or 2001-02-30 as a date, an integer text of any length as a float), its ill-formed
// UTF-8 sequences replaced by U+FFFD. Returns `stored` itself when nothing changes, otherwise a
// view of `scratch`, which it overwrites.
std::string_view StoredValueText(StoredForm form, std::string_view stored, std::string& scratch);

void AppendHex(const unsigned char* bytes, std::size_t count, std::string& out);  // upper case
void AppendBit(bool value, std::string& out);                                     // True/False

}  // namespace kelvax::odbc
