// ExportResult into a real PostgreSQL server whose session ends in the middle of the export.
// (The values and rejected rows of every engine are case files, tests/cases/export/.)
#include <gtest/gtest.h>

#include "export/export_result.h"
#include "tests/support/postgres_sandbox.h"
#include "tests/support/worker_test.h"

namespace kelvax {
namespace {

using test::OdbcSandbox;
using test::PostgresSandbox;

class PostgresExportTest : public test::WorkerTest {
 protected:
  PostgresExportTest() : WorkerTest(ExportResult) {}
  PostgresSandbox* pg_ = nullptr;
};

TEST_F(PostgresExportTest, ATargetThatGoesAwayIsRecordedAndTheExportEnds) {
  KELVAX_REQUIRE_SERVER(pg_);
  std::string source = OdbcSandbox::Get().CreateSqliteDb(
      "pg_export_src.db",
      "CREATE TABLE S (ID INTEGER, NAME TEXT, PRICE NUMERIC(10,2), SMALL SMALLINT);"
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
      "INSERT INTO S SELECT i, 'row' || i, i / 4.0, i % 100 FROM n;");
  pg_->Exec(
      "DROP TABLE IF EXISTS kx_t;"
      "CREATE TABLE kx_t (id integer PRIMARY KEY, name text, price text, small smallint);");
  task_.DSN01 = OdbcSandbox::SqliteConnect(source);
  task_.DSN02 = pg_->ConnectString();
  task_.SQL01 = "SELECT ID, NAME, PRICE, SMALL FROM S ORDER BY ID";
  task_.SQL02 = "INSERT INTO kx_t";
  // The session ends, ended from a second one, once 4500 rows are reported.
  test::RecordingHost host;
  int terminated = -1;
  host.on_progress = [&](std::int32_t rows) {
    if (rows == 4500) terminated = pg_->TerminateClientBackends();
  };
  Run(host);
  EXPECT_EQ(terminated, 1);
  // One record for the lost connection, not one for every row still to come.
  auto records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].rfind("<TS> データの挿入に失敗しました。\r\n", 0), 0u) << records[0];
  EXPECT_NE(records[0].find(":[08"), std::string::npos) << records[0];
  // The export stopped: at most one batch of 100 rows was read after the cut.
  EXPECT_LE(host.progress.size(), 4600u);
  // The groups committed before the cut are kept.
  EXPECT_EQ(pg_->QueryRows("SELECT COUNT(*) FROM kx_t"), "4000");
}

}  // namespace
}  // namespace kelvax
