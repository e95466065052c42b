// OutputResult against a real PostgreSQL server through psqlODBC: the text form of its types in
// CP932 files, a value far longer than any bound buffer, and a connection cut in the middle of
// a streamed result, in-process and through the built program.
#include <gtest/gtest.h>

#include "output/output_result.h"
#include "tests/support/cutting_host.h"
#include "tests/support/postgres_sandbox.h"
#include "tests/support/worker_test.h"

namespace kelvax {
namespace {

using test::PostgresSandbox;

// CP932 bytes of the Japanese values below.
const std::string kTokyoOsaka = "\x93\x8c\x8b\x9e\x81\x60\x91\xe5\x8d\xe3";  // 東京～大阪
const std::string kHankaku = "\xca\xdd\xb6\xb8\xb6\xc5";                      // ﾊﾝｶｸｶﾅ
const std::string kMemo = "\x83\x81\x83\x82\x87\x40";                          // メモ①
const std::string kTakahashi = "\xfb\xfc\x8b\xb4";                             // 髙橋
constexpr int kLongChars = 40000;  // あ repeated: 120,000 bytes of UTF-8, 80,000 of CP932

std::string LongCp932() {
  std::string s;
  for (int i = 0; i < kLongChars; ++i) s += "\x82\xa0";
  return s;
}

class PostgresOutputTest : public test::WorkerTest {
 protected:
  PostgresOutputTest() : WorkerTest(OutputResult) {}

  void SetUp() override {
    KELVAX_REQUIRE_POSTGRES(pg_);
    pg_->Exec(
        "DROP TABLE IF EXISTS kx_values;"
        "CREATE TABLE kx_values (id integer PRIMARY KEY, name varchar(40), amount numeric(12,3),"
        " big bigint, flag boolean, day date, at timestamp, note text);"
        "INSERT INTO kx_values VALUES"
        " (1, '東京～大阪', 1234.500, 9007199254740993, true, '2001-10-28', '2001-10-28 09:05:03',"
        "  'メモ①'),"
        " (2, NULL, NULL, NULL, NULL, NULL, NULL, NULL),"
        " (3, 'ﾊﾝｶｸｶﾅ', -0.125, -42, false, '1999-12-31', '2000-01-01 00:00:00', ''),"
        " (4, '髙橋', 2.000, 0, true, '2024-02-29', '2024-02-29 23:59:59', repeat('あ', " +
        std::to_string(kLongChars) + "));");
    dir_ = test::MakeTempDir("pgout");
    task_.DSN01 = pg_->ConnectString();
    task_.EXPORT = dir_ + "/OUT.TXT";
  }

  std::string Output() { return test::ReadFileBytes(task_.EXPORT); }

  PostgresSandbox* pg_ = nullptr;
  std::string dir_;
};

TEST_F(PostgresOutputTest, TabFileHoldsEveryTypeInItsTextFormAsCp932) {
  task_.SQL01 = "SELECT id, name, amount, big, flag, day, at, note FROM kx_values ORDER BY id";
  task_.OUTPUT = "TAB";
  Run();
  EXPECT_FALSE(test::PathExists(log_.path())) << test::ReadFileBytes(log_.path());
  EXPECT_EQ(Output(),
            "id\tname\tamount\tbig\tflag\tday\tat\tnote\r\n"
            "1\t" + kTokyoOsaka + "\t1234.5\t9007199254740993\t1\t2001/10/28\t2001/10/28 9:05:03\t" +
                kMemo + "\r\n"
            "2\t\t\t\t\t\t\t\r\n"
            "3\t" + kHankaku + "\t-0.125\t-42\t0\t1999/12/31\t2000/01/01\t\r\n"
            "4\t" + kTakahashi + "\t2\t0\t1\t2024/02/29\t2024/02/29 23:59:59\t" + LongCp932() +
                "\r\n");
  ASSERT_EQ(host_.progress.size(), 4u);
  EXPECT_EQ(host_.progress.back().rows, 4);
  EXPECT_EQ(host_.progress.back().total, 0);
}

TEST_F(PostgresOutputTest, CsvFileAndTheCountQueryGiveTheTotal) {
  pg_->Exec("INSERT INTO kx_values (id, name) VALUES (5, 'a,b'), (6, 'say \"hi\"');");
  task_.SQL01 = "SELECT id, name, flag FROM kx_values ORDER BY id";
  task_.OUTPUT = "CSV";
  task_.COUNTER = "SELECT COUNT(*) FROM kx_values";  // a bigint on this server
  Run();
  EXPECT_FALSE(test::PathExists(log_.path())) << test::ReadFileBytes(log_.path());
  EXPECT_EQ(Output(), "id,name,flag\r\n1," + kTokyoOsaka + ",1\r\n2,,\r\n3," + kHankaku +
                          ",0\r\n4," + kTakahashi + ",1\r\n5,\"a,b\",\r\n6,\"say \"\"hi\"\"\",\r\n");
  ASSERT_EQ(host_.progress.size(), 6u);
  for (const auto& p : host_.progress) EXPECT_EQ(p.total, 6);
}

TEST_F(PostgresOutputTest, ACountQueryGivingNullIsOneRecordAndTheRowsStillArrive) {
  task_.SQL01 = "SELECT id FROM kx_values WHERE id < 3 ORDER BY id";
  task_.OUTPUT = "TAB";
  task_.COUNTER = "SELECT NULL::bigint";
  Run();
  EXPECT_EQ(Output(), "id\r\n1\r\n2\r\n");
  auto records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].rfind("<TS> 0番目でファイルの出力に失敗しました\r\n13:", 0), 0u) << records[0];
  EXPECT_EQ(host_.progress.back().total, 0);
}

TEST_F(PostgresOutputTest, HtmlTableWithNullCellsJapaneseAndMarkupMadeHarmless) {
  pg_->Exec("INSERT INTO kx_values (id, name, note) VALUES (5, '<b>&', '');");
  task_.SQL01 = "SELECT id, name, at, note FROM kx_values WHERE id IN (1, 2, 5) ORDER BY id";
  task_.OUTPUT = "HTML";
  Run();
  EXPECT_FALSE(test::PathExists(log_.path())) << test::ReadFileBytes(log_.path());
  const std::string font = "\x82\x6c\x82\x72\x20\x96\xbe\x92\xa9";  // ＭＳ 明朝
  const std::string th = "<TH BGCOLOR=#c0c0c0 BORDERCOLOR=#000000 ><FONT SIZE=1 FACE=\"" + font +
                         "\" COLOR=#000000>";
  const std::string td = "<TD BORDERCOLOR=#c0c0c0 ><FONT SIZE=1 FACE=\"" + font + "\" COLOR=#000000>";
  const std::string end_td = "</FONT></TD>\r\n";
  const std::string row_end = "</TR>\r\n<TR VALIGN=TOP>\r\n";
  EXPECT_EQ(Output(),
            "</HEAD>\r\n<BODY>\r\n<TABLE BORDER=1 BGCOLOR=#ffffff CELLSPACING=0>\r\n\r\n"
            "<THEAD>\r\n<TR>\r\n" +
                th + "id</FONT></TH>\r\n" + th + "name</FONT></TH>\r\n" + th + "at</FONT></TH>\r\n" +
                th + "note</FONT></TH>\r\n" +
                "\r\n</TR>\r\n</THEAD>\r\n<TBODY>\r\n<TR VALIGN=TOP>\r\n\r\n" +
                td + "1" + end_td + td + kTokyoOsaka + end_td + td + "2001/10/28 9:05:03" + end_td +
                td + kMemo + end_td + row_end +
                td + "2" + end_td + td + "<BR>" + end_td + td + "<BR>" + end_td + td + "<BR>" +
                end_td + row_end +
                td + "5" + end_td + td + "&lt;b&gt;&amp;" + end_td + td + "<BR>" + end_td + td +
                end_td + row_end);
  EXPECT_EQ(host_.progress.size(), 3u);
}

TEST_F(PostgresOutputTest, AConnectionCutInTheMiddleOfTheResultEndsTheLoopWithOneRecord) {
  pg_->Exec("DROP TABLE IF EXISTS kx_big;"
            "CREATE TABLE kx_big AS SELECT i AS id, '行' || i AS label FROM generate_series(1, 50000) i;");
  for (const char* kind : {"TAB", "HTML"}) {
    SCOPED_TRACE(kind);
    RunLog log(test::MakeTempDir("pgcutlog") + "/SQLLOG.txt");
    test::CuttingHost host(pg_, 300);
    task_.DSN01 = pg_->ConnectString(/*fetch=*/100);
    task_.SQL01 = "SELECT id, label FROM kx_big ORDER BY id";
    task_.OUTPUT = kind;
    task_.COUNTER = "SELECT COUNT(*) FROM kx_big";
    TaskContext c{task_, log, host};
    OutputResult(c, "", "");

    EXPECT_EQ(host.terminated, 1);
    const auto rows = static_cast<std::int32_t>(host.progress.size());
    EXPECT_GE(rows, 300);
    EXPECT_LT(rows, 50000);  // the rest of the result was never there to read
    auto records = test::ReadLogRecords(log.path());
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].rfind("<TS> " + std::to_string(rows) + "番目でファイルの出力に失敗しました\r\n", 0),
              0u)
        << records[0];
    EXPECT_NE(records[0].find("\r\n" + task_.DSN01 + "\r\n" + task_.SQL01 + "\r\n"), std::string::npos)
        << records[0];
    // Every row read before the cut is in the file, whole.
    std::string out = Output();
    if (std::string(kind) == "TAB") {
      std::string tail = std::to_string(rows) + "\t\x8d\x73" + std::to_string(rows) + "\r\n";  // 行
      ASSERT_GE(out.size(), tail.size());
      EXPECT_EQ(out.substr(out.size() - tail.size()), tail);
    } else {
      const std::string tail = "</FONT></TD>\r\n</TR>\r\n<TR VALIGN=TOP>\r\n";
      ASSERT_GE(out.size(), tail.size());
      EXPECT_EQ(out.substr(out.size() - tail.size()), tail);
    }
  }
}

// The built program: a task whose connection dies mid-result is recorded, the next task still
// runs, and the exit status tells the scheduler that a task failed.
TEST_F(PostgresOutputTest, TheBuiltProgramGoesOnToTheNextTaskAndExitsWithOne) {
  std::string folder = test::MakeTempDir("pgcli");
  std::string exe = test::InstallKelvax(folder);
  // The session ends itself when row 20000 is computed: the rows stream from a cursor 100 at a
  // time, and every row of the pieces read before the failure is written.
  std::string job =
      "[CONNECTION01]\r\nDSN01=DSN=" + pg_->DsnName() +
      "\r\nSQL01=SELECT i, CASE WHEN i = 20000 THEN pg_terminate_backend(pg_backend_pid()) END AS x"
      " FROM generate_series(1, 100000) i\r\nOUTPUT=TAB\r\nEXPORT=" + dir_ + "/CUT.TXT\r\n"
      "[CONNECTION02]\r\nDSN01=DSN=" + pg_->DsnName() +
      "\r\nSQL01=SELECT name FROM kx_values WHERE id = 1\r\nOUTPUT=CSV\r\nEXPORT=" + dir_ +
      "/SECOND.CSV\r\n";
  test::WriteFileBytes(dir_ + "/job.ini", job);
  test::ProcessResult r = test::RunProgram({exe, dir_ + "/job.ini"}, {}, dir_);
  EXPECT_EQ(r.exit_status, 1) << r.err;

  EXPECT_EQ(test::ReadFileBytes(dir_ + "/SECOND.CSV"), "name\r\n" + kTokyoOsaka + "\r\n");
  std::string cut = test::ReadFileBytes(dir_ + "/CUT.TXT");
  EXPECT_EQ(cut.rfind("i\tx\r\n1\t\r\n2\t\r\n", 0), 0u);
  EXPECT_NE(cut.find("\r\n19900\t\r\n"), std::string::npos);
  EXPECT_EQ(cut.find("\r\n20001\t"), std::string::npos);

  auto records = test::ReadLogRecords(folder + "/SQLLOG.txt");
  ASSERT_EQ(records.size(), 4u);
  EXPECT_NE(records[0].find("番目でファイルの出力に失敗しました\r\n"), std::string::npos) << records[0];
  EXPECT_NE(records[0].find("\r\nDSN=KELVAX_PG\r\nSELECT I, CASE WHEN I = 20000"), std::string::npos)
      << records[0];
  EXPECT_EQ(records[1], "<TS> \r\n1番目は<ET>経過しています\r\n");
  EXPECT_EQ(records[2], "<TS> \r\n2番目は<ET>経過しています\r\n");
  // The end-of-run record repeats the last task record.
  EXPECT_EQ(records[3], records[2] + test::kSeparator + "\r\n<ET>かかりました\r\n");
}

}  // namespace
}  // namespace kelvax
