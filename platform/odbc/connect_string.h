// Reading a connect string's KEY=value attributes, as drivers split them: at ';', a value in
// braces running to its closing brace ("}}" stands for one brace), blanks around keys dropped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelvax::odbc {

struct ConnectPair {
  std::string_view key;    // trimmed of blanks
  std::string_view value;  // as written, braces included
};

std::vector<ConnectPair> ConnectPairs(std::string_view connect_string);

// The value of the connect string's attribute `key` (any letter case) as written, braces
// included; false when the string has no such attribute.
bool FindConnectAttribute(std::string_view connect_string, std::string_view key,
                          std::string_view& value);

// A value without the blanks around it and its enclosing braces ("}}" read as "}").
std::string Unbraced(std::string_view value);

}  // namespace kelvax::odbc
