// Value text forms for types the SQLite driver never reports (exact decimals, single-precision
// reals), the edges of the others, and the UTF-16 form of statements. The ordinary values of
// every type are checked through the drivers in odbc_fidelity_test.cpp.
#include <gtest/gtest.h>

#include <cfloat>
#include <string>
#include <utility>

#include "platform/odbc/utf16.h"
#include "platform/odbc/value_text.h"

namespace kelvax::odbc {
namespace {

template <typename F>
std::string Text(F append) {
  std::string out = "kept|";  // appending keeps what is there
  append(out);
  EXPECT_EQ(out.rfind("kept|", 0), 0u);
  return out.substr(5);
}

TEST(OdbcTextTest, DecimalsLoseTrailingFractionalZeros) {
  const std::pair<const char*, const char*> cases[] = {
      {"1.50", "1.5"},
      {"2.000", "2"},
      {"-2.000", "-2"},
      {"100", "100"},
      {"10.0", "10"},
      {"-0.0", "0"},
      {"0.00", "0"},
      {"-0", "0"},
      {".5", "0.5"},
      {"-.50", "-0.5"},
      {"+3.10", "3.1"},
      {"  12.30", "12.3"},
      {"123456789012345678901234567890.0100", "123456789012345678901234567890.01"},
      {"1E+5", "1E+5"},
      {"abc", "abc"},
      {"", ""},
      {".", "."},
      {"1.2.3", "1.2.3"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Text([&](std::string& o) { AppendDecimal(c.first, o); }), c.second) << c.first;
  }
}

TEST(OdbcTextTest, DoublesShowUpToFifteenSignificantDigits) {
  const std::pair<double, const char*> cases[] = {
      {2.5, "2.5"},
      {1e-5, "1E-05"},
      {-0.0, "0"},
      {0.1 + 0.2, "0.3"},
      {123456789012345678.0, "1.23456789012346E+17"},
      {100000000000000.0, "100000000000000"},
      {-42.0, "-42"},
      {0.0001, "0.0001"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Text([&](std::string& o) { AppendDouble(c.first, o); }), c.second) << c.second;
  }
}

TEST(OdbcTextTest, SinglePrecisionValuesShowTheirShortestDigits) {
  const std::pair<double, const char*> cases[] = {
      {static_cast<double>(0.1f), "0.1"},
      {static_cast<double>(1234567.5f), "1234567.5"},
      {16777216.0, "16777216"},
      {static_cast<double>(FLT_MAX), "3.4028235E+38"},
      {static_cast<double>(-2.5f), "-2.5"},
      {0.1, "0.1"},  // not a float: the double's digits
      {1.0 / 3, "0.333333333333333"},
      {1e300, "1E+300"},                         // beyond float range
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Text([&](std::string& o) { AppendReal(c.first, o); }), c.second) << c.second;
  }
}

TEST(OdbcTextTest, StoredTextTakesItsFormOnlyWhereItIsAValueOfThatForm) {
  using F = StoredForm;
  struct Case {
    StoredForm form;
    const char* in;
    const char* out;
  } cases[] = {
      {F::kDateTime, "0987-01-02", "0987/01/02"},
      {F::kDateTime, "2023-02-29", "2023-02-29"},
      {F::kDateTime, "1900-02-29", "1900-02-29"},
      {F::kDateTime, "2000-02-29 23:59:59.999", "2000/02/29 23:59:59"},
      {F::kDateTime, "2001-10-28T09:05", "2001/10/28 9:05:00"},
      {F::kDateTime, "2001-10-28 00:00:00", "2001/10/28"},
      {F::kDateTime, "2001-10-28 00:00:00.000", "2001/10/28"},
      {F::kDateTime, "2001-10-28 00:00:00.001", "2001/10/28 0:00:00"},
      {F::kDateTime, "00:00:00", "0:00:00"},
      {F::kDateTime, "23:59:59.5", "23:59:59"},
      {F::kDateTime, "24:00:00", "24:00:00"},
      {F::kDateTime, "2001-10-28 09:60:00", "2001-10-28 09:60:00"},
      {F::kDateTime, "2001-10-28 09:05:03+09", "2001-10-28 09:05:03+09"},
      {F::kDateTime, "2001-10-28 09:05:03.", "2001-10-28 09:05:03."},
      {F::kDateTime, "2001-13-01", "2001-13-01"},
      {F::kDateTime, "2001-1-28", "2001-1-28"},
      {F::kDateTime, "", ""},
      {F::kFloat, "5.0", "5"},
      {F::kFloat, "-0.0", "0"},
      {F::kFloat, "1.5e-07", "1.5E-07"},
      {F::kFloat, "0.1000000000000000055511", "0.1"},
      {F::kFloat, "12345678901234567890", "12345678901234567890"},
      {F::kFloat, "Inf", "Inf"},
      {F::kFloat, "1.5x", "1.5x"},
      {F::kBit, "2", "2"},
      {F::kAsStored, "1.50", "1.50"},
      {F::kAsStored, "a\xFF" "b\xE6\x97", "a\xEF\xBF\xBD" "b\xEF\xBF\xBD"},
      {F::kDecimal, "\xC3", "\xEF\xBF\xBD"},
      {F::kDateTime, "\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
  };
  for (const auto& c : cases) {
    std::string scratch = "old";
    EXPECT_EQ(StoredValueText(c.form, c.in, scratch), c.out) << c.in;
  }
}

TEST(OdbcTextTest, BinaryIsUpperCaseHexAndBitsAreWords) {
  const unsigned char bytes[] = {0x00, 0x0A, 0xFF, 0x5C};
  EXPECT_EQ(Text([&](std::string& o) { AppendHex(bytes, 4, o); }), "000AFF5C");
  EXPECT_EQ(Text([](std::string& o) { AppendBit(true, o); }), "True");
  EXPECT_EQ(Text([](std::string& o) { AppendBit(false, o); }), "False");
  EXPECT_EQ(Text([](std::string& o) { AppendInteger(INT64_MIN, o); }), "-9223372036854775808");
  EXPECT_EQ(Text([](std::string& o) { AppendUnsigned(UINT64_MAX, o); }), "18446744073709551615");
}

TEST(OdbcTextTest, Utf8BecomesUtf16WithReplacementForBadBytes) {
  EXPECT_EQ(Utf8ToUtf16("a日本"), (std::u16string{u'a', 0x65E5, 0x672C}));
  EXPECT_EQ(Utf8ToUtf16("\xF0\xA0\xAE\xB7"), (std::u16string{0xD842, 0xDFB7}));  // U+20BB7
  // A lone continuation byte, a truncated sequence, an overlong slash, a UTF-8 surrogate.
  EXPECT_EQ(Utf8ToUtf16("\x80x\xE6\x97"), (std::u16string{0xFFFD, u'x', 0xFFFD}));
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), (std::u16string{0xFFFD, 0xFFFD}));
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), (std::u16string{0xFFFD, 0xFFFD, 0xFFFD}));
}

}  // namespace
}  // namespace kelvax::odbc
