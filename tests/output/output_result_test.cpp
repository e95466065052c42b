// OutputResult against SQLite through the real driver: file bytes, the failure records of each
// step, and what each output kind leaves on disk.
#include <gtest/gtest.h>

#include <filesystem>

#include "output/output_result.h"
#include "tests/support/worker_test.h"

namespace kelvax {
namespace {

using test::OdbcSandbox;

class OutputResultTest : public test::WorkerTest {
 protected:
  OutputResultTest() : WorkerTest(OutputResult) {}

  void SetUp() override {
    dir_ = test::MakeTempDir("output");
    db_ = OdbcSandbox::Get().CreateSqliteDb(
        "out.db",
        "CREATE TABLE T (A INTEGER, B TEXT);"
        "INSERT INTO T VALUES (1, 'x'), (NULL, 'y');"
        "CREATE TABLE Q (ID INTEGER, V TEXT);"
        "INSERT INTO Q VALUES (1, 'a,b'), (2, 'say \"hi\"'), (3, 'tab\there'), (4, 'line\r\nbreak'),"
        " (5, '\"lead'), (6, '東京～大阪'), (7, '');");
    task_.DSN01 = OdbcSandbox::SqliteConnect(db_);
    task_.EXPORT = dir_ + "/OUT.TXT";
  }

  std::string Output() { return test::ReadFileBytes(task_.EXPORT); }

  std::string dir_, db_;
};

TEST_F(OutputResultTest, TabFileHasHeaderAndRowsWithNullAsEmptyField) {
  task_.SQL01 = "SELECT A, B FROM T ORDER BY B";
  task_.OUTPUT = "TAB";
  Run();
  EXPECT_EQ(Output(), "A\tB\r\n1\tx\r\n\ty\r\n");
  EXPECT_FALSE(test::PathExists(log_.path()));
  ASSERT_EQ(host_.progress.size(), 2u);
  EXPECT_EQ(host_.progress[1].rows, 2);
  EXPECT_EQ(host_.progress[1].total, 0);
}

TEST_F(OutputResultTest, CsvQuotesOnlyValuesThatWouldSplitAFieldAndEncodesCp932) {
  task_.SQL01 = "SELECT ID, V AS \"V,1\" FROM Q ORDER BY ID";
  task_.OUTPUT = "CSV";
  Run();
  EXPECT_EQ(Output(),
            "ID,\"V,1\"\r\n1,\"a,b\"\r\n2,\"say \"\"hi\"\"\"\r\n3,tab\there\r\n"
            "4,\"line\r\nbreak\"\r\n5,\"\"\"lead\"\r\n6,\x93\x8c\x8b\x9e\x81\x60\x91\xe5\x8d\xe3\r\n7,\r\n");
}

TEST_F(OutputResultTest, TabQuotesTabsLineBreaksAndALeadingQuote) {
  task_.SQL01 = "SELECT ID, V FROM Q WHERE ID BETWEEN 1 AND 5 ORDER BY ID";
  task_.OUTPUT = "TAB";
  Run();
  EXPECT_EQ(Output(), "ID\tV\r\n1\ta,b\r\n2\tsay \"hi\"\r\n3\t\"tab\there\"\r\n"
                      "4\t\"line\r\nbreak\"\r\n5\t\"\"\"lead\"\r\n");
}

TEST_F(OutputResultTest, NoRowsGivesTheHeaderOnlyAndCounterGivesTheTotal) {
  task_.SQL01 = "SELECT A, B FROM T WHERE A = 99";
  task_.OUTPUT = "CSV";
  Run();
  EXPECT_EQ(Output(), "A,B\r\n");

  task_.SQL01 = "SELECT A, B FROM T";
  task_.COUNTER = "SELECT COUNT(*) FROM T";
  Run();
  ASSERT_EQ(host_.progress.size(), 2u);
  EXPECT_EQ(host_.progress[0].total, 2);
}

TEST_F(OutputResultTest, OffExecutesAndTouchesNothingElse) {
  test::WriteFileBytes(task_.EXPORT, "old");
  task_.SQL01 = "INSERT INTO T VALUES (3, 'z')";
  task_.OUTPUT = "OFF";
  task_.SHOWDATA = "ON";
  task_.COUNTER = "SELECT COUNT(*) FROM NOWHERE";
  Run();
  EXPECT_EQ(Output(), "old");
  EXPECT_EQ(test::SqliteQuery(db_, "SELECT COUNT(*) FROM T"), "3");
  EXPECT_FALSE(test::PathExists(log_.path()));
  EXPECT_TRUE(host_.opened.empty());
}

TEST_F(OutputResultTest, AStatementWithoutColumnsLeavesTheOldFileAndDoesNotOpenIt) {
  test::WriteFileBytes(task_.EXPORT, "old");
  task_.SQL01 = "DELETE FROM T WHERE A = 1";
  task_.OUTPUT = "TAB";
  task_.SHOWDATA = "ON";
  Run();
  EXPECT_EQ(Output(), "old");
  EXPECT_TRUE(host_.opened.empty());
  EXPECT_FALSE(test::PathExists(log_.path()));
}

TEST_F(OutputResultTest, UnlistedKindsDeleteTheOldFileWriteNothingAndStillOpenThePath) {
  test::WriteFileBytes(task_.EXPORT, "old");
  task_.SQL01 = "SELECT A FROM T";
  task_.OUTPUT = "EXCEL";
  task_.SHOWDATA = "ON";
  Run();
  EXPECT_FALSE(test::PathExists(task_.EXPORT));
  EXPECT_EQ(host_.opened, (std::vector<std::string>{task_.EXPORT}));
  EXPECT_FALSE(test::PathExists(log_.path()));
}

TEST_F(OutputResultTest, ClipboardGetsTheTabTextAndTheOldFileIsDeleted) {
  test::WriteFileBytes(task_.EXPORT, "old");
  task_.SQL01 = "SELECT A, B FROM T ORDER BY B";
  task_.OUTPUT = "CRIP";
  Run();
  ASSERT_EQ(host_.clipboard.size(), 1u);
  EXPECT_EQ(host_.clipboard[0], "A\tB\r\n1\tx\r\n\ty\r\n");
  EXPECT_FALSE(test::PathExists(task_.EXPORT));
}

TEST_F(OutputResultTest, AConnectionThatCannotBeOpenedGivesFourRecordsAndThreeWhenOff) {
  task_.DSN01 = "DSN=NO_SUCH_SOURCE;PWD=TOPSECRET";
  task_.SQL01 = "SELECT 1";
  task_.OUTPUT = "TAB";
  Run();
  auto records = Records();
  ASSERT_EQ(records.size(), 4u);
  for (const auto& r : records) {
    EXPECT_EQ(r.rfind("<TS> 0番目でファイルの出力に失敗しました\r\n", 0), 0u) << r;
    EXPECT_NE(r.find("\r\nDSN=NO_SUCH_SOURCE;PWD=***\r\nSELECT 1\r\n"), std::string::npos) << r;
    EXPECT_EQ(r.find("TOPSECRET"), std::string::npos);
  }
  EXPECT_NE(records[0].find(":[IM002]"), std::string::npos) << records[0];
  EXPECT_FALSE(test::PathExists(task_.EXPORT));

  RunLog off_log(test::MakeTempDir("offlog") + "/SQLLOG.txt");
  task_.OUTPUT = "OFF";
  TaskContext c{task_, off_log, host_};
  OutputResult(c, "", "");
  EXPECT_EQ(test::ReadLogRecords(off_log.path()).size(), 3u);
}

TEST_F(OutputResultTest, AMissingDriverLibraryIsRecordedLikeAnyRefusedConnection) {
  task_.DSN01 = "DRIVER=KelvaxMissing;Database=x";
  task_.SQL01 = "SELECT 1";
  task_.OUTPUT = "CSV";
  Run();
  auto records = Records();
  ASSERT_EQ(records.size(), 4u);
  EXPECT_NE(records[0].find("libmissing.so"), std::string::npos) << records[0];
}

// The rows are still read and counted, but the log stays bounded: the creation, the first line,
// and one record for the rest of the identical line failures.
TEST_F(OutputResultTest, AnOutputFolderThatDoesNotExistGivesThreeRecordsButRowsAreRead) {
  task_.EXPORT = dir_ + "/missing/OUT.TXT";
  task_.SQL01 = "SELECT A, B FROM T";
  task_.OUTPUT = "TAB";
  Run();
  auto records = Records();
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].rfind("<TS> 0番目でファイルの出力に失敗しました\r\n53:", 0), 0u) << records[0];
  EXPECT_EQ(records[1].rfind("<TS> 0番目でファイルの出力に失敗しました\r\n53:", 0), 0u) << records[1];
  EXPECT_NE(records[2].find("2番目でファイルの出力に失敗しました\r\n53:" + task_.EXPORT +
                            ": No such file or directory（同じ失敗がほかに2行ありました）\r\n"), std::string::npos);
  EXPECT_EQ(host_.progress.size(), 2u);
}

TEST_F(OutputResultTest, ABadStatementAndANonNumericCountAreRecorded) {
  task_.SQL01 = "SELEC NOTHING";
  task_.OUTPUT = "TAB";
  Run();
  auto records = Records();
  ASSERT_EQ(records.size(), 2u);  // the execution, then the column test
  EXPECT_NE(records[0].find("\r\nSELEC NOTHING\r\n"), std::string::npos);

  RunLog count_log(test::MakeTempDir("countlog") + "/SQLLOG.txt");
  task_.SQL01 = "SELECT A FROM T";
  task_.COUNTER = "SELECT MAX(B) FROM T";  // "y" is no number
  TaskContext c{task_, count_log, host_};
  OutputResult(c, "", "");
  auto count_records = test::ReadLogRecords(count_log.path());
  ASSERT_EQ(count_records.size(), 1u);
  EXPECT_EQ(count_records[0].rfind("<TS> 0番目でファイルの出力に失敗しました\r\n13:", 0), 0u);
  EXPECT_EQ(Output(), "A\r\n1\r\n\r\n");
}

TEST_F(OutputResultTest, CharactersWithoutCp932FormAreCountedInOneRecord) {
  test::SqliteExec(db_, "CREATE TABLE E (V TEXT); INSERT INTO E VALUES ('a😀b'), ('한국');");
  task_.SQL01 = "SELECT V FROM E";
  task_.OUTPUT = "TAB";
  Run();
  EXPECT_EQ(Output(), "V\r\na?b\r\n??\r\n");
  auto records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].rfind("<TS> シフトJISにない文字を?に置き換えました。\r\n置き換えた文字数:3\r\n", 0), 0u)
      << records[0];
}

TEST_F(OutputResultTest, UpperCasedExportPathFindsTheExistingFolder) {
  std::string folder = dir_ + "/Reports";
  test::WriteFileBytes(dir_ + "/marker", "");
  std::filesystem::create_directory(folder);
  task_.EXPORT = dir_ + "/REPORTS/DAILY.TXT";
  task_.SQL01 = "SELECT A FROM T WHERE A = 1";
  task_.OUTPUT = "TAB";
  Run();
  EXPECT_EQ(test::ReadFileBytes(folder + "/DAILY.TXT"), "A\r\n1\r\n");
}

}  // namespace
}  // namespace kelvax
