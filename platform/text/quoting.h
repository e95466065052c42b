// Quoting a text by enclosing it in a quote character and doubling that character inside:
// CSV/TAB fields use '"', SQL names and SQLite's own literals use '\''. Text literals for a
// server whose escaping rules depend on its settings go through AppendSqlLiteral.
#pragma once

#include <string>
#include <string_view>

#include "platform/text/utf8.h"

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

// How a server reads a text literal.
enum class SqlLiteral {
  // '...', an apostrophe doubled; a backslash is an ordinary character.
  kStandard,
  // The MySQL family without NO_BACKSLASH_ESCAPES: a backslash starts an escape. Apostrophes
  // are doubled, backslashes doubled and NUL written \0.
  kBackslash,
  // PostgreSQL with standard_conforming_strings off: E'...' with apostrophes and backslashes
  // doubled, which reads the same whatever the setting.
  kEscapeString,
  // A server that may or may not treat a backslash as an escape (its mode could not be read):
  // standard literals, and no text holding a backslash.
  kNoBackslash,
};

// Why a text has no literal that reads back as exactly that text.
enum class LiteralFault { kNone, kInvalidText, kNul, kBackslash };

// Appends `text` as a literal of `form`. Apostrophes are doubled and backslashes, where they
// escape, doubled: the literal then ends at the same place whether the reader takes backslashes
// as escapes or not, so no text can end it early. A text with no exact literal in `form`
// appends nothing and gives its fault.
inline LiteralFault AppendSqlLiteral(std::string& out, std::string_view text, SqlLiteral form) {
  if (!IsValidUtf8(text)) return LiteralFault::kInvalidText;
  const bool escapes = form == SqlLiteral::kBackslash || form == SqlLiteral::kEscapeString;
  if (form != SqlLiteral::kBackslash && text.find('\0') != std::string_view::npos) {
    return LiteralFault::kNul;
  }
  if (form == SqlLiteral::kNoBackslash && text.find('\\') != std::string_view::npos) {
    return LiteralFault::kBackslash;
  }
  if (!escapes) {
    AppendQuoted(out, text, '\'');
    return LiteralFault::kNone;
  }
  if (form == SqlLiteral::kEscapeString) out.push_back('E');
  out.push_back('\'');
  // One pass over the bytes (find_first_of would search the three bytes once per byte).
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\'' && c != '\\' && c != '\0') continue;
    out.append(text.substr(start, i - start));
    switch (c) {
      case '\'':
        out += "''";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        out += "\\0";
        break;
    }
    start = i + 1;
  }
  out.append(text.substr(start));
  out.push_back('\'');
  return LiteralFault::kNone;
}

}  // namespace kelvax
