// The one ASCII upper-case, for names compared without regard to case (INI sections and keys,
// server settings). Other bytes, UTF-8 ones included, stay as they are.
#pragma once

#include <string>

namespace kelvax {

inline std::string UpperAscii(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

}  // namespace kelvax
