// The HTML table document, byte for byte, with values escaped so the data can never become
// markup in the page.
#include <gtest/gtest.h>

#include "output/output_result.h"
#include "tests/support/worker_test.h"

namespace kelvax {
namespace {

using test::OdbcSandbox;

// ＭＳ 明朝 in code page 932.
const std::string kFont = "\x82\x6C\x82\x72\x20\x96\xBE\x92\xA9";
const std::string kHead =
    "</HEAD>\r\n<BODY>\r\n<TABLE BORDER=1 BGCOLOR=#ffffff CELLSPACING=0>\r\n\r\n<THEAD>\r\n<TR>\r\n";
const std::string kBody = "\r\n</TR>\r\n</THEAD>\r\n<TBODY>\r\n<TR VALIGN=TOP>\r\n\r\n";

std::string Th(const std::string& text) {
  return "<TH BGCOLOR=#c0c0c0 BORDERCOLOR=#000000 ><FONT SIZE=1 FACE=\"" + kFont +
         "\" COLOR=#000000>" + text + "</FONT></TH>\r\n";
}
std::string Td(const std::string& text) {
  return "<TD BORDERCOLOR=#c0c0c0 ><FONT SIZE=1 FACE=\"" + kFont + "\" COLOR=#000000>" + text +
         "</FONT></TD>\r\n";
}
const std::string kRowEnd = "</TR>\r\n<TR VALIGN=TOP>\r\n";

class HtmlOutputTest : public test::WorkerTest {
 protected:
  HtmlOutputTest() : WorkerTest(OutputResult) {}

  void SetUp() override {
    db_ = OdbcSandbox::Get().CreateSqliteDb(
        "html.db",
        "CREATE TABLE T (ID INTEGER, NAME TEXT);"
        "INSERT INTO T VALUES (1, NULL), (2, ''), (3, '<b>A&B</b> \"q\"'), (4, '東京');");
    task_.DSN01 = OdbcSandbox::SqliteConnect(db_);
    task_.EXPORT = test::MakeTempDir("html") + "/OUT.HTM";
    task_.OUTPUT = "HTML";
  }
  std::string Write(const std::string& sql) {
    task_.SQL01 = sql;
    Run();
    return test::ReadFileBytes(task_.EXPORT);
  }
  std::string db_;
};

TEST_F(HtmlOutputTest, OneRowWithANullMatchesTheDocumentLineByLine) {
  EXPECT_EQ(Write("SELECT ID, NAME FROM T WHERE ID = 1"),
            kHead + Th("ID") + Th("NAME") + kBody + Td("1") + Td("<BR>") + kRowEnd);
  EXPECT_FALSE(test::PathExists(log_.path()));
  EXPECT_EQ(host_.progress.size(), 1u);
}

TEST_F(HtmlOutputTest, NoRowsEndsWithTheBodyOpening) {
  EXPECT_EQ(Write("SELECT ID FROM T WHERE ID = 0"), kHead + Th("ID") + kBody);
}

TEST_F(HtmlOutputTest, EmptyTextIsAnEmptyCellAndMarkupIsEscaped) {
  EXPECT_EQ(Write("SELECT NAME AS \"<N>\" FROM T WHERE ID BETWEEN 2 AND 4 ORDER BY ID"),
            kHead + Th("&lt;N&gt;") + kBody + Td("") + kRowEnd +
                Td("&lt;b&gt;A&amp;B&lt;/b&gt; &quot;q&quot;") + kRowEnd + Td("\x93\x8c\x8b\x9e") +
                kRowEnd);
}

}  // namespace
}  // namespace kelvax
