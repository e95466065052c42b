// Date and folder macros, on the edge dates where month and year arithmetic goes wrong.
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

std::string Expand(const std::string& sql, const std::tm& day,
                   const MacroFolders& folders = {"/home/u/Desktop", "/tmp/", "/opt/k"}) {
  JobTask t;
  t.SQL01 = sql;
  ExpandMacros(t, day, folders);
  return t.SQL01;
}

TEST(MacrosTest, EndOfMarch2001) {
  std::tm d = Day(2001, 3, 31);
  EXPECT_EQ(Expand("%M-01%|%D-31%|%DEND%|%D+01%|%M+01%", d), "02|28|31|01|04");
  EXPECT_EQ(Expand("%DATE%|%YYYY%|%YY%|%MM%|%DD%", d), "2001/03/31|2001|01|03|31");
}

TEST(MacrosTest, MonthEndsInLeapAndCommonYears) {
  EXPECT_EQ(Expand("%DEND%", Day(2000, 2, 10)), "29");
  EXPECT_EQ(Expand("%DEND%", Day(2001, 2, 10)), "28");
  EXPECT_EQ(Expand("%DEND%", Day(1900, 2, 10)), "28");
  EXPECT_EQ(Expand("%DEND%", Day(2001, 12, 10)), "31");
}

TEST(MacrosTest, YearBoundaryOnlyTheYearMacroAdjustsTheYear) {
  std::tm d = Day(2001, 1, 15);
  EXPECT_EQ(Expand("%Y-00%|%Y-01%|%M-01%|%Y+01%|%M+12%|%D-15%|%D-16%", d),
            "2001|2000|12|2002|01|31|30");
  EXPECT_EQ(Expand("%D-99%|%D+99%|%Y-99%|%M-99%", d), "08|24|1902|10");
}

TEST(MacrosTest, MalformedMacrosStayAsWritten) {
  std::tm d = Day(2001, 10, 28);
  EXPECT_EQ(Expand("%Y-5%|%Y-100%|%D+ 01%|%TODAY%", d), "%Y-5%|%Y-100%|%D+ 01%|%TODAY%");
  // Macro names in any case.
  EXPECT_EQ(Expand("%date%|%Yyyy%|%d-01%", d), "2001/10/28|2001|27");
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
