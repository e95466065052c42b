// A connection over unixODBC that goes with a transaction open rolls it back. Names as written,
// commits and rollbacks are case files (tests/cases/names/credentials_in_job,
// tests/cases/export/rejected_rows).
#include <gtest/gtest.h>

#include <string>

#include "platform/odbc/odbc.h"
#include "tests/support/sandbox.h"

namespace kelvax::odbc {
namespace {

using test::OdbcSandbox;

TEST(OdbcConnectionTest, ATransactionLeftOpenIsRolledBackWhenTheConnectionGoes) {
  const std::string db = OdbcSandbox::Get().CreateSqliteDb("connection.db", "CREATE TABLE t (a);");
  Environment env;
  ASSERT_TRUE(env.Open().ok());
  Connection connection;
  ASSERT_TRUE(connection.Open(env, OdbcSandbox::SqliteConnect(db), false).ok());
  ASSERT_TRUE(connection.SetAutoCommit(false).ok());
  ASSERT_TRUE(connection.ExecuteDirect("INSERT INTO t VALUES (12)").ok());
  (void)connection.Close();  // may report the open transaction; the rollback is what counts
  EXPECT_EQ(test::SqliteQuery(db, "SELECT COUNT(*) FROM t"), "0");
}

}  // namespace
}  // namespace kelvax::odbc
