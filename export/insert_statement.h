// The text of one row's INSERT statement.
#pragma once

#include <string>
#include <string_view>

#include "platform/status.h"

namespace kelvax {

// Starts a statement: the head, then " VALUES (".
void BeginInsert(std::string& statement, const std::string& head);
// Appends one value and ", ". Integer columns (`bare`) take the trimmed text as it is, which
// must then be a plain integer; other columns are quoted, apostrophes doubled, so a
// value can never end its literal. NULL gives NULL (bare) or ''.
Status AppendInsertValue(std::string& statement, std::string_view text, bool is_null, bool bare);
// Replaces the final ", " by ")".
void EndInsert(std::string& statement);

}  // namespace kelvax
