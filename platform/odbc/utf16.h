// UTF-8 to UTF-16 for the wide ODBC calls (statements, connect strings). The other direction is
// AppendUtf16AsUtf8 in platform/text/utf8.h.
#pragma once

#include <string>
#include <string_view>

namespace kelvax::odbc {

// An ill-formed UTF-8 sequence becomes U+FFFD (one per maximal ill-formed prefix).
std::u16string Utf8ToUtf16(std::string_view utf8);

}  // namespace kelvax::odbc
