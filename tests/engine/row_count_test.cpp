// The count statement COUNTER=ON derives: the cut form where it counts the same rows, the
// statement as a derived table elsewhere; on every engine it succeeds and gives the number of
// rows the statement itself returns, as the engine's own client counts them.
#include "engine/row_count.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/support/drivers.h"

namespace kelvax {
namespace {

std::string Derived(const std::string& statement) {
  return "SELECT COUNT(*) FROM (" + statement + "\n) KX_ROWS";
}

TEST(RowCountTest, TheCutFormOnlyWhereItCountsTheSameRows) {
  const std::pair<std::string, std::string> cases[] = {
      {"select a from t where b = 1", "SELECT COUNT(*) from t where b = 1"},
      {"SELECT FROMDATE FROM T", "SELECT COUNT(*) FROM T"},
      {"SELECT 'x from y', \"from\" FROM T -- from z", "SELECT COUNT(*) FROM T -- from z"},
      {"SELECT (SELECT MAX(a) FROM u) FROM T", "SELECT COUNT(*) FROM T"},
      {"SELECT a FROM (SELECT a FROM t GROUP BY a) s",
       "SELECT COUNT(*) FROM (SELECT a FROM t GROUP BY a) s"},
      {"SELECT a FROM t ORDER BY a", Derived("SELECT a FROM t ORDER BY a")},
      {"SELECT DISTINCT a FROM t", Derived("SELECT DISTINCT a FROM t")},
      {"SELECT a, COUNT(*) FROM t GROUP BY a", Derived("SELECT a, COUNT(*) FROM t GROUP BY a")},
      {"SELECT a FROM t UNION SELECT a FROM u;  ",
       Derived("SELECT a FROM t UNION SELECT a FROM u")},
      {"SELECT a FROM t LIMIT 2 -- first two", Derived("SELECT a FROM t LIMIT 2 -- first two")},
      {"WITH w AS (SELECT 1 AS a) SELECT a FROM w",
       Derived("WITH w AS (SELECT 1 AS a) SELECT a FROM w")},
      {"SELECT 1", Derived("SELECT 1")},
      {"EXEC P", Derived("EXEC P")},
  };
  for (const auto& [statement, count] : cases)
    EXPECT_EQ(RowCountStatement(statement), count) << statement;
}

class RowCountOnEngineTest : public test::DriverTest {};

TEST_P(RowCountOnEngineTest, TheCountSucceedsAndCountsTheStatementsRows) {
  driver_->Exec(
      "CREATE TABLE RC (ID INTEGER, GRP INTEGER, FROMDATE DATE);"
      "INSERT INTO RC VALUES (1, 1, '2001-10-28'), (2, 1, '2001-10-28'), (3, 2, NULL),"
      " (4, 3, NULL), (5, 3, '2001-10-27');");
  const std::string statements[] = {
      "SELECT ID, FROMDATE FROM RC WHERE GRP < 3 ORDER BY ID",
      "SELECT GRP, COUNT(*) FROM RC GROUP BY GRP",
      "SELECT DISTINCT GRP FROM RC",
      "SELECT ID FROM RC WHERE GRP = 1 UNION SELECT ID FROM RC WHERE GRP = 3",
      "SELECT ID FROM RC ORDER BY ID LIMIT 2",
      "SELECT ID FROM RC WHERE ID IN (SELECT ID FROM RC WHERE GRP = 3);",
      "SELECT FROMDATE FROM RC",
      "SELECT 1 AS ONE",
  };
  for (const std::string& statement : statements) {
    const std::string rows = driver_->QueryRows(statement);
    const auto expected = rows.empty() ? 0 : std::count(rows.begin(), rows.end(), '\n') + 1;
    EXPECT_EQ(driver_->QueryRows(RowCountStatement(statement)), std::to_string(expected))
        << statement;
  }
}

KELVAX_PER_DRIVER(RowCountOnEngineTest);

}  // namespace
}  // namespace kelvax
