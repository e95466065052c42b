// ResultSet over the SQLite ODBC driver: the order of release.
// Stored values, failing fetches, statements without columns and syntax errors are case files
// (tests/cases/).
#include <gtest/gtest.h>

#include <string>

#include "platform/odbc/odbc.h"
#include "tests/support/sandbox.h"

namespace kelvax::odbc {
namespace {

using test::OdbcSandbox;

std::string MakeDb(const std::string& name, const std::string& sql) {
  return OdbcSandbox::Get().CreateSqliteDb(name, sql);
}

class OdbcResultSetLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db_ = MakeDb("loop.db",
                 "CREATE TABLE t (x INTEGER);"
                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000)"
                 " INSERT INTO t SELECT i FROM n;");
    ASSERT_TRUE(env_.Open().ok());
    Status s = connection_.Open(env_, OdbcSandbox::SqliteConnect(db_), false);
    ASSERT_TRUE(s.ok()) << s.description();
  }
  std::string db_;
  Environment env_;
  Connection connection_;
};

TEST_F(OdbcResultSetLoopTest, ClosingTheConnectionFirstReleasesTheResult) {
  // The writer closes the connection and releases the environment before the result.
  ResultSet result;
  ASSERT_TRUE(result.Execute(connection_, "SELECT x FROM t").ok());
  EXPECT_TRUE(connection_.Close().ok());
  bool at_end = false;
  EXPECT_TRUE(result.AtEnd(at_end).ok());
  EXPECT_TRUE(at_end);
  env_.Release();
  result.Close();

  Environment env;
  ASSERT_TRUE(env.Open().ok());
  Connection connection;
  ASSERT_TRUE(connection.Open(env, OdbcSandbox::SqliteConnect(db_), false).ok());
  ResultSet open;
  ASSERT_TRUE(open.Execute(connection, "SELECT x FROM t").ok());
  env.Release();  // closes the connection, which closes the result
  EXPECT_FALSE(connection.is_open());
  EXPECT_TRUE(open.AtEnd(at_end).ok());
  EXPECT_TRUE(at_end);
}

}  // namespace
}  // namespace kelvax::odbc
