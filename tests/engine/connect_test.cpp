// File paths inside upper-cased connect strings are found on the file system; nothing else in the
// string changes.
#include "engine/connect.h"

#include <gtest/gtest.h>

#include "engine/job_file.h"
#include "tests/support/sandbox.h"

namespace kelvax {
namespace {

TEST(ConnectPathsTest, OnlyPathValuesAreResolved) {
  const std::string dir = test::MakeTempDir("connect");
  test::WriteFileBytes(dir + "/Local.db", "");
  const std::string up = UpperCase(dir);  // as the job hands it over
  const struct {
    std::string in, out;
  } cases[] = {
      {"DRIVER=SQLITE3;DATABASE=" + up + "/LOCAL.DB;STEPAPI=1",
       "DRIVER=SQLITE3;DATABASE=" + dir + "/Local.db;STEPAPI=1"},
      {"DBQ={" + up + "/LOCAL.DB};PWD={A;B}", "DBQ={" + dir + "/Local.db};PWD={A;B}"},
      {"DSN=X;LOGFILE=" + up + "/LOCAL.DB", "DSN=X;LOGFILE=" + dir + "/Local.db"},
      {"DSN=SALES;DATABASE=SALES;UID=A", "DSN=SALES;DATABASE=SALES;UID=A"},  // a name, not a path
      {"DATABASE=" + up + "/NEW.DB", "DATABASE=" + dir + "/NEW.DB"},         // to be created: kept
  };
  for (const auto& c : cases) EXPECT_EQ(ResolveConnectPaths(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace kelvax
