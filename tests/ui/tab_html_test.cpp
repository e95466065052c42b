// The clipboard's HTML table: one cell per TAB field, quoted fields whole, texts escaped.
#include <gtest/gtest.h>

#include "ui/tab_html.h"

namespace kelvax::ui {
namespace {

const std::string kHead = "<html><head><meta charset=\"utf-8\"></head><body><table>\r\n";
const std::string kTail = "</table></body></html>\r\n";

TEST(TabHtmlTest, LinesBecomeRowsAndFieldsCells) {
  EXPECT_EQ(TabTextToHtml("A\tB\r\n1\t\xE5\xB1\xB1\xE7\x94\xB0\r\n\ty\r\n2\t\r\n"),
            kHead + "<tr><td>A</td><td>B</td></tr>\r\n<tr><td>1</td><td>\xE5\xB1\xB1\xE7\x94\xB0</td></tr>\r\n"
                    "<tr><td></td><td>y</td></tr>\r\n<tr><td>2</td><td></td></tr>\r\n" + kTail);
  // A one-column NULL row is an empty line, still a row.
  EXPECT_EQ(TabTextToHtml("A\r\n\r\n"), kHead + "<tr><td>A</td></tr>\r\n<tr><td></td></tr>\r\n" + kTail);
  EXPECT_EQ(TabTextToHtml(""), kHead + kTail);
}

TEST(TabHtmlTest, QuotedFieldsKeepTheirTabsQuotesAndLineBreaks) {
  EXPECT_EQ(TabTextToHtml("\"x\ty\"\t\"\"\"q\"\r\n\"two\r\nlines\"\tz\r\n"),
            kHead + "<tr><td>x\ty</td><td>&quot;q</td></tr>\r\n"
                    "<tr><td>two<br>lines</td><td>z</td></tr>\r\n" + kTail);
  // Inner double quotes of an unquoted field are plain text.
  EXPECT_EQ(TabTextToHtml("a\"b\r\n"), kHead + "<tr><td>a&quot;b</td></tr>\r\n" + kTail);
}

TEST(TabHtmlTest, MarkupInValuesIsEscaped) {
  EXPECT_EQ(TabTextToHtml("<b>&amp;</b>\tR&D\r\n"),
            kHead + "<tr><td>&lt;b&gt;&amp;amp;&lt;/b&gt;</td><td>R&amp;D</td></tr>\r\n" + kTail);
}

}  // namespace
}  // namespace kelvax::ui
