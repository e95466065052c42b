// Quoting a text by enclosing it in a quote character and doubling that character inside:
// CSV/TAB fields use '"', SQL literals use '\''.
#pragma once

#include <string>
#include <string_view>

namespace kelvax {

inline void AppendQuoted(std::string& out, std::string_view text, char quote) {
  out.push_back(quote);
  size_t start = 0;
  for (size_t q = text.find(quote); q != std::string_view::npos; q = text.find(quote, start)) {
    out.append(text.substr(start, q + 1 - start));
    out.push_back(quote);
    start = q + 1;
  }
  out.append(text.substr(start));
  out.push_back(quote);
}

}  // namespace kelvax
