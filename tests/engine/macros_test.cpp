// Folder macros and the replacement itself; the date macros on the edge dates where month and
// year arithmetic goes wrong are case files (tests/cases/macros/).
#include "engine/macros.h"

#include <gtest/gtest.h>

namespace kelvax {
namespace {

std::tm Day(int y, int m, int d) {
  std::tm t{};
  t.tm_year = y - 1900;
  t.tm_mon = m - 1;
  t.tm_mday = d;
  return t;
}

TEST(MacrosTest, FoldersComeFirstAndAreThemselvesExpanded) {
  std::tm d = Day(2001, 10, 28);
  MacroFolders f{"/home/u/%YYYY%", "/tmp/", "/opt/kelvax"};
  JobTask t;
  t.EXPORT = "%TEMP%FILE.CSV";
  t.DSN01 = "%PATH%/OUT.CSV";
  t.COUNTER = "%DTOP%";
  t.OUTPUT = "%DATE%";
  t.INDICATOR = "%DATE%";
  ExpandMacros(t, d, f);
  EXPECT_EQ(t.EXPORT, "/tmp/FILE.CSV");
  EXPECT_EQ(t.DSN01, "/opt/kelvax/OUT.CSV");
  EXPECT_EQ(t.COUNTER, "/home/u/2001");
  EXPECT_EQ(t.OUTPUT + t.INDICATOR, "%DATE%%DATE%");  // not among the fields that take macros
}

TEST(MacrosTest, ReplaceInJobDoesNotSearchInsertedText) {
  JobTask t;
  t.SQL02 = "AAA";
  ReplaceInJob(t, "A", "AA");
  EXPECT_EQ(t.SQL02, "AAAAAA");
}

}  // namespace
}  // namespace kelvax
