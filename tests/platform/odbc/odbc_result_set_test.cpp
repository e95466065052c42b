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

// The writer closes the connection and releases the environment before the result; a
// connection released with its environment closes its open result.
TEST(OdbcResultSetTest, ClosingTheConnectionFirstReleasesTheResult) {
  const std::string db = OdbcSandbox::Get().CreateSqliteDb(
      "loop.db",
      "CREATE TABLE t (x INTEGER);"
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000)"
      " INSERT INTO t SELECT i FROM n;");
  for (bool close_first : {true, false}) {
    Environment env;
    ASSERT_TRUE(env.Open().ok());
    Connection connection;
    ASSERT_TRUE(connection.Open(env, OdbcSandbox::SqliteConnect(db), false).ok());
    ResultSet result;
    ASSERT_TRUE(result.Execute(connection, "SELECT x FROM t").ok());
    if (close_first) {
      EXPECT_TRUE(connection.Close().ok());
    }
    env.Release();
    EXPECT_FALSE(connection.is_open());
    bool at_end = false;
    EXPECT_TRUE(result.AtEnd(at_end).ok());
    EXPECT_TRUE(at_end);
    result.Close();
  }
}

}  // namespace
}  // namespace kelvax::odbc
