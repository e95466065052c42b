// The text of one row's INSERT statement.
#pragma once

#include <string>
#include <string_view>

#include "platform/quoting.h"
#include "platform/status.h"

namespace kelvax {

// How a source column's values are written, by its ODBC SQL type.
enum class InsertColumn {
  kInteger,  // integer and small integer: bare, and the trimmed text must be a plain integer
  kText,     // character types: quoted; NULL gives ''
  kOther,    // every other type: quoted; NULL gives NULL, since '' is no number, date or time
};
InsertColumn InsertColumnFor(int sql_type);

// Starts a statement: the head, then " VALUES (".
void BeginInsert(std::string& statement, const std::string& head);
// Appends one value and ", ": the trimmed text as a literal of `form`, bare in integer columns.
// A value that cannot arrive exactly (text with no literal in `form`, a non-integer in an
// integer column) appends nothing and gives the failure the row is refused with.
Status AppendInsertValue(std::string& statement, std::string_view text, bool is_null,
                         InsertColumn column, SqlLiteral form);
// Replaces the final ", " by ")".
void EndInsert(std::string& statement);

}  // namespace kelvax
