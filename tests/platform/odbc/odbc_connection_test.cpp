// Connections over unixODBC: names as written, transactions, a closed connection. A data source
// that is not there and a failing statement are case files (tests/cases/output/task_failures).
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "engine/failure_text.h"
#include "platform/odbc/odbc.h"
#include "tests/support/drivers.h"
#include "tests/support/sandbox.h"

namespace kelvax::odbc {
namespace {

using test::OdbcSandbox;

class OdbcConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db_ = OdbcSandbox::Get().CreateSqliteDb("connection.db",
                                            "CREATE TABLE t (a INTEGER, b TEXT);"
                                            "INSERT INTO t VALUES (1, 'one');");
    ASSERT_TRUE(env_.Open().ok());
  }
  std::string db_;
  Environment env_;
};

TEST_F(OdbcConnectionTest, DataSourceNamedInMixedCaseConnects) {
  // The connect string goes to the driver manager exactly as written.
  OdbcSandbox::Get().AddDsn("SalesMixedCase",
                            {{"Driver", "SQLite3"}, {"Database", db_}, {"StepAPI", "1"}});
  Connection connection;
  Status s = connection.Open(env_, "DSN=SalesMixedCase", false);
  ASSERT_TRUE(s.ok()) << s.description();
  ResultSet result;
  ASSERT_TRUE(result.Execute(connection, "SELECT b FROM t").ok());
  std::optional<std::string> text;
  ASSERT_TRUE(test::ReadText(result, 0, text).ok());
  EXPECT_EQ(text, "one");
}

TEST_F(OdbcConnectionTest, TransactionsCommitAndRollBack) {
  Connection connection;
  ASSERT_TRUE(connection.Open(env_, OdbcSandbox::SqliteConnect(db_), false).ok());
  EXPECT_TRUE(connection.SupportsTransactions());
  ASSERT_TRUE(connection.SetAutoCommit(false).ok());
  ASSERT_TRUE(connection.ExecuteDirect("INSERT INTO t VALUES (10, 'gone')").ok());
  ASSERT_TRUE(connection.Rollback().ok());
  ASSERT_TRUE(connection.ExecuteDirect("INSERT INTO t VALUES (11, 'kept')").ok());
  ASSERT_TRUE(connection.Commit().ok());
  EXPECT_EQ(test::SqliteQuery(db_, "SELECT b FROM t WHERE a >= 10"), "kept");
  // A transaction left open is rolled back when the connection goes.
  ASSERT_TRUE(connection.ExecuteDirect("INSERT INTO t VALUES (12, 'open')").ok());
  (void)connection.Close();  // may report the open transaction; the rollback is what counts
  EXPECT_EQ(test::SqliteQuery(db_, "SELECT COUNT(*) FROM t WHERE a = 12"), "0");
}

TEST_F(OdbcConnectionTest, ActionsOnAClosedConnectionFail) {
  Connection connection;
  Status s = connection.Close();
  EXPECT_FALSE(s.ok());
  EXPECT_EQ(RecordNumber(s), 40008);
  EXPECT_EQ(s.description(), "[08003] Connection not open");
  EXPECT_EQ(s.sqlstate(), "08003");
  EXPECT_FALSE(connection.ExecuteDirect("SELECT 1").ok());
  EXPECT_FALSE(connection.SupportsTransactions());
  ResultSet result;
  EXPECT_FALSE(result.Execute(connection, "SELECT 1").ok());
  EXPECT_EQ(result.ColumnCount(), 0);

  ASSERT_TRUE(connection.Open(env_, OdbcSandbox::SqliteConnect(db_), false).ok());
  EXPECT_TRUE(connection.Close().ok());
  EXPECT_FALSE(connection.Close().ok());
}

}  // namespace
}  // namespace kelvax::odbc
