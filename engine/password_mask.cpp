#include "engine/password_mask.h"

#include <algorithm>
#include <cctype>

#include "platform/odbc/connect_string.h"

namespace kelvax {

namespace {

constexpr size_t kShortestLiteral = 4;

bool IsKeyChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return std::isalnum(u) || c == '_';
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool EndsValue(char c) { return c == ';' || c == '\r' || c == '\n'; }

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

bool NamesPassword(std::string_view key) {
  std::string upper(key);
  std::transform(upper.begin(), upper.end(), upper.begin(), Upper);
  // PASSWORD and PASSWD both hold neither PWD nor each other.
  return upper.find("PWD") != std::string::npos || upper.find("PASSW") != std::string::npos;
}

// One password value found in a text: [begin, end) is what becomes ***.
struct Secret {
  size_t key = 0;    // start of the key
  size_t begin = 0;  // just after '='
  size_t end = 0;
};

size_t LineEnd(std::string_view t, size_t from) {
  while (from < t.size() && t[from] != '\r' && t[from] != '\n') ++from;
  return from;
}

// The value starting at `v`: to ';' or the line's end; a {...} value to its closing brace
// ("}}" inside stands for one brace) and on to ';'. A brace that never closes runs to the line's
// end, as a driver would read the rest as the value.
size_t ValueEnd(std::string_view t, size_t v) {
  size_t i = v;
  while (i < t.size() && IsBlank(t[i])) ++i;
  if (i < t.size() && t[i] == '{') {
    const size_t line_end = LineEnd(t, i);
    size_t close = i + 1;
    for (; close < line_end; ++close) {
      if (t[close] != '}') continue;
      if (close + 1 < line_end && t[close + 1] == '}') {
        ++close;
        continue;
      }
      break;
    }
    if (close >= line_end) return line_end;
    i = close + 1;
  }
  while (i < t.size() && !EndsValue(t[i])) ++i;
  return i;
}

// The next password value at or after `from`, or false.
bool NextSecret(std::string_view t, size_t from, Secret& found) {
  size_t i = from;
  while (i < t.size()) {
    if (!IsKeyChar(t[i]) || (i > 0 && IsKeyChar(t[i - 1]))) {
      ++i;
      continue;
    }
    size_t key_end = i;
    while (key_end < t.size() && IsKeyChar(t[key_end])) ++key_end;
    size_t eq = key_end;
    while (eq < t.size() && IsBlank(t[eq])) ++eq;
    if (eq < t.size() && t[eq] == '=' && NamesPassword(t.substr(i, key_end - i))) {
      found = {i, eq + 1, ValueEnd(t, eq + 1)};
      return true;
    }
    i = key_end;
  }
  return false;
}

// `text` with every occurrence of `value` (ASCII letters in any case) replaced by ***.
std::string HideLiteral(const std::string& text, const std::string& value) {
  auto same = [](char a, char b) { return Upper(a) == Upper(b); };
  std::string out;
  size_t done = 0;
  for (;;) {
    auto hit = std::search(text.begin() + static_cast<std::ptrdiff_t>(done), text.end(),
                           value.begin(), value.end(), same);
    if (hit == text.end()) break;
    const size_t at = static_cast<size_t>(hit - text.begin());
    out.append(text, done, at - done);
    out += "***";
    done = at + value.size();
  }
  if (done == 0) return text;
  out.append(text, done, std::string::npos);
  return out;
}

}  // namespace

std::string MaskPassword(std::string_view text, const std::vector<std::string>& literals) {
  std::string out;
  out.reserve(text.size());
  size_t done = 0;
  Secret s;
  while (NextSecret(text, done, s)) {
    out.append(text, done, s.begin - done);
    out += "***";
    done = s.end;
  }
  out.append(text, done, std::string_view::npos);
  for (const std::string& value : literals) {
    if (value.size() >= kShortestLiteral && value != "***") out = HideLiteral(out, value);
  }
  return out;
}

std::vector<std::string> PasswordsIn(std::string_view text) {
  std::vector<std::string> out;
  size_t from = 0;
  Secret s;
  while (NextSecret(text, from, s)) {
    std::string value = odbc::Unbraced(text.substr(s.begin, s.end - s.begin));
    if (!value.empty()) out.push_back(std::move(value));
    from = s.end;
  }
  return out;
}

}  // namespace kelvax
