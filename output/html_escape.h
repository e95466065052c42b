// HTML escaping of data-source values: a value must never become markup or script.
#pragma once

#include <string>
#include <string_view>

namespace kelvax {

enum class LineBreaks { kKeep, kBr };

// Appends `text` with &, <, > and " as entities; every other byte is copied. kBr writes each line
// break (CR LF, CR or LF) as <br>, for a table cell that shows the value's lines.
void AppendHtmlEscaped(std::string& out, std::string_view text,
                       LineBreaks breaks = LineBreaks::kKeep);

}  // namespace kelvax
