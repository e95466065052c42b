// Text forms of values, and stored text read as values: the edges no driver in the per-engine
// value cases reaches (exact decimals of any shape, a double in a single-precision kind, stored
// texts that are no value of their column's kind).
#include "engine/value_text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/odbc/stored_value.h"

namespace kelvax {
namespace {

using odbc::ColumnKind;
using odbc::Value;

std::string TextOf(const Value& v) {
  std::string out = "kept|";  // appending keeps what is there
  AppendValueText(v, out);
  EXPECT_EQ(out.rfind("kept|", 0), 0u);
  return out.substr(5);
}

Value Of(Value::Kind kind, double number) {
  Value v;
  v.kind = kind;
  v.number = number;
  return v;
}

TEST(ValueTextTest, DecimalsLoseTrailingFractionalZerosAndNothingElse) {
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
      {"007.5", "7.5"},
      {"123456789012345678901234567890.0100", "123456789012345678901234567890.01"},
      {"1E+5", "1E+5"},
      {"abc", "abc"},
      {"", ""},
      {".", "."},
      {"1.2.3", "1.2.3"},
  };
  for (const auto& c : cases) {
    Value v;
    v.kind = Value::Kind::kDecimal;
    v.bytes = c.first;
    EXPECT_EQ(TextOf(v), c.second) << c.first;
  }
}

// The digits of each double at the edges, and of single precision values, are a case file
// (tests/cases/values/numbers_at_their_edges); here every shown form reads back.
TEST(ValueTextTest, EveryDoubleShownReadsBackAsTheSameDouble) {
  for (double d = 0.1; d < 2000; d += 0.1) {
    const std::string text = TextOf(Of(Value::Kind::kFloat, d));
    EXPECT_EQ(std::stod(text), d) << text;
  }
}

// A double no REAL column holds, in a single-precision column: the double's digits.
TEST(ValueTextTest, SinglePrecisionKindWithADoubleShowsTheDoublesDigits) {
  const std::pair<double, const char*> cases[] = {
      {0.1, "0.1"}, {1.0 / 3, "0.3333333333333333"}, {1e300, "1E+300"},  // beyond float range
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TextOf(Of(Value::Kind::kReal, c.first)), c.second) << c.second;
  }
}

// Stored text read by its column's kind, then shown: numbers SQLite's column affinity would
// change before any driver hands them over, and the servers' temporal text with its offset.
// SQLite's temporal text is a case file (tests/cases/values/stored_temporal_text).
TEST(ValueTextTest, StoredTextBecomesAValueOnlyWhereItIsOneOfItsKind) {
  using K = ColumnKind;
  struct Case {
    ColumnKind kind;
    const char* in;
    const char* out;  // nullptr: no value of the kind, stays text as stored
    bool with_offset = false;
  } cases[] = {
      {K::kTimestamp, "2001-10-28 09:05:03.5+09", "2001/10/28 9:05:03.5", true},
      {K::kTimestamp, "2001-10-28 09:05:03+05:30:15", "2001/10/28 9:05:03", true},
      {K::kTimestamp, "2001-10-28 09:05:03+9", nullptr, true},
      {K::kTimestamp, "0044-03-15 10:00:00 BC", nullptr, true},
      {K::kFloat, "5.0", "5"},
      {K::kFloat, "-0.0", "0"},
      {K::kFloat, "0.00001", "0.00001"},  // a plain decimal keeps its layout
      {K::kFloat, "1.5e-07", "1.5E-07"},
      {K::kFloat, "0.1000000000000000055511", "0.1"},
      {K::kFloat, "12345678901234567890", nullptr},  // an integer in a floating column
      {K::kFloat, "Inf", nullptr},
      {K::kFloat, "1.5x", nullptr},
      {K::kInteger, "42", "42"},
      {K::kInteger, "-9223372036854775808", "-9223372036854775808"},
      {K::kInteger, "9223372036854775808", nullptr},
      {K::kInteger, "007", nullptr},
      {K::kInteger, "+7", nullptr},
      {K::kInteger, "1.5", nullptr},
      {K::kDecimal, "1.50", "1.5"},
      {K::kDecimal, "1E+5", nullptr},
      {K::kBoolean, "1", "True"},
      {K::kBoolean, "2", nullptr},
      {K::kText, "1.50", nullptr},
  };
  for (const auto& c : cases) {
    Value v;
    const bool parsed = odbc::ParseStoredValue(c.kind, c.in, c.with_offset, v);
    if (!c.out) {
      EXPECT_FALSE(parsed) << c.in;
      continue;
    }
    EXPECT_TRUE(parsed) << c.in;
    EXPECT_EQ(TextOf(v), c.out) << c.in;
  }
  Value v;
  ASSERT_TRUE(odbc::ParseStoredValue(K::kTimestamp, "2001-10-28 09:05:03-05:30", true, v));
  EXPECT_TRUE(v.time.has_offset);
  EXPECT_EQ(v.time.offset_seconds, -(5 * 3600 + 30 * 60));
}

}  // namespace
}  // namespace kelvax
