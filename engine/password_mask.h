// The one function that keeps passwords out of the run log and off standard error.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelvax {

// `text` with every password hidden: a connect string, a driver's message, a whole record.
// A key is a run of letters, digits and '_' that holds PWD, PASSWD or PASSWORD in any case
// (SSLPASSWORD and OLDPWD too); blanks and TABs may stand before its '='. Its value becomes ***:
// up to the next ';' or the line's end, a {...} value to its closing brace first, so braces that
// never close, keys inside another key's braces and values in the middle of a message are all
// covered. Then every occurrence (any case) of the given literal values is hidden as well;
// values shorter than four characters are skipped, as masking them would wreck the time
// stamps. Masking an already masked text changes nothing.
std::string MaskPassword(std::string_view text, const std::vector<std::string>& literals = {});

// The password values `text` holds, as MaskPassword finds them: blanks around a value and its
// braces removed ("}}" read as "}"). Empty values are left out.
std::vector<std::string> PasswordsIn(std::string_view text);

}  // namespace kelvax
