// The statement that counts the rows of a task's statement, for COUNTER=ON.
#pragma once

#include <string>

namespace kelvax {

// "SELECT COUNT(*) " followed by `statement` from its FROM (the word FROM outside parentheses,
// quotes and comments, in any case), where that counts the rows the statement returns: a plain
// select-from-where. Where it would not (DISTINCT, GROUP BY, HAVING, UNION and the like, LIMIT,
// OFFSET, TOP, FETCH, a WITH, no FROM), or would fail (ORDER BY on a server that wants every
// ordered column grouped), the statement is counted as a derived table instead:
// "SELECT COUNT(*) FROM (statement) KX_ROWS", its trailing ';' dropped.
std::string RowCountStatement(const std::string& statement);

}  // namespace kelvax
