// The HTML table document on every engine, byte for byte: NULL and empty text told apart, and
// values escaped so the data can never become markup in the page.
#include <gtest/gtest.h>

#include "output/output_result.h"
#include "tests/support/drivers.h"

namespace kelvax {
namespace {

// ＭＳ 明朝 in code page 932.
const std::string kFont = "\x82\x6C\x82\x72\x20\x96\xBE\x92\xA9";
const std::string kHead =
    "</HEAD>\r\n<BODY>\r\n<TABLE BORDER=1 BGCOLOR=#ffffff "
    "CELLSPACING=0>\r\n\r\n<THEAD>\r\n<TR>\r\n";
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

class HtmlOutputTest : public test::DriverWorkerTest {
 protected:
  HtmlOutputTest() : DriverWorkerTest(OutputResult) {}
};

TEST_P(HtmlOutputTest, TheDocumentMatchesByteForByteWithNullEmptyTextAndMarkupEach) {
  driver_->Exec(
      "CREATE TABLE t (id INTEGER, name VARCHAR(40));"
      "INSERT INTO t VALUES (1, NULL), (2, ''), (3, '<b>A&B</b> \"q\"'), (4, '東京');");
  struct Case {
    const char* sql;
    std::string document;
  };
  for (const Case& c :
       {Case{"SELECT id, name FROM t WHERE id = 1",
             kHead + Th("id") + Th("name") + kBody + Td("1") + Td("<BR>") + kRowEnd},
        Case{"SELECT id FROM t WHERE id = 0", kHead + Th("id") + kBody},
        Case{"SELECT name AS \"<N>\" FROM t WHERE id BETWEEN 2 AND 4 ORDER BY id",
             kHead + Th("&lt;N&gt;") + kBody + Td("") + kRowEnd +
                 Td("&lt;b&gt;A&amp;B&lt;/b&gt; &quot;q&quot;") + kRowEnd + Td("\x93\x8c\x8b\x9e") +
                 kRowEnd}}) {
    SCOPED_TRACE(c.sql);
    task_.EXPORT = test::MakeTempDir("html") + "/OUT.HTM";
    task_.OUTPUT = "HTML";
    task_.SQL01 = c.sql;
    Run();
    EXPECT_EQ(test::ReadFileBytes(task_.EXPORT), c.document);
  }
  EXPECT_FALSE(test::PathExists(log_.path())) << test::ReadFileBytes(log_.path());
  EXPECT_EQ(host_.progress.size(), 4u);
}

KELVAX_PER_DRIVER(HtmlOutputTest);

}  // namespace
}  // namespace kelvax
