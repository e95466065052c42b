// Text for standard error in the encoding of the user's locale (LC_CTYPE, LC_ALL, LANG). The
// program's text is UTF-8; a locale in another encoding (EUC-JP, Shift_JIS) gets its own bytes,
// characters it lacks as '?'. The plain C locale says nothing about the terminal, so UTF-8 goes
// out unchanged there.
#pragma once

#include <string>
#include <string_view>

namespace kelvax {

std::string ToTerminalText(std::string_view utf8);

}  // namespace kelvax
