#include "platform/odbc/connect_string.h"

#include <strings.h>

#include <algorithm>

namespace kelvax::odbc {

std::vector<ConnectPair> ConnectPairs(std::string_view text) {
  std::vector<ConnectPair> pairs;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t eq = text.find('=', i);
    if (eq == std::string_view::npos) break;
    std::string_view key = text.substr(i, eq - i);
    while (!key.empty() && (key.front() == ' ' || key.front() == ';')) key.remove_prefix(1);
    while (!key.empty() && key.back() == ' ') key.remove_suffix(1);
    // The value: up to the next ';', or a braced one to its closing brace ("}}" is a brace).
    std::size_t end = eq + 1;
    while (end < text.size() && text[end] == ' ') ++end;
    if (end < text.size() && text[end] == '{') {
      for (++end; end < text.size(); ++end) {
        if (text[end] != '}') continue;
        if (end + 1 < text.size() && text[end + 1] == '}') {
          ++end;
          continue;
        }
        break;
      }
    }
    end = std::min(text.find(';', end), text.size());
    pairs.push_back({key, text.substr(eq + 1, end - eq - 1)});
    i = end + 1;
  }
  return pairs;
}

bool FindConnectAttribute(std::string_view text, std::string_view wanted, std::string_view& value) {
  for (const ConnectPair& p : ConnectPairs(text)) {
    if (p.key.size() == wanted.size() &&
        strncasecmp(p.key.data(), wanted.data(), p.key.size()) == 0) {
      value = p.value;
      return true;
    }
  }
  return false;
}

std::string Unbraced(std::string_view value) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!value.empty() && blank(value.front())) value.remove_prefix(1);
  while (!value.empty() && blank(value.back())) value.remove_suffix(1);
  if (value.size() < 2 || value.front() != '{' || value.back() != '}') return std::string(value);
  std::string out;
  for (std::size_t i = 1; i + 1 < value.size(); ++i) {
    out += value[i];
    if (value[i] == '}' && value[i + 1] == '}') ++i;
  }
  return out;
}

}  // namespace kelvax::odbc
