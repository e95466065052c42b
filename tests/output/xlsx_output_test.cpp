// OutputResult with OUTPUT=EXCEL, read back with Python's openpyxl (a reader written elsewhere):
// each value's cell type and exact value on every engine, the sheet limits, and what a failed or
// ended task leaves on disk.
#include <gtest/gtest.h>

#include <filesystem>

#include "output/output_result.h"
#include "tests/support/drivers.h"

namespace kelvax {
namespace {

using test::OdbcSandbox;

// Prints every sheet of the workbook: "# title", then one line per row, cells joined by " | ",
// each cell as type:value (repr) and, for dates, @number format. With "shape" only each sheet's
// title and row count, then the last sheet's rows.
const char kReader[] = R"(
import sys, openpyxl
shape = sys.argv[2] == 'shape'
book = openpyxl.load_workbook(sys.argv[1], read_only=shape)
def show(row):
    return ' | '.join('%s:%r%s' % (c.data_type, c.value, '@' + c.number_format if c.is_date else '')
                      for c in row)
for sheet in book.worksheets:
    print('#', sheet.title, sheet.max_row if shape else '')
    if not shape or sheet is book.worksheets[-1]:
        for row in sheet.iter_rows():
            print(show(row))
)";

std::string ReadBack(const std::string& path, const char* mode = "cells") {
  test::ProcessResult r = test::RunProgram({"/usr/bin/python3", "-c", kReader, path, mode});
  EXPECT_EQ(r.exit_status, 0) << r.err;
  return r.out;
}

// One value per column: its column type on each engine (empty: the engine cannot hold it), the
// literal, and the cell openpyxl reads.
struct ValueCase {
  const char* sqlite_type;
  const char* pg_type;
  const char* mariadb_type;
  const char* literal;
  const char* cell;
};

const ValueCase kValues[] = {
    {"INTEGER", "integer", "int", "-42", "n:-42"},
    {"BIGINT", "bigint", "bigint", "9007199254740992", "n:9007199254740992"},  // 2**53: still exact
    {"BIGINT", "bigint", "bigint", "9007199254740993", "s:'9007199254740993'"},
    {"BIGINT", "bigint", "bigint", "-9223372036854775808", "s:'-9223372036854775808'"},
    {"NUMERIC", "numeric(12,3)", "decimal(12,3)", "1234.500", "n:1234.5"},
    {"NUMERIC", "numeric(12,6)", "decimal(12,6)", "-0.000125", "n:-0.000125"},
    {"", "numeric(30,4)", "decimal(30,4)", "12345678901234567.8910", "s:'12345678901234567.891'"},
    {"", "numeric(20,4)", "decimal(20,4)", "123456789012.3456",
     "s:'123456789012.3456'"},  // 16 digits
    {"REAL", "double precision", "double", "0.1", "n:0.1"},
    {"REAL", "double precision", "double", "1e20", "n:1e+20"},
    {"DATE", "date", "date", "'2001-10-28'", "d:datetime.datetime(2001, 10, 28, 0, 0)@yyyy/mm/dd"},
    {"DATE", "date", "date", "'1900-02-28'", "d:datetime.datetime(1900, 2, 28, 0, 0)@yyyy/mm/dd"},
    {"DATE", "date", "date", "'1900-03-01'", "d:datetime.datetime(1900, 3, 1, 0, 0)@yyyy/mm/dd"},
    {"DATE", "date", "date", "'1899-12-31'", "s:'1899/12/31'"},
    {"TIMESTAMP", "timestamp", "datetime", "'2001-10-28 09:05:03'",
     "d:datetime.datetime(2001, 10, 28, 9, 5, 3)@yyyy/mm/dd h:mm:ss"},
    {"TIMESTAMP", "timestamp", "datetime", "'2024-02-29 00:00:00'",
     "d:datetime.datetime(2024, 2, 29, 0, 0)@yyyy/mm/dd h:mm:ss"},
    {"TIME", "time", "time", "'23:59:59'", "d:datetime.time(23, 59, 59)@h:mm:ss"},
    // Fractions of a second stay in the value and show as milliseconds.
    {"TIMESTAMP", "timestamp(6)", "datetime(6)", "'2024-02-29 09:05:03.5'",
     "d:datetime.datetime(2024, 2, 29, 9, 5, 3, 500000)@yyyy/mm/dd h:mm:ss.000"},
    {"TIME", "time(6)", "time(6)", "'09:05:03.25'", "d:datetime.time(9, 5, 3, 250000)@h:mm:ss.000"},
    {"", "double precision", "double", "-2.5e-300", "n:-2.5e-300"},
    // The format writes characters it cannot hold as _xHHHH_: a text that looks like one has
    // its '_' escaped, so that it does not read back as "A"; a CR is such a character.
    {"TEXT", "text", "text", "'a_x0041_b'", "s:'a_x005F_x0041_b'"},
    {"TEXT", "text", "text", "'東京～大阪 髙橋 ﾊﾝｶｸ 😀 한국'", "s:'東京～大阪 髙橋 ﾊﾝｶｸ 😀 한국'"},
    {"TEXT", "text", "text", "' 12 '", "s:' 12 '"},  // a number in a text column stays text
    {"TEXT", "text", "text", "'=1+2'", "s:'=1+2'"},  // never a formula
    // psqlODBC gives booleans as text unless BoolsAsChar=0; MariaDB's BOOLEAN is a TINYINT.
    {"BOOLEAN", "", "", "1", "b:True"},
};

class XlsxValueTest : public test::DriverWorkerTest {
 protected:
  XlsxValueTest() : DriverWorkerTest(OutputResult) {}
};

// Every case the engine can hold as column C<n> of one row, then a row of NULLs.
TEST_P(XlsxValueTest, ValuesBecomeCellsOfTheirTypeWithoutLosingADigit) {
  const test::Engine engine = driver_->engine;
  const bool folds = engine == test::Engine::kPostgres;  // PostgreSQL folds names to lower case
  std::string columns, values, nulls, header = folds ? "s:'id'" : "s:'ID'", cells, null_cells;
  for (std::size_t i = 0; i < std::size(kValues); ++i) {
    const ValueCase& v = kValues[i];
    const char* type = test::OnEngine(engine, v.sqlite_type, v.pg_type, v.mariadb_type);
    if (*type == '\0') continue;
    const std::string number = std::to_string(i);
    columns += ", C" + number + " " + type;
    values += std::string(", ") + v.literal;
    nulls += ", NULL";
    header += (folds ? " | s:'c" : " | s:'C") + number + "'";
    cells += std::string(" | ") + v.cell;
    null_cells += " | n:None";
  }
  driver_->Exec("CREATE TABLE XV (ID INTEGER" + columns + "); INSERT INTO XV VALUES (1" + values +
                "), (2" + nulls + ");");
  const std::string dir = test::MakeTempDir("xlsx");
  task_.OUTPUT = "EXCEL";
  task_.EXPORT = dir + "/OUT.XLSX";
  task_.SQL01 = "SELECT * FROM XV ORDER BY ID";
  task_.SHOWDATA = "ON";
  task_.COUNTER = "SELECT 2";
  test::WriteFileBytes(task_.EXPORT, "old");
  Run();
  EXPECT_EQ(ReadBack(task_.EXPORT),
            "# Sheet1 \n" + header + "\nn:1" + cells + "\nn:2" + null_cells + "\n");
  EXPECT_FALSE(test::PathExists(log_.path())) << test::ReadFileBytes(log_.path());
  ASSERT_EQ(host_.progress.size(), 2u);
  EXPECT_EQ(host_.progress[1].total, 2);
  EXPECT_EQ(host_.opened, (std::vector<std::string>{task_.EXPORT}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);  // no scratch left
}

// What the file cannot hold as it is: each is kept as near as the format allows and recorded.
// The library writes numbers with 16 significant digits; SQLite's driver itself gives 15.
TEST_P(XlsxValueTest, ValuesTheFormatCannotHoldAreKeptAsTextOrRecorded) {
  const test::Engine engine = driver_->engine;
  std::string sql;
  switch (engine) {
    case test::Engine::kSqlite:
      sql = "SELECT CAST(X'41FF42' AS TEXT) AS V UNION ALL SELECT CAST(X'C3' AS TEXT)";
      break;
    case test::Engine::kPostgres:
      sql = "SELECT 0.30000000000000004::float8 AS v UNION ALL SELECT 1.7976931348623157e308";
      break;
    case test::Engine::kMariaDb:
      sql = "SELECT 0.30000000000000004e0 AS V UNION ALL SELECT 1.7976931348623157e308";
      break;
  }
  task_.OUTPUT = "EXCEL";
  task_.EXPORT = test::MakeTempDir("xlsx") + "/OUT.XLSX";
  task_.SQL01 = sql;
  Run();
  const std::string expected = engine == test::Engine::kSqlite
                                   ? "n:None\ns:'A\ufffdB'\ns:'\ufffd'\n"
                                   : "n:None\nn:0.3\ns:'1.7976931348623157E+308'\n";
  const std::string cells = ReadBack(task_.EXPORT);
  EXPECT_EQ(cells.substr(cells.find('\n', cells.find('\n') + 1)), "\n" + expected.substr(7));
  auto records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_NE(records[0].find(engine == test::Engine::kSqlite ? "置き換えた文字数:2\r\n"
                                                            : "丸めた値の数:1\r\n"),
            std::string::npos)
      << records[0];
}

KELVAX_PER_DRIVER(XlsxValueTest);

// The sheet limits and what a failed or ended task leaves, on SQLite alone.
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
  const std::string sheets = ReadBack(task_.EXPORT, "shape");
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
