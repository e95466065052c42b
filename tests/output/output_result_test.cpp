// OutputResult through each engine's real driver: file bytes for each output kind, the text
// form of each type in CP932, the failure records of each step, and what each kind leaves on
// disk. Behaviour that does not depend on the engine runs on SQLite alone.
#include "output/output_result.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/drivers.h"

namespace kelvax {
namespace {

using test::Engine;

// CP932 bytes of the Japanese values below.
const std::string kTokyoOsaka = "\x93\x8c\x8b\x9e\x81\x60\x91\xe5\x8d\xe3";  // 東京～大阪
const std::string kHankaku = "\xca\xdd\xb6\xb8\xb6\xc5";                     // ﾊﾝｶｸｶﾅ
const std::string kMemo = "\x83\x81\x83\x82\x87\x40";                        // メモ①
const std::string kTakahashi = "\xfb\xfc\x8b\xb4";                           // 髙橋

class OutputResultTest : public test::DriverWorkerTest {
 protected:
  OutputResultTest() : DriverWorkerTest(OutputResult) {}

  void SetUp() override {
    DriverWorkerTest::SetUp();
    if (IsSkipped()) return;
    driver_->Exec(
        "CREATE TABLE t (a INTEGER, b VARCHAR(20));INSERT INTO t VALUES (1, 'x'), (NULL, 'y');"
        "CREATE TABLE q (id INTEGER, v VARCHAR(20));"
        // Splitting bytes past the eighth too: fields are scanned eight bytes at a time.
        "INSERT INTO q VALUES (1, 'one two three,4'), (2, 'they say \"hi\"'),"
        " (3, 'a long tab\there'), (4, 'line\r\nbreak'), (5, '\"lead'), (6, '東京～大阪'), (7, "
        "'');");
    dir_ = test::MakeTempDir("output");
    task_.EXPORT = dir_ + "/OUT.TXT";
  }

  std::string Write(const std::string& sql, const std::string& kind) {
    task_.SQL01 = sql;
    task_.OUTPUT = kind;
    Run();
    return Output();
  }
  std::string Output() { return test::ReadFileBytes(task_.EXPORT); }

  std::string dir_;
};

// Each type's text form is checked in tests/platform/odbc/odbc_fidelity_test.cpp; here the writer's
// part: CP932, NULL as an empty field, and a value far longer than any buffer.
TEST_P(OutputResultTest, TextArrivesAsCp932WithNullAsAnEmptyField) {
  std::string note, note_cp932;  // 40,000 あ: 120,000 bytes of UTF-8, 80,000 of CP932
  while (note.size() < 120000) note += "あ", note_cp932 += "\x82\xa0";
  driver_->Exec(
      std::string("CREATE TABLE v (id INTEGER PRIMARY KEY, name VARCHAR(40), note ") +
      test::OnEngine(driver_->engine, "TEXT", "TEXT", "LONGTEXT") + ");" +
      "INSERT INTO v VALUES (1, '東京～大阪', 'メモ①'), (2, NULL, NULL), (3, 'ﾊﾝｶｸｶﾅ', ''),"
      " (4, '髙橋', '" +
      note + "');");
  const std::string got = Write("SELECT id, name, note FROM v ORDER BY id", "TAB");
  EXPECT_TRUE(got == "id\tname\tnote\r\n1\t" + kTokyoOsaka + "\t" + kMemo + "\r\n2\t\t\r\n3\t" +
                         kHankaku + "\t\r\n4\t" + kTakahashi + "\t" + note_cp932 + "\r\n")
      << got.substr(0, 80) << " .. " << got.size() << " bytes";
  EXPECT_FALSE(test::PathExists(log_.path())) << test::ReadFileBytes(log_.path());
  ASSERT_EQ(host_.progress.size(), 4u);
  EXPECT_EQ(host_.progress.back().rows, 4);
  EXPECT_EQ(host_.progress.back().total, 0);
}

TEST_P(OutputResultTest, CsvAndTabQuoteOnlyValuesThatWouldSplitAField) {
  const std::string sql = "SELECT id, v AS \"V,1\" FROM q ORDER BY id";
  EXPECT_EQ(Write(sql, "CSV"),
            "id,\"V,1\"\r\n1,\"one two three,4\"\r\n2,\"they say \"\"hi\"\"\"\r\n"
            "3,a long tab\there\r\n4,\"line\r\nbreak\"\r\n5,\"\"\"lead\"\r\n6," +
                kTokyoOsaka + "\r\n7,\r\n");
  EXPECT_EQ(Write(sql, "TAB"),
            "id\tV,1\r\n1\tone two three,4\r\n2\tthey say \"hi\"\r\n3\t\"a long tab\there\"\r\n"
            "4\t\"line\r\nbreak\"\r\n5\t\"\"\"lead\"\r\n6\t" +
                kTokyoOsaka + "\r\n7\t\r\n");
  EXPECT_FALSE(test::PathExists(log_.path())) << test::ReadFileBytes(log_.path());
}

TEST_P(OutputResultTest, TheCountQueryGivesTheTotalOrOneRecordAndTheRowsStillArrive) {
  struct Case {
    const char* counter;
    std::int32_t total;
    bool recorded;
  };
  for (const Case& c : {Case{"SELECT COUNT(*) FROM t", 2, false},  // a BIGINT on the servers
                        Case{"SELECT MAX(a) FROM t WHERE a > 99", 0, true},  // NULL
                        Case{"SELECT MAX(b) FROM t", 0, true}}) {            // "y" is no number
    SCOPED_TRACE(c.counter);
    RunLog log(test::MakeTempDir("countlog") + "/SQLLOG.txt");
    test::RecordingHost host;
    task_.COUNTER = c.counter;
    task_.SQL01 = "SELECT a FROM t ORDER BY b";
    task_.OUTPUT = "CSV";
    TaskContext context{task_, log, host};
    (void)OutputResult(context);  // the log is what is checked
    EXPECT_EQ(Output(), "a\r\n1\r\n\"\"\r\n");  // a one-column CSV NULL reads back as a field
    auto records = test::ReadLogRecords(log.path());
    ASSERT_EQ(records.size(), c.recorded ? 1u : 0u);
    EXPECT_TRUE(!c.recorded ||
                records[0].rfind("<TS> 0番目でファイルの出力に失敗しました\r\n13:", 0) == 0)
        << records[0];
    ASSERT_EQ(host.progress.size(), 2u);
    for (const auto& p : host.progress) EXPECT_EQ(p.total, c.total);
  }
}

TEST_P(OutputResultTest, OffAndAStatementWithoutColumnsExecuteAndLeaveTheOldFile) {
  struct Case {
    const char *kind, *sql, *counter;
  };
  for (const Case& c :
       {Case{"OFF", "INSERT INTO t VALUES (3, 'z')", "SELECT COUNT(*) FROM nowhere"},
        Case{"TAB", "DELETE FROM t WHERE a = 1", ""}}) {
    SCOPED_TRACE(c.kind);
    test::WriteFileBytes(task_.EXPORT, "old");
    task_.SHOWDATA = "ON";
    task_.COUNTER = c.counter;  // OFF runs no count query
    EXPECT_EQ(Write(c.sql, c.kind), "old");
    EXPECT_TRUE(host_.opened.empty());
  }
  EXPECT_EQ(driver_->QueryRows("SELECT a, b FROM t ORDER BY b"), "NULL|y\n3|z");
  EXPECT_FALSE(test::PathExists(log_.path())) << test::ReadFileBytes(log_.path());
}

TEST_P(OutputResultTest, ABadStatementIsRecordedForTheExecutionAndTheColumnTest) {
  Write("SELEC NOTHING", "TAB");
  auto records = Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_NE(records[0].find("\r\nSELEC NOTHING\r\n"), std::string::npos) << records[0];
}

TEST_P(OutputResultTest, CharactersWithoutCp932FormAreCountedInOneRecord) {
  driver_->Exec(
      "CREATE TABLE e (id INTEGER, v VARCHAR(10));INSERT INTO e VALUES (1, 'a😀b'), (2, '한국');");
  EXPECT_EQ(Write("SELECT v FROM e ORDER BY id", "TAB"), "v\r\na?b\r\n??\r\n");
  auto records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].rfind(
                "<TS> シフトJISにない文字を?に置き換えました。\r\n置き換えた文字数:3\r\n", 0),
            0u)
      << records[0];
}

KELVAX_PER_DRIVER(OutputResultTest);

// What the output kinds do with files, the clipboard and refused connections.
class OutputKindTest : public OutputResultTest {};
KELVAX_ON_SQLITE(OutputKindTest);

TEST_P(OutputKindTest, TheClipboardGetsTheTabTextAndNoFileIsWritten) {
  Write("SELECT a, b FROM t ORDER BY b", "CRIP");
  EXPECT_EQ(host_.clipboard, (std::vector<std::string>{"a\tb\r\n1\tx\r\n\ty\r\n"}));
  EXPECT_FALSE(test::PathExists(task_.EXPORT));
  EXPECT_FALSE(test::PathExists(log_.path()));
}

TEST_P(OutputKindTest, TheClipboardTableHasTheSameCellsEscapedWithEachLineBreakAsBr) {
  Write(
      "SELECT id, v FROM q WHERE id IN (3, 4, 5, 7) UNION ALL SELECT NULL, '<b>&amp;</b>'"
      " UNION ALL SELECT 8, 'lf' || char(10) || 'cr' || char(13) || 'end' ORDER BY id",
      "CRIP");
  EXPECT_EQ(
      host_.clipboard_html,
      (std::vector<std::string>{
          "<html><head><meta "
          "charset=\"utf-8\"></head><body><table>\r\n<tr><td>id</td><td>v</td></tr>\r\n"
          "<tr><td></td><td>&lt;b&gt;&amp;amp;&lt;/b&gt;</td></tr>\r\n<tr><td>3</td><td>a long "
          "tab\there</td></tr>\r\n"
          "<tr><td>4</td><td>line<br>break</td></tr>\r\n<tr><td>5</td><td>&quot;lead</td></tr>\r\n"
          "<tr><td>7</td><td></td></tr>\r\n<tr><td>8</td><td>lf<br>cr<br>end</td></tr>\r\n</"
          "table></body></html>\r\n"}));
}

TEST_P(OutputKindTest, AOneColumnCsvRowReadsBackEvenWhenEmptyOrNull) {
  EXPECT_EQ(
      Write("SELECT v FROM q WHERE id IN (1, 2, 4, 7) UNION ALL SELECT NULL UNION ALL SELECT ' '",
            "CSV"),
      "v\r\n\"one two three,4\"\r\n\"they say "
      "\"\"hi\"\"\"\r\n\"line\r\nbreak\"\r\n\"\"\r\n\"\"\r\n \r\n");
  // A reader no one here wrote gets every row back.
  const char* script =
      "import csv, sys\n"
      "for row in csv.reader(open(sys.argv[1], newline='', encoding='cp932')): print(repr(row))";
  test::ProcessResult read = test::RunProgram({"/usr/bin/python3", "-c", script, task_.EXPORT});
  EXPECT_EQ(
      read.out,
      "['v']\n['one two three,4']\n['they say \"hi\"']\n['line\\r\\nbreak']\n['']\n['']\n[' ']\n")
      << read.err;

  // TAB readers take an empty line for one empty field: it stays empty.
  EXPECT_EQ(Write("SELECT v FROM q WHERE id = 7 UNION ALL SELECT NULL", "TAB"), "v\r\n\r\n\r\n");
}

// A misspelt kind fails the task instead of passing as a success that wrote nothing.
TEST_P(OutputKindTest, UnknownKindsDeleteTheOldFileFailTheTaskAndStillOpenThePath) {
  test::WriteFileBytes(task_.EXPORT, "old");
  task_.SHOWDATA = "ON";
  Write("SELECT a FROM t", "CVS");
  EXPECT_FALSE(test::PathExists(task_.EXPORT));
  EXPECT_EQ(host_.opened, (std::vector<std::string>{task_.EXPORT}));
  EXPECT_EQ(
      Records(),
      (std::vector<std::string>{
          "<TS> 0番目でファイルの出力に失敗しました\r\n5:OUTPUT=CVS は出力の種類ではありません"
          "（TAB、CSV、CRIP、HTML、EXCEL、OFF）\r\n" +
          task_.DSN01 + "\r\n" + task_.SQL01 + "\r\n"}));
}

TEST_P(OutputKindTest, ARefusedConnectionGivesFourRecordsAndThreeWhenOff) {
  struct Case {
    const char *dsn, *logged_dsn, *cause;
  };
  for (const Case& c :
       {Case{"DSN=NO_SUCH_SOURCE;PWD=TOPSECRET", "DSN=NO_SUCH_SOURCE;PWD=***", ":[IM002]"},
        Case{"DRIVER=KelvaxMissing;Database=x", "DRIVER=KelvaxMissing;Database=x",
             "libmissing.so"}}) {
    SCOPED_TRACE(c.dsn);
    for (const char* kind : {"TAB", "OFF"}) {
      RunLog log(test::MakeTempDir("refusedlog") + "/SQLLOG.txt");
      task_.DSN01 = c.dsn;
      task_.SQL01 = "SELECT 1";
      task_.OUTPUT = kind;
      TaskContext context{task_, log, host_};
      (void)OutputResult(context);  // the log is what is checked
      auto records = test::ReadLogRecords(log.path());
      ASSERT_EQ(records.size(), std::string(kind) == "OFF" ? 3u : 4u);
      for (const auto& r : records) {
        EXPECT_EQ(r.rfind("<TS> 0番目でファイルの出力に失敗しました\r\n", 0), 0u) << r;
        EXPECT_NE(r.find(std::string("\r\n") + c.logged_dsn + "\r\nSELECT 1\r\n"),
                  std::string::npos)
            << r;
        EXPECT_EQ(r.find("TOPSECRET"), std::string::npos);
      }
      EXPECT_NE(records[0].find(c.cause), std::string::npos) << records[0];
      EXPECT_FALSE(test::PathExists(task_.EXPORT));
    }
  }
}

// The rows are still read and counted, but the log stays bounded: the creation, the first line,
// and one record for the rest of the identical line failures.
TEST_P(OutputKindTest, AnOutputFolderThatDoesNotExistGivesThreeRecordsButRowsAreRead) {
  task_.EXPORT = dir_ + "/missing/OUT.TXT";
  Write("SELECT a, b FROM t", "TAB");
  auto records = Records();
  ASSERT_EQ(records.size(), 3u);
  for (int i : {0, 1})
    EXPECT_EQ(records[i].rfind("<TS> 0番目でファイルの出力に失敗しました\r\n53:", 0), 0u)
        << records[i];
  EXPECT_NE(records[2].find("2番目でファイルの出力に失敗しました\r\n53:" + task_.EXPORT +
                            ": No such file or directory（同じ失敗がほかに2行ありました）\r\n"),
            std::string::npos);
  EXPECT_EQ(host_.progress.size(), 2u);
}

TEST_P(OutputKindTest, UpperCasedExportPathFindsTheExistingFolder) {
  std::string folder = dir_ + "/Reports";
  test::WriteFileBytes(dir_ + "/marker", "");
  std::filesystem::create_directory(folder);
  task_.EXPORT = dir_ + "/REPORTS/DAILY.TXT";
  Write("SELECT a FROM t WHERE a = 1", "TAB");
  EXPECT_EQ(test::ReadFileBytes(folder + "/DAILY.TXT"), "a\r\n1\r\n");
}

}  // namespace
}  // namespace kelvax
