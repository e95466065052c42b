// ResultSet over the scripted driver (tests/support/fake_driver): the failures no real driver
// gives on demand. Rows marked SQL_ROW_ERROR, a failing SQLSetPos, a long value read again
// differently, a failing SQLGetData and a fetch failing part-way through its block each cost only
// what cannot be read, and the result always ends.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/odbc/odbc.h"
#include "tests/support/drivers.h"
#include "tests/support/sandbox.h"

namespace kelvax::odbc {
namespace {

// A row as its cells: the value, "NULL", or "!" and the failure's description.
using Cells = std::vector<std::string>;

struct Read {
  std::vector<Cells> rows;
  std::vector<std::string> ends;  // the fetch failures reported, in order
};

// Every row of the result `script` gives, through the row loop a writer uses (as ReadAll in
// odbc_fidelity_test.cpp).
Read ReadScript(const std::string& script) {
  test::OdbcSandbox::Get();
  const std::string path = test::MakeTempDir("kelvax-fake") + "/script";
  test::WriteFileBytes(path, script);
  Read read;
  Environment env;
  EXPECT_TRUE(env.Open().ok());
  Connection connection;
  Status s = connection.Open(env, "DRIVER=KelvaxFake;SCRIPT=" + path, false);
  EXPECT_TRUE(s.ok()) << s.description();
  ResultSet result;
  s = result.Execute(connection, "SELECT");
  EXPECT_TRUE(s.ok()) << s.description();
  for (int guard = 0; guard < 1000; ++guard) {
    bool at_end = true;
    if (Status e = result.AtEnd(at_end); !e.ok()) read.ends.push_back(e.description());
    if (at_end) break;
    Cells& row = read.rows.emplace_back();
    for (int i = 0; i < result.ColumnCount(); ++i) {
      std::optional<std::string> value;
      s = test::ReadText(result, i, value);
      row.push_back(!s.ok() ? "!" + s.description() : value ? *value : "NULL");
    }
    if (Status next = result.NextRow(); !next.ok()) read.ends.push_back(next.description());
  }
  return read;
}

std::string Joined(const Cells& cells) {
  std::string text;
  for (const auto& c : cells) text += (text.empty() ? "" : "|") + c;
  return text;
}

// One script and what comes of it. A row is its cells joined with '|': a value as it comes out
// ("NULL" for NULL), or "!" and a text the value's failure description contains. `end`: a text
// the one failure that ends the result contains, or "" for an end without one.
struct Case {
  const char* name;
  std::string script;
  std::vector<std::string> rows;
  const char* end;
};
void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

// Values longer than the first SQLGetData piece (8 KiB): read in several.
const std::string kLongSushi = [] {
  std::string s;
  for (int i = 0; i < 5000; ++i) s += "寿";  // 10000 bytes of UTF-16
  return s;
}();
const std::string kLongEmoji = [] {
  std::string s;
  for (int i = 0; i < 3000; ++i) s += "🍣";  // surrogate pairs, 12000 bytes
  return s;
}();

// Under the DBMS name KelvaxFake a result comes in blocks of rows only without text, decimal or
// binary columns. "PostgreSQL" is the one DBMS whose SQL_GD_BLOCK Kelvax trusts: there a block
// may hold long values, read whole with SQLSetPos and SQLGetData.
const Case kCases[] = {
    {"RowErrorInABlockFailsThatRowsValuesOnly",
     "getdata any_column any_order\ncol id BIGINT\ncol x DOUBLE\n"
     "row 1|1.5\nrow 2|2.5\nrow 3|3.5\nrowerror 42000 Row 3 could not be converted\n"
     "row 4|4.5\nrow 5|\\N\n",
     {"1|1.5", "2|2.5", "!Row 3 could not be converted|!Row 3 could not be converted", "4|4.5",
      "5|NULL"},
     ""},
    {"RowErrorWhereValuesReadOneByOneFailsOnlyTheUnreadable",
     "dbms PostgreSQL\ngetdata block bound any_column any_order\ncol id BIGINT\ncol name WVARCHAR "
     "20\n"
     "row 1|one\nrow 2|two\nrowerror 42000 Row 2 is damaged\n"
     "getdatafail 1 22003 Numeric value out of range\nrow 3|three\n",
     {"1|one", "!Numeric value out of range|two", "3|three"},
     ""},
    {"RowErrorValueFailingWithoutARecordGetsTheRowsDiagnostic",
     "dbms PostgreSQL\ngetdata block bound any_column any_order\ncol id BIGINT\ncol name WVARCHAR "
     "20\n"
     "row 1|one\nrowerror 42000 Row 1 is damaged\ngetdatafail 2 -\nrow 2|two\n",
     {"1|!Row 1 is damaged", "2|two"},
     ""},
    {"RowErrorWithAWarningIsNotTakenAsTheReason",
     "getdata any_column any_order\ncol id BIGINT\n"
     "row 1\nrow 2\nrowerror 01S07 Fractional truncation\nrow 3\n",
     {"1", "!failed without saying why", "3"},
     ""},
    {"RowErrorInAOneRowFetchReturningSqlError",
     "rowarray 1\ngetdata any_column any_order\ncol id BIGINT\ncol x DOUBLE\n"
     "row 1|1\nrow 2|2\nrowerror HY000 Row 2 failed\nrow 3|3\n",
     {"1|1", "!Row 2 failed|!Row 2 failed", "3|3"},
     ""},
    {"FailingSetPosFailsTheLongValueAndGoesOnOneRowPerFetch",
     // A block of 3: row 4's long value comes whole only from a fetch of one row.
     "dbms PostgreSQL\ngetdata block bound any_column any_order\nrowarray 3\n"
     "col id BIGINT\ncol s WVARCHAR 4\n"
     "row 1|a\nrow 2|a long value\nsetposfail HY000 Cannot position on row 2\nrow 3|b\n"
     "row 4|" +
         kLongSushi + "\nrow 5|c\n",
     {"1|a", "2|!Cannot position on row 2", "3|b", "4|" + kLongSushi, "5|c"},
     ""},
    {"FailingSetPosCostsNoLongValueOfAnotherRow",
     "dbms PostgreSQL\ngetdata block bound any_column any_order\ncol id BIGINT\ncol s WVARCHAR 4\n"
     "row 1|a\nrow 2|a long value\nsetposfail HY000 Cannot position on row 2\n"
     "row 3|also long\nrow 4|d\n",
     {"1|a", "2|!Cannot position on row 2", "3|also long", "4|d"},
     ""},
    {"LongValueReadAgainDifferentlyFailsAlone",
     "dbms PostgreSQL\ngetdata block bound any_column any_order\nnototal\n"
     "col id BIGINT\ncol s WVARCHAR 4\ncol d DECIMAL 6\ncol b VARBINARY 4\n"
     "row 1|a|1.50|00FF10\n"
     "row 2|long value|2|01\nreread 2 Long value\n"
     "row 3|long again|-3.25|\\N\nreread 2 \\N\n"
     "row 4|" +
         kLongEmoji +
         "|4.000|0A0B0C0D\n"
         "row 5|e|\\N|\n",
     {"1|a|1.5|00FF10", "2|!different value|2|01", "3|!different value|-3.25|NULL",
      "4|" + kLongEmoji + "|4|0A0B0C0D", "5|e|NULL|"},
     ""},
    {"FailingGetDataFailsThatValueAlone",
     "getdata any_column any_order\ncol id BIGINT\ncol s VARCHAR 10\n"
     "row 1|one\nrow 2|two\ngetdatafail 2 22018 Invalid character value for cast\nrow 3|three\n",
     {"1|one", "2|!Invalid character value for cast", "3|three"},
     ""},
    {"FetchFailingAfterThreeRowsOfItsBlockGivesThemThenTheFailure",
     "getdata any_column any_order\ncol id BIGINT\n"
     "row 1\nrow 2\nrow 3\nfetchfail 08S01 Communication link failure\nrow 4\n",
     {"1", "2", "3"},
     "Communication link failure"},
    {"FetchFailingBeforeAnyRowOfItsBlockEndsTheResult",
     "rowarray 2\ngetdata any_column any_order\ncol id BIGINT\n"
     "row 1\nrow 2\nfetchfail 08S01 Communication link failure\nrow 3\n",
     {"1", "2"},
     "Communication link failure"},
    {"FirstFetchFailingIsReportedOnce",
     "col id BIGINT\nfetchfail HY008 Operation canceled\nrow 1\n",
     {},
     "Operation canceled"},
};

class OdbcFakeDriverTest : public ::testing::TestWithParam<Case> {};

TEST_P(OdbcFakeDriverTest, EachValueComesOutOrFailsOnItsOwn) {
  const Case& c = GetParam();
  const Read read = ReadScript(c.script);
  std::string got;
  for (const auto& row : read.rows) got += Joined(row) + "\n";
  for (const auto& end : read.ends) got += "end: " + end + "\n";
  SCOPED_TRACE(got);

  ASSERT_EQ(read.rows.size(), c.rows.size());
  for (std::size_t r = 0; r < c.rows.size(); ++r) {
    Cells expected;
    for (std::string text = c.rows[r];;) {
      const auto bar = text.find('|');
      expected.push_back(text.substr(0, bar));
      if (bar == std::string::npos) break;
      text.erase(0, bar + 1);
    }
    ASSERT_EQ(read.rows[r].size(), expected.size()) << "row " << r + 1;
    for (std::size_t i = 0; i < expected.size(); ++i) {
      const std::string& want = expected[i];
      const std::string& have = read.rows[r][i];
      if (want.rfind("!", 0) == 0) {
        EXPECT_TRUE(have.rfind("![", 0) == 0 && have.find(want.substr(1)) != std::string::npos)
            << "row " << r + 1 << " column " << i + 1 << ": " << have;
      } else {
        EXPECT_EQ(have, want) << "row " << r + 1 << " column " << i + 1;
      }
    }
  }
  if (*c.end) {
    ASSERT_EQ(read.ends.size(), 1u);
    EXPECT_NE(read.ends[0].find(c.end), std::string::npos) << read.ends[0];
  } else {
    EXPECT_TRUE(read.ends.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Scripts, OdbcFakeDriverTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           return info.param.name;
                         });

}  // namespace
}  // namespace kelvax::odbc
