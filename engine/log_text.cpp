#include "engine/log_text.h"

#include <cctype>

namespace kelvax {

namespace {

bool KeyIs(const std::string& s, size_t begin, size_t end, const char* name) {
  // Trim blanks around the key, compare without regard to case.
  while (begin < end && s[begin] == ' ') ++begin;
  while (end > begin && s[end - 1] == ' ') --end;
  size_t i = 0;
  for (; name[i] && begin + i < end; ++i) {
    if (std::toupper(static_cast<unsigned char>(s[begin + i])) != name[i]) return false;
  }
  return name[i] == '\0' && begin + i == end;
}

}  // namespace

std::string MaskPassword(const std::string& cs) {
  std::string out;
  size_t pos = 0;
  while (pos < cs.size()) {
    size_t eq = cs.find('=', pos);
    size_t semi = cs.find(';', pos);
    if (eq == std::string::npos || (semi != std::string::npos && semi < eq)) {
      // A piece without a value: copy it through its ';'.
      size_t end = semi == std::string::npos ? cs.size() : semi + 1;
      out.append(cs, pos, end - pos);
      pos = end;
      continue;
    }
    bool secret = KeyIs(cs, pos, eq, "PWD") || KeyIs(cs, pos, eq, "PASSWORD");
    // The value runs to the next ';', or past a {...} block that may itself hold ';'.
    size_t v = eq + 1;
    size_t scan = v;
    while (scan < cs.size() && cs[scan] == ' ') ++scan;
    size_t end;
    if (scan < cs.size() && cs[scan] == '{') {
      size_t close = scan + 1;
      for (;;) {
        close = cs.find('}', close);
        if (close == std::string::npos) { close = cs.size(); break; }
        if (close + 1 < cs.size() && cs[close + 1] == '}') { close += 2; continue; }  // }} escapes
        ++close;
        break;
      }
      end = cs.find(';', close);
    } else {
      end = cs.find(';', v);
    }
    if (end == std::string::npos) end = cs.size();
    out.append(cs, pos, v - pos);
    if (secret) {
      out += "***";
    } else {
      out.append(cs, v, end - v);
    }
    if (end < cs.size()) out.push_back(';');
    pos = end + 1;
  }
  return out;
}

}  // namespace kelvax
