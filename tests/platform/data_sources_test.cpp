#include "platform/odbc/data_sources.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/sandbox.h"

namespace kelvax::odbc {
namespace {

using test::OdbcSandbox;

TEST(DataSourcesTest, ListsTheSandboxDsnsOnceWithTheirDriversAndTheInstalledDrivers) {
  OdbcSandbox& sandbox = OdbcSandbox::Get();
  const std::string db = sandbox.CreateSqliteDb("list.db", "CREATE TABLE t(a);");
  sandbox.AddDsn("KelvaxList", {{"Driver", "SQLite3"}, {"Database", db}});
  std::vector<DataSource> sources;
  ASSERT_TRUE(ListDataSources(sources).ok());
  EXPECT_EQ(std::count_if(sources.begin(), sources.end(),
                          [](const DataSource& d) { return d.name == "KelvaxList"; }),
            1);
  const auto it = std::find_if(sources.begin(), sources.end(),
                               [](const DataSource& d) { return d.name == "KelvaxList"; });
  ASSERT_NE(it, sources.end());
  EXPECT_EQ(it->driver, "SQLite3");

  std::vector<std::string> drivers;
  ASSERT_TRUE(ListDrivers(drivers).ok());
  EXPECT_NE(std::find(drivers.begin(), drivers.end(), "SQLite3"), drivers.end());
}

TEST(DataSourcesTest, TestConnectGivesTheCompletedStringOrTheDriversMessage) {
  OdbcSandbox& sandbox = OdbcSandbox::Get();
  const std::string db = sandbox.CreateSqliteDb("connect.db", "CREATE TABLE t(a);");
  sandbox.AddDsn("KelvaxConnect", {{"Driver", "SQLite3"}, {"Database", db}});
  std::string completed;
  ASSERT_TRUE(TestConnect("DSN=KelvaxConnect", completed).ok());
  EXPECT_NE(completed.find("DSN=KelvaxConnect"), std::string::npos) << completed;
  EXPECT_NE(completed.find(db), std::string::npos) << completed;

  const Status missing = TestConnect("DSN=KelvaxNoSuchSource", completed);
  EXPECT_FALSE(missing.ok());
  EXPECT_NE(missing.description().find("IM002"), std::string::npos) << missing.description();
  EXPECT_EQ(completed, "");
}

TEST(DataSourcesTest, AttributeValuesThatWouldSplitTheStringAreBraced) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"secret", "PWD=secret"},   {"a;b", "PWD={a;b}"},  {"x}y{", "PWD={x}}y{}"},
      {" pad", "PWD={ pad}"},     {"", "PWD="},
  };
  for (const auto& [value, expected] : cases) EXPECT_EQ(ConnectAttribute("PWD", value), expected);
}

}  // namespace
}  // namespace kelvax::odbc
