// Values as the data source holds them, on every engine: what the engine's own client stored
// comes out of a ResultSet as exactly the expected UTF-8 text, or fails; never changed quietly.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/odbc/odbc.h"
#include "tests/support/drivers.h"

namespace kelvax::odbc {
namespace {

using namespace std::string_literals;
using test::Engine;
using Row = std::vector<std::optional<std::string>>;  // nullopt: NULL

struct Read {
  std::vector<std::string> names;
  std::vector<Row> rows;
  std::vector<std::string> failures;  // "row:column description" of values that failed
  Status end;                         // the fetch failure that ended the result, if any
  int end_failures = 0;
};

// Every row of `sql`, through the row loop a writer uses.
Read ReadAll(const test::Driver& driver, const std::string& sql) {
  Read read;
  Environment env;
  EXPECT_TRUE(env.Open().ok());
  Connection connection;
  Status s = connection.Open(env, driver.connect, false);
  EXPECT_TRUE(s.ok()) << s.description();
  ResultSet result;
  s = result.Execute(connection, sql);
  EXPECT_TRUE(s.ok()) << s.description();
  for (int i = 0; i < result.ColumnCount(); ++i) read.names.push_back(result.ColumnName(i));
  for (int guard = 0; guard < 100000; ++guard) {
    bool at_end = true;
    if (Status e = result.AtEnd(at_end); !e.ok()) read.end = e, ++read.end_failures;
    if (at_end) break;
    Row& row = read.rows.emplace_back();
    for (int i = 0; i < result.ColumnCount(); ++i) {
      std::optional<std::string> text;
      s = test::ReadText(result, i, text);
      if (!s.ok()) {
        read.failures.push_back(std::to_string(read.rows.size()) + ":" + std::to_string(i) + " " +
                                s.description());
      }
      row.push_back(text);
    }
    if (Status next = result.NextRow(); !next.ok()) read.end = next, ++read.end_failures;
  }
  return read;
}

// One stored value: the column type on each engine (nullptr: not a case there), the literal the
// engine's own client stores, and the text expected back (nullptr: NULL).
struct Case {
  const char *sqlite, *postgres, *mariadb, *literal, *expected;
};

const Case kCases[] = {
    // Text, any character; malformed bytes as sent (each writer deals with them).
    {"TEXT", "text", "text", "'髙橋 寿司🍣です ｶﾀｶﾅ～－①'", "髙橋 寿司🍣です ｶﾀｶﾅ～－①"},
    {"VARCHAR(2)", "varchar(2)", "varchar(2)", "'髙橋'", "髙橋"},
    {"VARCHAR(3)", "varchar(3)", "varchar(3)", "''", ""},
    {"TEXT", "text", "text", "NULL", nullptr},
    {"VARCHAR(3)", nullptr, nullptr, "'a日本語テキスト'", "a日本語テキスト"},  // past its size
    {"TEXT", nullptr, nullptr, "CAST(x'41FF42C3' AS TEXT)",
     "A\xFF"
     "B\xC3"},
    // Exact numbers never pass through a double.
    {"INTEGER", "integer", "int", "-42", "-42"},
    {"BIGINT", "bigint", "bigint", "9007199254740993", "9007199254740993"},
    {nullptr, nullptr, "bigint unsigned", "18446744073709551615", "18446744073709551615"},
    {"NUMERIC", "numeric", "decimal(19,0)", "1234567890123456789", "1234567890123456789"},
    {nullptr, "numeric(30,5)", "decimal(30,5)", "12345678901234567890.12345",
     "12345678901234567890.12345"},
    {"NUMERIC", "numeric(6,3)", "decimal(6,3)", "-1.500", "-1.5"},
    {"NUMERIC", "numeric(6,3)", "decimal(6,3)", "2.000", "2"},
    {nullptr, "numeric", nullptr, "'NaN'", "NaN"},
    // Floating values: the fewest digits that read back as the same double (SQLite's driver
    // itself gives 15).
    {nullptr, "float8", "double", "1e0/7", "0.14285714285714285"},
    {"REAL", nullptr, nullptr, "1e0/7", "0.142857142857143"},
    {nullptr, "float8", "double", "0.30000000000000004", "0.30000000000000004"},
    {nullptr, "float8", "double", "1.7976931348623157e308", "1.7976931348623157E+308"},
    {nullptr, "float8", "double", "9007199254740993", "9.007199254740992E+15"},
    {nullptr, "money", nullptr, "12345678901234.56", "12345678901234.56"},
    {nullptr, "money", nullptr, "-0.5", "-0.5"},
    {"FLOAT", "float8", "double", "-2.5", "-2.5"},
    // Dates and times in the general date form, anything else as stored.
    {"DATE", "date", "date", "'2001-10-28'", "2001/10/28"},
    {"TIMESTAMP", "timestamp", "datetime", "'2001-10-28 09:05:03'", "2001/10/28 9:05:03"},
    {"TIMESTAMP", "timestamp", "datetime", "'2024-02-29 00:00:00'", "2024/02/29"},
    {"TIME", "time", "time", "'09:05:03'", "9:05:03"},
    // Fractions of a second as stored.
    {"TIMESTAMP", "timestamp(6)", "datetime(6)", "'2024-02-29 23:59:59.999999'",
     "2024/02/29 23:59:59.999999"},
    {"TIME", "time(6)", "time(6)", "'23:59:59.5'", "23:59:59.5"},
    {nullptr, "timestamp", nullptr, "'0044-03-15 10:00 BC'", "0044-03-15 10:00:00 BC"},
    {nullptr, "timestamp", nullptr, "'-infinity'", "-infinity"},
    {nullptr, nullptr, "time", "'25:00:00'", "25:00:00"},
    {nullptr, nullptr, "time", "'-01:00:00'", "-01:00:00"},
    {nullptr, nullptr, "date", "'0000-00-00'", "0000-00-00"},
    {"BLOB", "bytea", "varbinary(8)", "x'00FF10'", "00FF10"},
    // SQLite's declared types are names only: a value that is not of its column's type is
    // written as stored.
    {"INTEGER", nullptr, nullptr, "1.5", "1.5"},
    {"INTEGER", nullptr, nullptr, "1e20", "1.0e+20"},
    {"INTEGER", nullptr, nullptr, "'twelve'", "twelve"},
    {"REAL", nullptr, nullptr, "'n/a'", "n/a"},
    {"DATE", nullptr, nullptr, "'not a date'", "not a date"},
    {"DATE", nullptr, nullptr, "'20011028'", "20011028"},
    {"DATE", nullptr, nullptr, "'2001-02-30'", "2001-02-30"},
    {"TIMESTAMP", nullptr, nullptr, "'2001-10-28T09:05:03Z'", "2001-10-28T09:05:03Z"},
    // psqlODBC sends a boolean as a character unless BoolsAsChar=0; MariaDB's is a TINYINT.
    {nullptr, "boolean", "boolean", "TRUE", "1"},
    {nullptr, "boolean", "boolean", "FALSE", "0"},
    {"BOOLEAN", nullptr, nullptr, "1", "True"},
    {"BOOLEAN", nullptr, nullptr, "0", "False"},
    {"BOOLEAN", nullptr, nullptr, "-1", "-1"},
    {"BOOLEAN", nullptr, nullptr, "0.5", "0.5"},
};

const char* TypeOn(const Case& c, Engine engine) {
  return test::OnEngine(engine, c.sqlite, c.postgres, c.mariadb);
}

std::string Literal(const Case& c, Engine engine) {
  const std::string literal = c.literal;  // bytea takes '\x..'
  return engine == Engine::kPostgres && literal.rfind("x'", 0) == 0 ? "'\\x" + literal.substr(2)
                                                                    : literal;
}

class OdbcFidelityTest : public test::DriverTest {};

TEST_P(OdbcFidelityTest, EveryStoredValueArrivesAsItsExactText) {
  const Engine engine = GetParam();
  std::string columns = "\"番号\" integer", values = "1", nulls = "2";
  std::vector<const Case*> used;
  for (const Case& c : kCases) {
    if (!TypeOn(c, engine)) continue;
    used.push_back(&c);
    const std::string name = "c" + std::to_string(used.size());
    columns += ", " + name + " " + TypeOn(c, engine);
    values += ", " + Literal(c, engine);
    nulls += ", NULL";
  }
  const bool maria = engine == Engine::kMariaDb;
  driver_->Exec((maria ? "SET SESSION sql_mode = 'ANSI_QUOTES'; " : "") + "CREATE TABLE t ("s +
                columns + ")" + (maria ? " CHARACTER SET utf8mb4" : "") +
                "; INSERT INTO t VALUES (" + values + "), (" + nulls + ");");
  Read read = ReadAll(*driver_, "SELECT * FROM t ORDER BY 1");
  EXPECT_TRUE(read.failures.empty()) << read.failures.front();
  EXPECT_TRUE(read.end.ok()) << read.end.description();
  ASSERT_EQ(read.rows.size(), 2u);
  EXPECT_EQ(read.names[0], "番号");
  for (std::size_t i = 0; i < used.size(); ++i) {
    const Case& c = *used[i];
    const auto expected = c.expected ? std::optional<std::string>(c.expected) : std::nullopt;
    EXPECT_EQ(read.rows[0][i + 1], expected) << TypeOn(c, engine) << " " << c.literal;
    EXPECT_EQ(read.rows[1][i + 1], std::nullopt) << TypeOn(c, engine) << " NULL";
  }
}

// Values longer than any bound buffer, in rows fetched together where the driver allows: each
// comes whole from its own row (one driver gave the next row's value, or nothing).
TEST_P(OdbcFidelityTest, LongValuesComeWholeFromTheirOwnRow) {
  const Engine engine = GetParam();
  const char* text = test::OnEngine(engine, "text", "text", "longtext");
  const char* bytes = test::OnEngine(engine, "blob", "bytea", "longblob");
  // Expressions of n characters c, and of n bytes.
  const char* text_of =
      engine == Engine::kSqlite ? "replace(hex(zeroblob(%N)), '00', '%C')" : "repeat('%C', %N)";
  const char* blob_of = test::OnEngine(engine, "zeroblob(%N)",
                                       "convert_to(repeat('x', %N), 'UTF8')", "repeat('x', %N)");
  auto make = [](std::string s, char c, int n) {
    if (const auto at = s.find("%C"); at != std::string::npos) s.replace(at, 2, 1, c);
    return s.replace(s.find("%N"), 2, std::to_string(n));
  };
  // Row by row: the text's character and length, the bytes' length; around the bound buffers
  // (1024 UTF-16 units, 2048 bytes) too.
  const std::tuple<char, int, int> rows[] = {
      {'a', 1100, 70000}, {'b', 600000, 5},  {'c', 0, 0},       {'d', 3000, 2000},
      {'e', 1024, 1024},  {'f', 1025, 1025}, {'g', 2048, 2048}, {'h', 2049, 2049}};
  const std::string byte = engine == Engine::kSqlite ? "00" : "78";
  std::string sql = std::string("CREATE TABLE t (id integer, s ") + text + ", b " + bytes + ");";
  std::vector<Row> expected;
  for (const auto& [c, n, b] : rows) {
    const std::string id = std::to_string(expected.size() + 1);
    sql += "INSERT INTO t VALUES (" + id + ", " +
           (n ? make(text_of, c, n) + ", " + make(blob_of, c, b) : "'short', NULL") + ");";
    std::string hex;
    for (int i = 0; i < b; ++i) hex += byte;
    expected.push_back(
        {id, n ? std::string(n, c) : "short", n ? std::optional(hex) : std::nullopt});
  }
  driver_->Exec(sql);
  Read read = ReadAll(*driver_, "SELECT id, s, b FROM t ORDER BY id");
  EXPECT_TRUE(read.failures.empty()) << read.failures.front();
  ASSERT_EQ(read.rows.size(), 8u);
  for (int i = 0; i < 8; ++i) {
    EXPECT_TRUE(read.rows[i] == expected[i])
        << "row " << i + 1 << ": " << read.rows[i][1].value_or("NULL").substr(0, 20) << ".. ("
        << read.rows[i][1].value_or("").size() << " chars), b "
        << read.rows[i][2].value_or("").size();
  }
}

// A statement that fails in the middle of its result: every row the driver delivered before the
// failure is handed out, in order, then the failure once.
TEST_P(OdbcFidelityTest, RowsBeforeAFailureInTheMiddleAreKept) {
  if (GetParam() == Engine::kMariaDb)
    GTEST_SKIP() << "the driver reads the whole result when the statement runs";
  // The PostgreSQL driver reads 100 rows at a time from the server and a failed read delivers none.
  const bool sqlite = GetParam() == Engine::kSqlite;
  const std::string sql =
      sqlite ? "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000) "
               "SELECT i, CASE WHEN i >= 500 THEN abs(-9223372036854775807 - 1) END FROM n"
             : "SELECT i, 1 / (500 - i) FROM generate_series(1, 1000) i";
  const std::size_t delivered = sqlite ? 499 : 400;
  Read read = ReadAll(*driver_, sql);
  EXPECT_EQ(read.end_failures, 1);
  EXPECT_EQ(read.end.description().rfind("[", 0), 0u) << read.end.description();
  ASSERT_EQ(read.rows.size(), delivered);
  for (std::size_t i = 0; i < delivered; ++i) ASSERT_EQ(read.rows[i][0], std::to_string(i + 1));
}

KELVAX_PER_DRIVER(OdbcFidelityTest);

}  // namespace
}  // namespace kelvax::odbc
