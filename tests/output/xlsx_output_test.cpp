// OutputResult with OUTPUT=EXCEL, read back with Python's openpyxl (a reader written elsewhere):
// the sheet limits, and what an ended task leaves on disk. Each value's cell on every engine is a
// case file (tests/cases/output/workbook_values).
#include <gtest/gtest.h>

#include <filesystem>

#include "output/output_result.h"
#include "tests/support/drivers.h"

namespace kelvax {
namespace {

using test::OdbcSandbox;

// Each sheet's title and row count, then the last sheet's rows: cells joined by " | ", each as
// type:value (repr).
const char kReader[] = R"(
import sys, openpyxl
book = openpyxl.load_workbook(sys.argv[1], read_only=True)
for sheet in book.worksheets:
    print('#', sheet.title, sheet.max_row)
for row in book.worksheets[-1].iter_rows():
    print(' | '.join('%s:%r' % (c.data_type, c.value) for c in row))
)";

std::string ReadBack(const std::string& path) {
  test::ProcessResult r = test::RunProgram({"/usr/bin/python3", "-c", kReader, path});
  EXPECT_EQ(r.exit_status, 0) << r.err;
  return r.out;
}

class XlsxOutputTest : public test::WorkerTest {
 protected:
  XlsxOutputTest() : WorkerTest(OutputResult) {}

  void SetUp() override {
    task_.OUTPUT = "EXCEL";
    task_.EXPORT = dir_ + "/OUT.XLSX";
  }

  std::string dir_ = test::MakeTempDir("xlsx");
};

TEST_F(XlsxOutputTest, AFullSheetGoesOnInANewOneAndTooLongATextIsCutWithARecord) {
  // 2**20 - 1 rows fill the first sheet under its header; the last one starts the second.
  // あ x 32766 and an emoji need 32768 UTF-16 units, one more than a cell holds.
  task_.DSN01 = OdbcSandbox::SqliteConnect(OdbcSandbox::Get().CreateSqliteDb("big.db", ""));
  task_.SQL01 =
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1048576) "
      "SELECT i AS N, CASE WHEN i = 1048576 THEN replace(hex(zeroblob(32766)), '00', 'あ') || "
      "char(128512, 128512) END AS T FROM n";  // emoji: statements cannot carry them here
  Run();
  std::string kept;
  for (int i = 0; i < 32766; ++i) kept += "あ";
  const std::string sheets = ReadBack(task_.EXPORT);
  EXPECT_TRUE(sheets ==
              "# Sheet1 1048576\n# Sheet2 2\ns:'N' | s:'T'\ns:'1048576' | s:'" + kept + "'\n")
      << sheets.substr(0, 200);
  auto records = Records();
  ASSERT_EQ(records.size(), 1u) << records[0];
  EXPECT_EQ(records[0].rfind("<TS> 1048576番目でファイルの出力に失敗しました\r\n6:", 0), 0u)
      << records[0];
  EXPECT_EQ(host_.progress.size(), 1048576u);
}

// A missing folder's records are a case file (tests/cases/output/task_failures).
TEST_F(XlsxOutputTest, AnEndedTaskLeavesNoWorkbookAndNoTemporaryFile) {
  task_.DSN01 = OdbcSandbox::SqliteConnect(OdbcSandbox::Get().CreateSqliteDb(
      "two.db", "CREATE TABLE T (A INTEGER); INSERT INTO T VALUES (1), (2);"));
  task_.SQL01 = "SELECT A FROM T";
  task_.EXPORT = dir_ + "/OUT.XLSX";
  test::WriteFileBytes(task_.EXPORT, "old");
  host_.on_progress = [&](std::int32_t) { host_.cut = true; };
  auto open_files = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
  };
  const auto before = open_files();
  Run();
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 0);
  EXPECT_EQ(open_files(), before);  // the scratch files of the abandoned sheets are closed
  EXPECT_EQ(left_behind_, "書きかけの出力ファイルは削除しました（1行目まで）: " + task_.EXPORT);
}

}  // namespace
}  // namespace kelvax
