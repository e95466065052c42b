// OutputResult against a real PostgreSQL server through psqlODBC, whose results stream from a
// cursor: a connection cut in the middle of a result, in-process and through the built program.
// (The values of every engine are in output_result_test.cpp.)
#include <gtest/gtest.h>

#include "output/output_result.h"
#include "tests/support/cutting_host.h"
#include "tests/support/postgres_sandbox.h"
#include "tests/support/worker_test.h"

namespace kelvax {
namespace {

using test::PostgresSandbox;

const std::string kTokyoOsaka = "\x93\x8c\x8b\x9e\x81\x60\x91\xe5\x8d\xe3";  // 東京～大阪 in CP932

class PostgresOutputTest : public test::WorkerTest {
 protected:
  PostgresOutputTest() : WorkerTest(OutputResult) {}

  void SetUp() override {
    KELVAX_REQUIRE_POSTGRES(pg_);
    dir_ = test::MakeTempDir("pgout");
    task_.DSN01 = pg_->ConnectString();
    task_.EXPORT = dir_ + "/OUT.TXT";
  }

  std::string Output() { return test::ReadFileBytes(task_.EXPORT); }

  PostgresSandbox* pg_ = nullptr;
  std::string dir_;
};

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
      "\r\nSQL01=SELECT '東京～大阪' AS name\r\nOUTPUT=CSV\r\nEXPORT=" + dir_ +
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
