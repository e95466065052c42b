// OutputResult against a real PostgreSQL server through psqlODBC, whose results stream from a
// cursor: a connection cut in the middle of a result. (The built program under the same cut is in
// tests/app/kelvax_faults_test.cpp.)
// (The values of every engine are in output_result_test.cpp.)
#include <gtest/gtest.h>

#include "output/output_result.h"
#include "tests/support/cutting_host.h"
#include "tests/support/postgres_sandbox.h"
#include "tests/support/worker_test.h"

namespace kelvax {
namespace {

using test::PostgresSandbox;

class PostgresOutputTest : public test::WorkerTest {
 protected:
  PostgresOutputTest() : WorkerTest(OutputResult) {}

  void SetUp() override {
    KELVAX_REQUIRE_SERVER(pg_);
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

}  // namespace
}  // namespace kelvax
