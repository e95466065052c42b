// The count statement COUNTER=ON derives: the cut form where it counts the same rows, the
// statement as a derived table elsewhere. That it succeeds on every engine is a case file
// (tests/cases/names/count_with_order_by).
#include "engine/row_count.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace kelvax
