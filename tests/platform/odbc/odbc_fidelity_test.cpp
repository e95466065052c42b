// Values through a ResultSet on every engine where a case file cannot show them: values longer
// than any buffer, and the rows before a failure. Each stored type's text is a case file
// (tests/cases/values/stored_values).
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

class OdbcFidelityTest : public test::DriverTest {};

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
