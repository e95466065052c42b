// ResultSet over the SQLite ODBC driver: text forms, long values, blocks, end of rows.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/odbc/odbc.h"
#include "tests/support/sandbox.h"

namespace kelvax::odbc {
namespace {

using test::OdbcSandbox;

struct Rows {
  std::vector<std::string> names;
  std::vector<int> types;
  std::vector<std::vector<std::optional<std::string>>> values;  // nullopt: NULL
};

// Every row of `sql`, through the row loop a writer uses.
Rows ReadAll(const std::string& db, const std::string& sql) {
  Rows rows;
  Environment env;
  EXPECT_TRUE(env.Open().ok());
  Connection connection;
  Status s = connection.Open(env, OdbcSandbox::SqliteConnect(db), false);
  EXPECT_TRUE(s.ok()) << s.description();
  ResultSet result;
  s = result.Execute(connection, sql);
  EXPECT_TRUE(s.ok()) << s.description();
  for (int i = 0; i < result.ColumnCount(); ++i) {
    rows.names.push_back(result.ColumnName(i));
    rows.types.push_back(result.ColumnType(i));
  }
  for (;;) {
    bool at_end = true;
    s = result.AtEnd(at_end);
    EXPECT_TRUE(s.ok()) << s.description();
    if (at_end) break;
    auto& row = rows.values.emplace_back();
    for (int i = 0; i < result.ColumnCount(); ++i) {
      std::string_view text;
      bool is_null = false;
      s = result.Value(i, text, is_null);
      EXPECT_TRUE(s.ok()) << s.description();
      if (is_null) {
        EXPECT_TRUE(text.empty());
        row.emplace_back(std::nullopt);
      } else {
        row.emplace_back(std::string(text));
      }
    }
    s = result.NextRow();
    EXPECT_TRUE(s.ok()) << s.description();
  }
  return rows;
}

std::string MakeDb(const std::string& name, const std::string& sql) {
  return OdbcSandbox::Get().CreateSqliteDb(name, sql);
}

TEST(OdbcResultSetTest, DeclaredTypesGiveTheirTextForms) {
  std::string db = MakeDb(
      "types.db",
      "CREATE TABLE t (s TEXT, i INTEGER, r REAL, n NUMERIC, d DATE, ts TIMESTAMP, tm TIME,"
      " b BLOB, f BIT, big BIGINT, small SMALLINT);"
      "INSERT INTO t VALUES ('abc', 42, 1.0/7, 1.50, '2001-10-28', '2001-10-28 09:05:03',"
      " '09:05:03', x'00FF10', 1, 9223372036854775807, -3);"
      "INSERT INTO t VALUES ('', -7, 2.5, 2.000, '1999-01-02', '2001-10-28 00:00:00',"
      " '23:59:59', x'', 0, -9223372036854775808, 0);"
      "INSERT INTO t VALUES ('x', 0, 1e20, -0.5, '2001-10-28', '2001-10-28 00:00:00.500',"
      " '00:00:00', x'AB', 1, 0, 1);"
      "INSERT INTO t VALUES ('y', 1, 123456789.125, 100, '2001-10-28', '2001-10-28 23:59:59.999',"
      " '12:00:00', x'01', 0, 1, 2);");
  Rows rows = ReadAll(db, "SELECT * FROM t");
  // What the SQLite driver reports for the declared types.
  EXPECT_EQ(rows.types, (std::vector<int>{-1, 4, 8, 8, 91, 93, 92, -2, -7, -5, 5}));
  using V = std::vector<std::optional<std::string>>;
  ASSERT_EQ(rows.values.size(), 4u);
  EXPECT_EQ(rows.values[0],
            (V{"abc", "42", "0.142857142857143", "1.5", "2001/10/28", "2001/10/28 9:05:03",
               "9:05:03", "00FF10", "True", "9223372036854775807", "-3"}));
  EXPECT_EQ(rows.values[1], (V{"", "-7", "2.5", "2", "1999/01/02", "2001/10/28", "23:59:59", "",
                               "False", "-9223372036854775808", "0"}));
  // A fraction of a second is dropped, and midnight with a fraction still shows its time.
  EXPECT_EQ(rows.values[2], (V{"x", "0", "1E+20", "-0.5", "2001/10/28", "2001/10/28 0:00:00",
                               "0:00:00", "AB", "True", "0", "1"}));
  EXPECT_EQ(rows.values[3], (V{"y", "1", "123456789.125", "100", "2001/10/28",
                               "2001/10/28 23:59:59", "12:00:00", "01", "False", "1", "2"}));
}

TEST(OdbcResultSetTest, ExpressionsComeAsTheDriversText) {
  // Streaming, the SQLite driver types expression columns as VARCHAR and hands over SQLite's own
  // text of the value (a real 3 is "3.0").
  std::string db = MakeDb("expr.db", "CREATE TABLE t (a INTEGER); INSERT INTO t VALUES (5);");
  Rows rows =
      ReadAll(db, "SELECT a + 1, a * 1.5, 'x' || a, NULL, COUNT(*), date('2001-10-28') FROM t");
  using V = std::vector<std::optional<std::string>>;
  ASSERT_EQ(rows.values.size(), 1u);
  EXPECT_EQ(rows.values[0], (V{"6", "7.5", "x5", std::nullopt, "1", "2001-10-28"}));
}

TEST(OdbcResultSetTest, JapaneseTextAndColumnNamesArriveIntact) {
  std::string db = MakeDb("japanese.db",
                          "CREATE TABLE 顧客 (氏名 TEXT, 備考 VARCHAR(20));"
                          "INSERT INTO 顧客 VALUES ('山田太郎', 'ｶﾀｶﾅ～－①𠮷');"
                          "INSERT INTO 顧客 VALUES ('鈴木', '表示');");
  Rows rows = ReadAll(db, "SELECT 氏名 AS 名前, 備考 FROM 顧客 WHERE 氏名 = '山田太郎'");
  EXPECT_EQ(rows.names, (std::vector<std::string>{"名前", "備考"}));
  ASSERT_EQ(rows.values.size(), 1u);
  EXPECT_EQ(rows.values[0][0], "山田太郎");
  EXPECT_EQ(rows.values[0][1], "ｶﾀｶﾅ～－①𠮷");
}

TEST(OdbcResultSetTest, NullsOfEveryTypeAreNull) {
  std::string db = MakeDb(
      "nulls.db",
      "CREATE TABLE t (s TEXT, i INTEGER, r REAL, d DATE, ts TIMESTAMP, tm TIME, b BLOB, f BIT,"
      " v VARCHAR(5));"
      "INSERT INTO t VALUES (NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);"
      "INSERT INTO t VALUES ('a', 1, NULL, NULL, NULL, NULL, NULL, NULL, 'b');");
  Rows rows = ReadAll(db, "SELECT * FROM t");
  ASSERT_EQ(rows.values.size(), 2u);
  for (const auto& v : rows.values[0]) EXPECT_FALSE(v.has_value());
  EXPECT_EQ(rows.values[1][0], "a");
  EXPECT_FALSE(rows.values[1][2].has_value());
  EXPECT_EQ(rows.values[1][8], "b");
}

TEST(OdbcResultSetTest, LongValuesComeOutWhole) {
  std::string big;
  while (big.size() < 1000000) big += "abcdefghij日本語テキスト";
  // Lengths around the bound buffer, and a VARCHAR(10) that SQLite lets hold far more.
  std::string sql = "CREATE TABLE t (id INTEGER, s TEXT, v VARCHAR(10), b BLOB);";
  for (int n : {1023, 1024, 1025, 5000}) {
    sql += "INSERT INTO t VALUES (" + std::to_string(n) + ", '" + std::string(n, 'x') + "', '" +
           std::string(n / 10, 'y') + "', zeroblob(" + std::to_string(n) + "));";
  }
  sql += "INSERT INTO t VALUES (1, '" + big + "', '" + big + "', randomblob(1000000));";
  std::string db = MakeDb("long.db", sql);
  Rows rows = ReadAll(db, "SELECT id, s, v, b FROM t ORDER BY rowid");
  ASSERT_EQ(rows.values.size(), 5u);
  for (int i = 0; i < 4; ++i) {
    int n = std::stoi(*rows.values[i][0]);
    EXPECT_EQ(rows.values[i][1], std::string(n, 'x')) << n;
    EXPECT_EQ(rows.values[i][2], std::string(n / 10, 'y')) << n;
    EXPECT_EQ(rows.values[i][3], std::string(2 * n, '0')) << n;
  }
  EXPECT_TRUE(rows.values[4][1] == big) << "1 MB text: " << rows.values[4][1]->size() << " bytes";
  EXPECT_TRUE(rows.values[4][2] == big);
  std::string hex = test::SqliteQuery(db, "SELECT hex(b) FROM t WHERE id = 1");
  EXPECT_EQ(hex.size(), 2000000u);
  EXPECT_TRUE(rows.values[4][3] == hex);
}

TEST(OdbcResultSetTest, ManyRowsSpanSeveralBlocks) {
  std::string db =
      MakeDb("many.db",
             "CREATE TABLE t (id INTEGER, r REAL, ts TIMESTAMP, s TEXT);"
             "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5000)"
             " INSERT INTO t SELECT i, i / 4.0, datetime(978307200 + i, 'unixepoch'), 'row ' || i "
             "FROM n;");
  // Fixed-size columns only: fetched in blocks of many rows. With text: one row per fetch on
  // this driver. Both must give every row once, in order.
  for (const char* sql :
       {"SELECT id, r, ts FROM t ORDER BY id", "SELECT id, s FROM t ORDER BY id"}) {
    Rows rows = ReadAll(db, sql);
    ASSERT_EQ(rows.values.size(), 5000u) << sql;
    for (std::size_t i = 0; i < rows.values.size(); ++i) {
      ASSERT_EQ(rows.values[i][0], std::to_string(i + 1)) << sql;
    }
    EXPECT_EQ(rows.values[4999][1], rows.names.size() == 3 ? "1250" : "row 5000") << sql;
  }
  Rows rows = ReadAll(db, "SELECT ts FROM t WHERE id IN (1, 5000) ORDER BY id");
  ASSERT_EQ(rows.values.size(), 2u);
  EXPECT_EQ(rows.values[0][0], "2001/01/01 0:00:01");
  EXPECT_EQ(rows.values[1][0], "2001/01/01 1:23:20");
}

class OdbcResultSetLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db_ = MakeDb("loop.db",
                 "CREATE TABLE t (x INTEGER);"
                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000)"
                 " INSERT INTO t SELECT i FROM n;");
    ASSERT_TRUE(env_.Open().ok());
    Status s = connection_.Open(env_, OdbcSandbox::SqliteConnect(db_), false);
    ASSERT_TRUE(s.ok()) << s.description();
  }
  std::string db_;
  Environment env_;
  Connection connection_;
};

TEST_F(OdbcResultSetLoopTest, StatementWithoutResultHasNoColumnsAndIsAtEnd) {
  ResultSet result;
  Status s = result.Execute(connection_, "CREATE TABLE made (a TEXT)");
  ASSERT_TRUE(s.ok()) << s.description();
  EXPECT_EQ(result.ColumnCount(), 0);
  bool at_end = false;
  EXPECT_TRUE(result.AtEnd(at_end).ok());
  EXPECT_TRUE(at_end);
  EXPECT_EQ(test::SqliteQuery(db_, "SELECT COUNT(*) FROM sqlite_master WHERE name = 'made'"), "1");
}

TEST_F(OdbcResultSetLoopTest, SyntaxErrorFailsExecuteWithTheDriversDiagnostic) {
  ResultSet result;
  Status s = result.Execute(connection_, "SELEC x FROM t");
  EXPECT_FALSE(s.ok());
  EXPECT_NE(s.number(), 0);
  EXPECT_EQ(s.description().rfind("[HY000] ", 0), 0u) << s.description();
  EXPECT_NE(s.description().find("syntax error"), std::string::npos) << s.description();
  EXPECT_EQ(result.ColumnCount(), 0);
  bool at_end = false;
  EXPECT_TRUE(result.AtEnd(at_end).ok());
  EXPECT_TRUE(at_end);
}

TEST_F(OdbcResultSetLoopTest, FetchFailureInTheMiddleIsReportedOnceThenTheResultEnds) {
  // abs() of the smallest integer fails while the 2500th row is stepped.
  ResultSet result;
  Status s = result.Execute(
      connection_,
      "SELECT CASE WHEN x >= 2500 THEN abs(-9223372036854775807 - 1) ELSE x END FROM t");
  ASSERT_TRUE(s.ok()) << s.description();
  int rows = 0, failures = 0;
  for (int guard = 0; guard < 10000; ++guard) {
    bool at_end = true;
    if (!result.AtEnd(at_end).ok()) ++failures;
    if (at_end) break;
    ++rows;
    Status next = result.NextRow();
    if (!next.ok()) {
      ++failures;
      EXPECT_NE(next.description().find("integer overflow"), std::string::npos)
          << next.description();
    }
  }
  EXPECT_EQ(rows, 2499);
  EXPECT_EQ(failures, 1);
  EXPECT_FALSE(result.NextRow().ok());  // no current row
}

TEST_F(OdbcResultSetLoopTest, FailingFirstFetchIsReportedByAtEnd) {
  ResultSet result;
  Status s = result.Execute(connection_, "SELECT abs(-9223372036854775807 - 1) FROM t");
  ASSERT_TRUE(s.ok()) << s.description();
  bool at_end = false;
  Status first = result.AtEnd(at_end);
  EXPECT_FALSE(first.ok());
  EXPECT_EQ(first.description().rfind("[", 0), 0u) << first.description();
  EXPECT_TRUE(at_end);
  EXPECT_TRUE(result.AtEnd(at_end).ok());  // once only
  EXPECT_TRUE(at_end);
}

TEST_F(OdbcResultSetLoopTest, ValueOutsideTheResultFails) {
  ResultSet result;
  ASSERT_TRUE(result.Execute(connection_, "SELECT x FROM t WHERE x = 1").ok());
  std::string_view text;
  bool is_null = false;
  EXPECT_FALSE(result.Value(1, text, is_null).ok());
  EXPECT_FALSE(result.Value(-1, text, is_null).ok());
  ASSERT_TRUE(result.Value(0, text, is_null).ok());
  EXPECT_EQ(text, "1");
  EXPECT_TRUE(result.Value(0, text, is_null).ok());  // twice in a row: the same value
  EXPECT_EQ(text, "1");
  EXPECT_TRUE(result.NextRow().ok());
  bool at_end = false;
  EXPECT_TRUE(result.AtEnd(at_end).ok());
  EXPECT_TRUE(at_end);
  EXPECT_FALSE(result.Value(0, text, is_null).ok());
  EXPECT_EQ(result.ColumnName(5), "");
}

TEST_F(OdbcResultSetLoopTest, ClosingTheConnectionFirstReleasesTheResult) {
  // The writer closes the connection and releases the environment before the result.
  ResultSet result;
  ASSERT_TRUE(result.Execute(connection_, "SELECT x FROM t").ok());
  EXPECT_TRUE(connection_.Close().ok());
  bool at_end = false;
  EXPECT_TRUE(result.AtEnd(at_end).ok());
  EXPECT_TRUE(at_end);
  env_.Release();
  result.Close();

  Environment env;
  ASSERT_TRUE(env.Open().ok());
  Connection connection;
  ASSERT_TRUE(connection.Open(env, OdbcSandbox::SqliteConnect(db_), false).ok());
  ResultSet open;
  ASSERT_TRUE(open.Execute(connection, "SELECT x FROM t").ok());
  env.Release();  // closes the connection, which closes the result
  EXPECT_FALSE(connection.is_open());
  EXPECT_TRUE(open.AtEnd(at_end).ok());
  EXPECT_TRUE(at_end);
}

}  // namespace
}  // namespace kelvax::odbc
