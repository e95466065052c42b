#include "engine/row_count.h"

#include <cctype>
#include <string_view>
#include <vector>

namespace kelvax {

namespace {

bool IsWordChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' ||
         static_cast<unsigned char>(c) >= 0x80;
}

// The words of `statement` outside parentheses, quotes and comments, upper-cased, with the
// position of each.
struct Word {
  std::string text;
  std::size_t at;
};

std::vector<Word> TopLevelWords(const std::string& s) {
  std::vector<Word> words;
  int depth = 0;
  std::size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    if (c == '\'' || c == '"' || c == '`') {  // a literal or quoted name, its quote doubled inside
      for (++i; i < s.size(); ++i) {
        if (s[i] == c) {
          if (i + 1 < s.size() && s[i + 1] == c) {
            ++i;
            continue;
          }
          break;
        }
      }
      ++i;
    } else if (c == '[') {
      const std::size_t end = s.find(']', i);
      i = end == std::string::npos ? s.size() : end + 1;
    } else if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
      const std::size_t end = s.find('\n', i);
      i = end == std::string::npos ? s.size() : end + 1;
    } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
      const std::size_t end = s.find("*/", i + 2);
      i = end == std::string::npos ? s.size() : end + 2;
    } else if (c == '(') {
      ++depth;
      ++i;
    } else if (c == ')') {
      --depth;
      ++i;
    } else if (IsWordChar(c)) {
      const std::size_t start = i;
      while (i < s.size() && IsWordChar(s[i])) ++i;
      if (depth == 0) {
        std::string word = s.substr(start, i - start);
        for (char& ch : word) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        words.push_back({std::move(word), start});
      }
    } else {
      ++i;
    }
  }
  return words;
}

// Words after which the cut form no longer counts the statement's rows.
bool ChangesTheCount(const std::string& word) {
  static const std::string_view kWords[] = {
      "DISTINCT", "GROUP", "HAVING", "UNION", "INTERSECT", "EXCEPT", "MINUS", "LIMIT",  "OFFSET",
      "FETCH",    "TOP",   "WINDOW", "ORDER", "WITH",      "INTO",   "FOR",   "QUALIFY"};
  for (std::string_view w : kWords) {
    if (word == w) return true;
  }
  return false;
}

std::string WithoutTrailingSemicolons(std::string s) {
  for (;;) {
    const std::size_t end = s.find_last_not_of(" \t\r\n");
    if (end == std::string::npos) return std::string();
    if (s[end] != ';') return s.substr(0, end + 1);
    s.resize(end);
  }
}

}  // namespace

std::string RowCountStatement(const std::string& statement) {
  const std::vector<Word> words = TopLevelWords(statement);
  std::size_t from = std::string::npos;
  bool plain = !words.empty() && words.front().text == "SELECT";
  for (const Word& w : words) {
    if (ChangesTheCount(w.text)) plain = false;
    if (w.text == "FROM" && from == std::string::npos) from = w.at;
  }
  if (plain && from != std::string::npos) return "SELECT COUNT(*) " + statement.substr(from);
  // A line break before the parenthesis, so that a trailing -- comment ends before it.
  return "SELECT COUNT(*) FROM (" + WithoutTrailingSemicolons(statement) + "\n) KX_ROWS";
}

}  // namespace kelvax
