// Quoting of TAB and CSV fields: only where a value would split its field or its line.
#pragma once

#include <string>
#include <string_view>

namespace kelvax {

enum class Separator : char { kTab = '\t', kComma = ',' };

// Appends `value` as one field. CSV: a value holding a comma, double quote, CR or LF is quoted.
// TAB: a value holding TAB, CR or LF, or starting with a double quote, is quoted. Quoting
// doubles inner double quotes. Every other value is copied byte for byte.
void AppendField(std::string& line, std::string_view value, Separator separator);

}  // namespace kelvax
