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

// Ends a complete line. A CSV line that would be empty (one column, its value empty or NULL)
// becomes "": an empty line reads back as no field, or is skipped. A TAB line stays as it is:
// TAB readers split an empty line into one empty field.
void FinishLine(std::string& line, Separator separator);

}  // namespace kelvax
