// ExportResult from a SQLite source into each engine through its real driver: values built to
// break out of their literal arrive byte for byte whatever the target's escaping mode, NULLs in
// typed columns stay NULL, the seven-line record of a rejected row, and grouped commits that keep
// every good row (PostgreSQL aborts the whole transaction on an error, so its group is replayed).
#include "export/export_result.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/value_text.h"
#include "export/insert_statement.h"
#include "platform/odbc/odbc.h"
#include "platform/text/trim.h"
#include "tests/support/drivers.h"

namespace kelvax {
namespace {

using namespace std::string_literals;
using test::Engine;
using test::OdbcSandbox;

std::string Hex(std::string_view bytes) {
  std::string out;
  AppendHex(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), out);
  return out;
}

class ExportResultTest : public test::DriverWorkerTest {
 protected:
  ExportResultTest() : DriverWorkerTest(ExportResult) {}

  void SetUp() override {
    DriverWorkerTest::SetUp();
    if (IsSkipped()) return;
    source_ = OdbcSandbox::Get().CreateSqliteDb(
        "export_src.db",
        "CREATE TABLE S (ID INTEGER, NAME TEXT, PRICE NUMERIC(10,2), SMALL SMALLINT);"
        "INSERT INTO S VALUES (1, ' ab ', 3.5, 7), (2, 'O''Brien', 12.50, NULL),"
        " (3, 'x''); DROP TABLE t; --', NULL, 1), (4, '東京～大阪 ﾊﾝｶｸ ①髙', 0.25, -2), (5, NULL, "
        "1, 5);");
    driver_->Exec(
        "CREATE TABLE t (id INTEGER PRIMARY KEY, name VARCHAR(40), price VARCHAR(20), small "
        "SMALLINT);");
    task_.DSN01 = OdbcSandbox::SqliteConnect(source_);
    task_.DSN02 = driver_->connect;
    task_.SQL01 = "SELECT ID, NAME, PRICE, SMALL FROM S ORDER BY ID";
    task_.SQL02 = "INSERT INTO t";
  }
  // A SQLite source table S (ID, V) holding `values` byte for byte, ids from 1.
  void SetSource(const std::vector<std::string>& values) {
    std::string sql = "BEGIN; CREATE TABLE S (ID INTEGER, V TEXT);";
    for (size_t i = 0; i < values.size(); ++i) {
      sql += "INSERT INTO S VALUES (" + std::to_string(i + 1) + ", CAST(X'" + Hex(values[i]) +
             "' AS TEXT));";
    }
    sql += "COMMIT;";
    task_.DSN01 =
        OdbcSandbox::SqliteConnect(OdbcSandbox::Get().CreateSqliteDb("export_src.db", sql));
    task_.SQL01 = "SELECT ID, V FROM S ORDER BY ID";
  }

  std::string source_;
};

// The ways each engine may read a literal, set through the connect string, and the form the
// connection must find for them.
struct TargetMode {
  Engine engine;
  const char* connect_suffix;
  SqlLiteral form;
};
const TargetMode kModes[] = {
    {Engine::kSqlite, "", SqlLiteral::kStandard},
    {Engine::kPostgres, "", SqlLiteral::kStandard},
    {Engine::kPostgres, ";ConnSettings={SET standard_conforming_strings=off}",
     SqlLiteral::kEscapeString},
    {Engine::kMariaDb, "", SqlLiteral::kBackslash},
    {Engine::kMariaDb, ";OPTION=67108864", SqlLiteral::kBackslash},  // several statements per call
    {Engine::kMariaDb, ";OPTION=67108864;InitStmt={SET sql_mode='NO_BACKSLASH_ESCAPES'}",
     SqlLiteral::kStandard},
};

TEST_P(ExportResultTest, HostileValuesArriveByteForByteInEveryEscapingMode) {
  const std::vector<std::string> values = {
      "x\\'), (100, (SELECT CONCAT(user,0x3a,host) FROM mysql.user LIMIT 1))#",
      "\\\\'",
      "C:\\new\\table\\x.txt",
      "x\\'); DROP TABLE u; -- ",
      "a\\",  // ends the literal early, so that the next row's statement runs as written
      "); DROP TABLE c; #",
      "x'); DROP TABLE u; --",
      "-- ; # /* */ ?",
      "E'\\'' $$ {fn user()} \\0 \\Z %_",
      "寿司🍣です ～①髙 ﾊﾝｶｸ",
      "  ab  ",
  };
  SetSource(values);
  std::string expected;
  for (size_t i = 0; i < values.size(); ++i) {
    expected += (i ? "\n" : "") + std::to_string(i + 1) + "|" + Hex(TrimChars(values[i], " "));
  }
  task_.SQL02 = "INSERT INTO kx_t";
  for (const TargetMode& mode : kModes) {
    if (mode.engine != driver_->engine) continue;
    SCOPED_TRACE(mode.connect_suffix);
    driver_->Exec(
        "DROP TABLE IF EXISTS kx_t; DROP TABLE IF EXISTS u; DROP TABLE IF EXISTS c;"
        "CREATE TABLE kx_t (id INTEGER PRIMARY KEY, v VARCHAR(200));"
        "CREATE TABLE u (a INTEGER); CREATE TABLE c (a INTEGER);"
        "INSERT INTO u VALUES (1); INSERT INTO c VALUES (2);");
    task_.DSN02 = driver_->connect + mode.connect_suffix;
    odbc::Environment env;
    odbc::Connection probe;
    ASSERT_TRUE(env.Open() && probe.Open(env, task_.DSN02, false));
    EXPECT_TRUE(probe.profile().literals == mode.form && probe.profile().literals_known);
    ASSERT_TRUE(probe.Close().ok());
    Run();
    EXPECT_EQ(Records(), std::vector<std::string>{});
    const char* hex = driver_->engine == Engine::kPostgres
                          ? "upper(encode(convert_to(v, 'UTF8'), 'hex'))"
                          : "hex(v)";
    EXPECT_EQ(driver_->QueryRows("SELECT id, "s + hex + " FROM kx_t ORDER BY id"), expected);
    EXPECT_EQ(driver_->QueryRows("SELECT (SELECT a FROM u), (SELECT a FROM c)"), "1|2");
  }
}

TEST_P(ExportResultTest, NullsInTypedColumnsArriveAsNullAndInTextColumnsAsEmptyText) {
  task_.DSN01 = OdbcSandbox::SqliteConnect(OdbcSandbox::Get().CreateSqliteDb(
      "export_src.db",
      "CREATE TABLE N (ID INTEGER, T VARCHAR(9), NUM NUMERIC(10,2), R REAL, D DATE, TM TIME,"
      " TS TIMESTAMP, B BOOLEAN, SM SMALLINT); INSERT INTO N (ID) VALUES (1);"));
  task_.SQL01 = "SELECT * FROM N";
  task_.DSN02 = driver_->connect;
  task_.SQL02 = "INSERT INTO kx_n";
  driver_->Exec(
      "CREATE TABLE kx_n (id INTEGER, t VARCHAR(9), num NUMERIC(10,2), r REAL, d DATE,"
      " tm TIME, ts TIMESTAMP, b BOOLEAN, sm SMALLINT)");
  Run();
  EXPECT_EQ(Records(), std::vector<std::string>{});
  EXPECT_EQ(driver_->QueryRows("SELECT * FROM kx_n"), "1||NULL|NULL|NULL|NULL|NULL|NULL|NULL");
  ASSERT_EQ(host_.progress.size(), 1u);
  EXPECT_EQ(host_.progress[0].total, 0);  // no counting statement
}

TEST_P(ExportResultTest, RejectedRowsAreRecordedOnceEachAndEveryOtherRowIsKept) {
  const char* duplicate = test::OnEngine(driver_->engine, "UNIQUE constraint failed",
                                         "duplicate key", "Duplicate entry");
  // MariaDB's root has no password and would refuse one.
  if (driver_->engine != Engine::kMariaDb) task_.DSN02 += ";PWD=SECRET";
  const std::string logged_target =
      driver_->connect + (driver_->engine != Engine::kMariaDb ? ";PWD=***" : "");
  test::SqliteExec(
      source_,
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5000)"
      " INSERT INTO S SELECT i + 10, 'row' || i, i / 4.0, i % 100 FROM n;");  // ids 11 .. 5010
  // Three groups. Three rejected rows in the first group of 2000, one in the second, and the last
  // row of all.
  driver_->Exec(
      "INSERT INTO t (id, name) VALUES (2, 'taken'), (1500, 'taken'), (1501, 'taken'),"
      " (2500, 'taken'), (5010, 'taken');");
  task_.COUNTER = "SELECT COUNT(*) FROM S";
  Run();
  auto records = Records();
  ASSERT_EQ(records.size(), 5u);
  for (const auto& r : records) {
    EXPECT_EQ(r.rfind("<TS> データの挿入に失敗しました。\r\n", 0), 0u) << r;
    EXPECT_NE(r.find(duplicate), std::string::npos) << r;
    EXPECT_NE(r.find("\r\n接続先は" + task_.DSN01 + "\r\n接続先は" + logged_target +
                     "\r\n発行したＳＱＬは" + task_.SQL01 +
                     "\r\n発行したＳＱＬはINSERT INTO t\r\nが不明です\r\n"),
              std::string::npos)
        << r;
    EXPECT_EQ(r.find("SECRET"), std::string::npos) << r;
  }
  EXPECT_EQ(driver_->QueryRows("SELECT COUNT(*) FROM t"), "5005");
  EXPECT_EQ(driver_->QueryRows("SELECT COUNT(*) FROM t WHERE name = 'taken'"), "5");
  EXPECT_EQ(driver_->QueryRows("SELECT id FROM t WHERE id BETWEEN 1498 AND 1503 OR id IN (2499, "
                               "2501, 5009) ORDER BY id"),
            "1498\n1499\n1500\n1501\n1502\n1503\n2499\n2501\n5009");
  EXPECT_EQ(host_.progress.size(), 5005u);
  EXPECT_EQ(host_.progress.back().total, 5005);
}

TEST_P(ExportResultTest, AnUnreachableTargetGivesOneRecordAndNoInsert) {
  std::string missing = driver_->connect;
  missing.replace(missing.find(driver_->database), driver_->database.size(),
                  driver_->engine == Engine::kSqlite ? "/no/such/folder/x.db" : "no_such_database");
  for (const std::string& target : {std::string("DSN=NO_SUCH_TARGET"), missing}) {
    SCOPED_TRACE(target);
    RunLog log(test::MakeTempDir("unreachable") + "/SQLLOG.txt");
    test::RecordingHost host;
    task_.DSN02 = target;
    TaskContext context{task_, log, host};
    (void)ExportResult(context);  // the log is what is checked
    auto records = test::ReadLogRecords(log.path());
    ASSERT_EQ(records.size(), 1u);
    EXPECT_NE(records[0].find("接続先は" + target + "\r\n"), std::string::npos) << records[0];
    EXPECT_TRUE(host.progress.empty());
  }
}

TEST_P(ExportResultTest, NoSourceRowsInsertsNothingAndLogsNothing) {
  task_.SQL01 = "SELECT ID, NAME FROM S WHERE ID > 100";
  Run();
  EXPECT_FALSE(test::PathExists(log_.path())) << test::ReadFileBytes(log_.path());
  EXPECT_EQ(driver_->QueryRows("SELECT COUNT(*) FROM t"), "0");
}

// Typed values copied from each engine into the same engine arrive as the same values, as the
// engine's own client shows them: doubles to the last digit, fractions of seconds, booleans,
// binary, and NULLs of types that only travel as text (json, interval) stay NULL.
// MariaDB's driver reports json, uuid, enum and set as character columns, so it gets a decimal
// there instead.
TEST_P(ExportResultTest, TypedValuesArriveAsTheSameValuesInTheirOwnEngine) {
  const Engine engine = driver_->engine;
  const std::string columns = test::OnEngine(
      engine, "ID INTEGER, J JSON, B BLOB, F BOOLEAN, D DATE, TS TIMESTAMP, R REAL, X TIME",
      "id integer, j json, b bytea, f boolean, d date, ts timestamp(6), r float8, x interval",
      "ID INTEGER, J DECIMAL(30,10), B VARBINARY(8), F BOOLEAN, D DATE, TS DATETIME(6), R DOUBLE, "
      "X TIME(6)");
  const std::string values = test::OnEngine(
      engine,
      "(1, '{\"a\":1}', X'00FF', 1, '2024-02-29', '2024-02-29 23:59:59.999999', 0.1, '23:59:59.5')",
      "(1, '{\"a\":1}', '\\x00ff', TRUE, '2024-02-29', '2024-02-29 23:59:59.999999', "
      "0.30000000000000004, '1 day 02:00:00.5')",
      "(1, 12345678901234567890.5, X'00FF', TRUE, '2024-02-29', '2024-02-29 23:59:59.999999', "
      "0.30000000000000004, '23:59:59.5')");
  driver_->Exec("CREATE TABLE SRC (" + columns + "); CREATE TABLE DST (" + columns +
                "); INSERT INTO SRC VALUES " + values +
                ", (2, NULL, NULL, NULL, NULL, NULL, NULL, NULL);");
  task_.DSN01 = driver_->connect;
  task_.SQL01 = "SELECT * FROM SRC ORDER BY ID";
  task_.SQL02 = "INSERT INTO DST";
  Run();
  EXPECT_EQ(Records(), std::vector<std::string>{});
  const std::string source = driver_->QueryRows("SELECT * FROM SRC ORDER BY ID");
  EXPECT_NE(source.find("2024-02-29 23:59:59.999999"), std::string::npos) << source;
  EXPECT_EQ(driver_->QueryRows("SELECT * FROM DST ORDER BY ID"), source);
}

// Text that is not UTF-8 (SQLite holds any bytes as TEXT) has no literal that keeps it: its row is
// refused with a record and the rows around it go in.
TEST_P(ExportResultTest, TextThatIsNotUtf8IsRefusedWithItsRecord) {
  SetSource({"a",
             std::string("b\xFF"
                         "c"),
             "d"});
  task_.SQL02 = "INSERT INTO t (id, name)";
  Run();
  auto records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_NE(records[0].find("値に不正な文字コードがあります。"), std::string::npos) << records[0];
  EXPECT_EQ(driver_->QueryRows("SELECT id, name FROM t ORDER BY id"), "1|a\n3|d");
}

KELVAX_PER_DRIVER(ExportResultTest);

TEST(InsertStatementTest, EachValueIsALiteralItsTargetReadsBackExactlyOrTheRowIsRefused) {
  using K = odbc::Value::Kind;
  using F = SqlLiteral;
  using D = odbc::Dbms;
  const InsertColumn text{false, true}, typed{false, false}, bare{true, false};
  const odbc::DateTime stamp{2024, 2, 29, 9, 5, 3, 500000000, true, 9 * 3600};
  struct Case {
    InsertColumn column;
    F form;
    D dbms;
    K kind;
    std::string bytes;
    const char* literal;  // nullptr: refused
    odbc::DateTime time = {};
    double number = 0;
  };
  const Case cases[] = {
      {text, F::kStandard, D::kSqlite, K::kText, " it's a\\ ", "'it''s a\\'"},
      {text, F::kBackslash, D::kMysql, K::kText, "it's a\\", "'it''s a\\\\'"},
      {text, F::kEscapeString, D::kPostgres, K::kText, "a\\'", "E'a\\\\'''"},
      {text, F::kNoBackslash, D::kOther, K::kText, "it's", "'it''s'"},
      {text, F::kNoBackslash, D::kOther, K::kText, "a\\", nullptr},
      {text, F::kBackslash, D::kMysql, K::kText, "a\0b"s, "'a\\0b'"},
      {text, F::kStandard, D::kSqlite, K::kText, "a\0b"s, nullptr},
      {text, F::kEscapeString, D::kPostgres, K::kText, "a\0b"s, nullptr},
      {text, F::kBackslash, D::kMysql, K::kText, "\xED\xA0\x80", nullptr},  // a lone surrogate
      {text, F::kStandard, D::kSqlite, K::kText, "ab\xC3", nullptr},        // a cut sequence
      {text, F::kStandard, D::kSqlite, K::kText, "a\xFF", nullptr},         // not UTF-8 at all
      {text, F::kStandard, D::kSqlite, K::kText, "🍣", "'🍣'"},
      {text, F::kStandard, D::kSqlite, K::kNull, "", "''"},
      {typed, F::kBackslash, D::kMysql, K::kNull, "", "NULL"},  // json, uuid, enum...
      {bare, F::kStandard, D::kSqlite, K::kNull, "", "NULL"},
      {typed, F::kStandard, D::kPostgres, K::kDecimal, "12.50", "'12.5'"},
      {bare, F::kStandard, D::kSqlite, K::kText, " -12 ", "-12"},
      {bare, F::kStandard, D::kSqlite, K::kText, "1.5", nullptr},
      {bare, F::kStandard, D::kSqlite, K::kText, "1; DROP TABLE T", nullptr},
      {bare, F::kStandard, D::kSqlite, K::kText, "", nullptr},
      {typed, F::kStandard, D::kPostgres, K::kFloat, "", "'0.30000000000000004'", {}, 0.1 + 0.2},
      {typed,
       F::kStandard,
       D::kPostgres,
       K::kFloat,
       "",
       "'1.7976931348623157E+308'",
       {},
       1.7976931348623157e308},
      {typed, F::kStandard, D::kSqlite, K::kBoolean, "", "TRUE"},
      {typed, F::kStandard, D::kOther, K::kBoolean, "", "'True'"},
      {typed, F::kStandard, D::kSqlite, K::kDate, "", "'0987-01-02'", {987, 1, 2}},
      {typed,
       F::kStandard,
       D::kSqlite,
       K::kTime,
       "",
       "'09:05:03.5'",
       {0, 0, 0, 9, 5, 3, 500000000}},
      {typed, F::kStandard, D::kPostgres, K::kTimestamp, "", "'2024-02-29 09:05:03.5+09:00'",
       stamp},
      {typed, F::kStandard, D::kMysql, K::kTimestamp, "", "'2024-02-29 09:05:03.5'", stamp},
      {typed, F::kStandard, D::kSqlite, K::kTimestamp, "", "'2024-02-29 00:00:00'", {2024, 2, 29}},
      {typed, F::kStandard, D::kSqlite, K::kBinary, "\x0A\xFF", "X'0AFF'"},
      {typed, F::kBackslash, D::kMysql, K::kBinary, "\x0A\xFF", "X'0AFF'"},
      {typed, F::kEscapeString, D::kPostgres, K::kBinary, "\x0A\xFF", "decode('0AFF', 'hex')"},
      {typed, F::kStandard, D::kOther, K::kBinary, "\x0A\xFF", "'0AFF'"},
  };
  for (const Case& c : cases) {
    odbc::Value value;
    value.kind = c.kind;
    value.bytes = c.bytes;
    value.boolean = true;
    value.time = c.time;
    value.number = c.number;
    std::string statement;
    BeginInsert(statement, "INSERT INTO T (A)");
    Status s = AppendInsertValue(statement, value, c.column, LiteralTarget{c.form, c.dbms});
    EndInsert(statement);
    EXPECT_EQ(s.ok() ? statement : "refused",
              c.literal ? "INSERT INTO T (A) VALUES ("s + c.literal + ")" : "refused")
        << Hex(c.bytes) << " " << statement;
  }
}

}  // namespace
}  // namespace kelvax
