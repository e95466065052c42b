// OutputResult where the windows take part: the clipboard, and the file shown afterwards. What
// each kind leaves on disk and in the log, and the row total each engine's count gives on the
// terminal's line, are case files (tests/cases/output/).
#include "output/output_result.h"

#include <gtest/gtest.h>

#include "tests/support/drivers.h"

namespace kelvax {
namespace {

class OutputResultTest : public test::DriverWorkerTest {
 protected:
  OutputResultTest() : DriverWorkerTest(OutputResult) {}

  void SetUp() override {
    DriverWorkerTest::SetUp();
    if (IsSkipped()) return;
    driver_->Exec(
        "CREATE TABLE t (a INTEGER, b VARCHAR(20));INSERT INTO t VALUES (1, 'x'), (NULL, 'y');"
        "CREATE TABLE q (id INTEGER, v VARCHAR(20));"
        "INSERT INTO q VALUES (3, 'a long tab\there'), (4, 'line\r\nbreak'), (5, '\"lead'), (7, "
        "'');");
    dir_ = test::MakeTempDir("output");
    task_.EXPORT = dir_ + "/OUT.TXT";
  }

  void Write(const std::string& sql, const std::string& kind) {
    task_.SQL01 = sql;
    task_.OUTPUT = kind;
    Run();
  }

  std::string dir_;
};

KELVAX_ON_SQLITE(OutputResultTest);

TEST_P(OutputResultTest, TheClipboardGetsTheTabTextAndNoFileIsWritten) {
  Write("SELECT a, b FROM t ORDER BY b", "CRIP");
  EXPECT_EQ(host_.clipboard, (std::vector<std::string>{"a\tb\r\n1\tx\r\n\ty\r\n"}));
  EXPECT_FALSE(test::PathExists(task_.EXPORT));
  EXPECT_FALSE(test::PathExists(log_.path()));
}

TEST_P(OutputResultTest, TheClipboardTableHasTheSameCellsEscapedWithEachLineBreakAsBr) {
  Write(
      "SELECT id, v FROM q UNION ALL SELECT NULL, '<b>&amp;</b>'"
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

// SHOWDATA=ON shows the file a task wrote: not when it wrote none, and also when its kind is
// misspelt (the task fails and the old file is gone, so nothing stale is shown).
TEST_P(OutputResultTest, ShowDataOpensTheOutputOnlyWhereTheTaskWroteOrFailedIt) {
  task_.SHOWDATA = "ON";
  Write("INSERT INTO t VALUES (3, 'z')", "OFF");
  Write("DELETE FROM t WHERE a = 3", "TAB");
  EXPECT_TRUE(host_.opened.empty());
  Write("SELECT a FROM t", "CVS");
  EXPECT_EQ(host_.opened, (std::vector<std::string>{task_.EXPORT}));
}

}  // namespace
}  // namespace kelvax
