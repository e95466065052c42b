// ExportResult from SQLite into SQLite through the real driver: the statements' values, the
// seven-line record of a rejected row, and grouped commits that keep every good row.
#include <gtest/gtest.h>

#include "export/export_result.h"
#include "export/insert_statement.h"
#include "tests/support/worker_test.h"

namespace kelvax {
namespace {

using test::OdbcSandbox;

class ExportResultTest : public test::WorkerTest {
 protected:
  ExportResultTest() : WorkerTest(ExportResult) {}

  void SetUp() override {
    source_ = OdbcSandbox::Get().CreateSqliteDb(
        "export_src.db",
        "CREATE TABLE S (ID INTEGER, NAME TEXT, PRICE NUMERIC(10,2), SMALL SMALLINT);"
        "INSERT INTO S VALUES (1, ' ab ', 3.5, 7), (2, 'O''Brien', 12.50, NULL),"
        " (3, 'x''); DROP TABLE T; --', NULL, 1), (4, '東京～', 0.25, -2), (5, NULL, 1, 5);");
    target_ = OdbcSandbox::Get().CreateSqliteDb(
        "export_dst.db", "CREATE TABLE T (ID INTEGER PRIMARY KEY, NAME TEXT, PRICE TEXT, SMALL INTEGER);");
    task_.DSN01 = OdbcSandbox::SqliteConnect(source_);
    task_.DSN02 = OdbcSandbox::SqliteConnect(target_);
    task_.SQL01 = "SELECT ID, NAME, PRICE, SMALL FROM S ORDER BY ID";
    task_.SQL02 = "INSERT INTO T";
  }

  std::string source_, target_;
};

TEST_F(ExportResultTest, EveryRowArrivesWithTrimmedQuotedValuesAndApostrophesIntact) {
  Run();
  EXPECT_FALSE(test::PathExists(log_.path()));
  EXPECT_EQ(test::SqliteQuery(target_, "SELECT ID || '|' || NAME || '|' || PRICE || '|' || "
                                       "IFNULL(SMALL, 'null') FROM T ORDER BY ID"),
            "1|ab|3.5|7\n2|O'Brien|12.5|null\n3|x'); DROP TABLE T; --||1\n4|東京～|0.25|-2\n5||1|5");
  ASSERT_EQ(host_.progress.size(), 5u);
  EXPECT_EQ(host_.progress[4].rows, 5);
  EXPECT_EQ(host_.progress[4].total, 0);
}

TEST_F(ExportResultTest, ARejectedRowIsRecordedOnceAndTheOthersAreKept) {
  test::SqliteExec(target_, "INSERT INTO T VALUES (2, 'already', '', 0), (4, 'already', '', 0);");
  task_.DSN02 += ";PWD=SECRET";
  task_.COUNTER = "SELECT COUNT(*) FROM S";
  Run();
  auto records = Records();
  ASSERT_EQ(records.size(), 2u);
  for (const auto& r : records) {
    EXPECT_EQ(r.rfind("<TS> データの挿入に失敗しました。\r\n", 0), 0u) << r;
    EXPECT_NE(r.find("\r\n接続先は" + task_.DSN01 + "\r\n接続先は" +
                     OdbcSandbox::SqliteConnect(target_) + ";PWD=***\r\n発行したＳＱＬは" +
                     task_.SQL01 + "\r\n発行したＳＱＬはINSERT INTO T\r\nが不明です\r\n"),
              std::string::npos)
        << r;
  }
  EXPECT_EQ(test::SqliteQuery(target_, "SELECT ID || NAME FROM T ORDER BY ID"),
            "1ab\n2already\n3x'); DROP TABLE T; --\n4already\n5");
  EXPECT_EQ(host_.progress.back().total, 5);
}

TEST_F(ExportResultTest, ManyRowsAcrossGroupsWithFailuresInTheMiddle) {
  std::string fill = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5000) "
                     "INSERT INTO S SELECT i + 10, 'row' || i, i, i % 100 FROM n;";
  test::SqliteExec(source_, fill);
  test::SqliteExec(target_, "INSERT INTO T VALUES (2500, 'taken', '', 0), (4011, 'taken', '', 0);");
  Run();
  EXPECT_EQ(Records().size(), 2u);
  EXPECT_EQ(test::SqliteQuery(target_, "SELECT COUNT(*) FROM T"), "5005");
}

TEST_F(ExportResultTest, AnUnreachableTargetGivesOneRecordAndNoInsert) {
  task_.DSN02 = "DSN=NO_SUCH_TARGET";
  Run();
  auto records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_NE(records[0].find("接続先はDSN=NO_SUCH_TARGET\r\n"), std::string::npos);
  EXPECT_TRUE(host_.progress.empty());
}

TEST_F(ExportResultTest, NoSourceRowsInsertsNothingAndLogsNothing) {
  task_.SQL01 = "SELECT ID, NAME FROM S WHERE ID > 100";
  Run();
  EXPECT_FALSE(test::PathExists(log_.path()));
  EXPECT_EQ(test::SqliteQuery(target_, "SELECT COUNT(*) FROM T"), "0");
}

TEST(InsertStatementTest, BareColumnsTakeOnlyPlainIntegers) {
  std::string s;
  BeginInsert(s, "INSERT INTO T (A, B)");
  EXPECT_TRUE(AppendInsertValue(s, " 12 ", false, true));
  EXPECT_TRUE(AppendInsertValue(s, "", true, true));
  EXPECT_FALSE(AppendInsertValue(s, "", false, true));
  EXPECT_TRUE(AppendInsertValue(s, "it's", false, false));
  EXPECT_TRUE(AppendInsertValue(s, "", true, false));
  EXPECT_TRUE(AppendInsertValue(s, "-3", false, true));
  EXPECT_FALSE(AppendInsertValue(s, "1; DROP TABLE T", false, true));
  EXPECT_FALSE(AppendInsertValue(s, "1.5", false, true));
  EndInsert(s);
  EXPECT_EQ(s, "INSERT INTO T (A, B) VALUES (12, NULL, 'it''s', '', -3)");
}

}  // namespace
}  // namespace kelvax
