// The one trim: `s` without any of `chars` at either end. Job values and typed fields lose
// spaces only (tabs stay); INI lines and connect-string keys lose spaces and tabs.
#pragma once

#include <string_view>

namespace kelvax {

inline std::string_view TrimChars(std::string_view s, std::string_view chars) {
  const size_t b = s.find_first_not_of(chars);
  if (b == std::string_view::npos) return {};
  return s.substr(b, s.find_last_not_of(chars) - b + 1);
}

}  // namespace kelvax
