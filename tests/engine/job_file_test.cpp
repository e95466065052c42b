// Reading job files: the task count from the last section name, and one task's values.
#include "engine/job_file.h"
#include "engine/failure_text.h"

#include <gtest/gtest.h>

namespace kelvax {
namespace {

int Count(const std::string& text) {
  int n = -1;
  Status s = GetIniList(IniFile::Parse(text), n);
  return s.ok() ? n : -100 - static_cast<int>(RecordNumber(s));
}

TEST(JobFileTest, TaskCountComesFromTheLastTwoCharactersOfTheLastSection) {
  EXPECT_EQ(Count("[connection01]\n[connection02]\n[connection03]\n"), 3);
  EXPECT_EQ(Count("[CONNECTION07]\n"), 7);
  EXPECT_EQ(Count("[CONNECTION01]\n[CONNECTION02]\n[OPTIONS]\n"), 0);
  EXPECT_EQ(Count("[CONNECTION05]\n[CONNECTION12]\n"), 12);
  EXPECT_EQ(Count("[X2A]\n"), 2);
  EXPECT_EQ(Count("[XN5]\n"), 0);
  EXPECT_EQ(Count("[9]\n"), 9);
  EXPECT_EQ(Count("[CONNECTION-3]\n"), -3);
  EXPECT_EQ(Count("[CONNECTION99]\n"), 99);
  EXPECT_EQ(Count(""), -105);
  EXPECT_EQ(Count("DSN01=X\n"), -105);
}

TEST(JobFileTest, TaskValuesAreTrimmedAndOnlyKeywordsUpperCased) {
  IniFile f = IniFile::Parse(
      "[Connection02]\r\nDSN01 =  dsn=sales;uid=report  \r\nSQL01=select * from t where a = 'x'\r\n"
      "EXPORT=\"c:\\out\\ｆｉｌｅ.csv\"\r\nOUTPUT=crip\r\nSQL02=東京支店\r\n");
  JobTask t;
  t.COUNTER = "left over";
  ReadJobTask(f, 2, t);
  EXPECT_EQ(t.SectionName, "CONNECTION02");
  EXPECT_EQ(t.DSN01, "dsn=sales;uid=report");
  EXPECT_EQ(t.SQL01, "select * from t where a = 'x'");
  EXPECT_EQ(t.EXPORT, "c:\\out\\ｆｉｌｅ.csv");
  EXPECT_EQ(t.OUTPUT, "CRIP");
  EXPECT_EQ(t.SQL02, "東京支店");
  EXPECT_EQ(t.COUNTER, "");
}

}  // namespace
}  // namespace kelvax
