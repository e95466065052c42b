#include "platform/fs/resolve_path.h"

#include <dirent.h>
#include <locale.h>
#include <sys/stat.h>

#include <cwctype>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/text/utf8.h"

namespace kelvax {

namespace {

struct DirCloser {
  void operator()(DIR* d) const { closedir(d); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The lower-case form of a code point: Unicode's simple case mapping as the C library has it
// for UTF-8 (ASCII alone where no UTF-8 locale is installed).
char32_t Folded(char32_t cp) {
  static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  if (utf8) return static_cast<char32_t>(towlower_l(static_cast<wint_t>(cp), utf8));
  return cp >= 'A' && cp <= 'Z' ? cp - 'A' + 'a' : cp;
}

// Two UTF-8 names that differ at most in the case of their letters (Reports and REPORTS,
// Ｒｅｐｏｒｔ and ＲＥＰＯＲＴ). Bytes that are not UTF-8 must be equal.
bool EqualsIgnoringCase(const std::string& a, const char* b_text) {
  const std::string_view b(b_text);
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    char32_t x = 0, y = 0;
    const std::size_t n =
        DecodeUtf8(reinterpret_cast<const unsigned char*>(a.data()) + i, a.size() - i, x);
    const std::size_t m =
        DecodeUtf8(reinterpret_cast<const unsigned char*>(b.data()) + j, b.size() - j, y);
    const bool valid = x != 0xFFFD && y != 0xFFFD;  // else bytes: ill-formed or U+FFFD itself
    if (valid ? Folded(x) != Folded(y) : a.compare(i, n, b.substr(j, m)) != 0) return false;
    i += n;
    j += m;
  }
  return i == a.size() && j == b.size();
}

bool EntryExists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

// The one entry of `folder` that matches `name` without regard to case, or the empty text when
// there is none or more than one.
std::string UniqueMatch(const std::string& folder, const std::string& name) {
  DirHandle dir(opendir(folder.c_str()));
  if (!dir) return std::string();
  std::string found;
  int matches = 0;
  while (const dirent* entry = readdir(dir.get())) {
    if (EqualsIgnoringCase(name, entry->d_name)) {
      if (++matches > 1) return std::string();
      found = entry->d_name;
    }
  }
  return found;
}

}  // namespace

std::string ResolvePath(const std::string& path) {
  if (path.empty()) return std::string();
  const bool absolute = IsSeparator(path.front());
  const bool trailing = IsSeparator(path.back());

  std::vector<std::string> parts;
  std::size_t i = 0;
  while (i < path.size()) {
    while (i < path.size() && IsSeparator(path[i])) ++i;
    const std::size_t start = i;
    while (i < path.size() && !IsSeparator(path[i])) ++i;
    if (i > start) parts.emplace_back(path, start, i - start);
  }

  std::string result = absolute ? "/" : "";
  // The folder in which the next component is looked up; relative paths start from the
  // current directory but are returned relative.
  std::string lookup = absolute ? "/" : "./";
  bool resolving = true;
  for (std::size_t k = 0; k < parts.size(); ++k) {
    std::string part = parts[k];
    if (resolving && part != "." && part != ".." && !EntryExists(lookup + part)) {
      std::string match = UniqueMatch(lookup, part);
      if (match.empty()) {
        resolving = false;  // nothing below a missing component can be looked up
      } else {
        part = match;
      }
    }
    lookup += part + "/";
    result += part;
    if (k + 1 < parts.size()) result += '/';
  }
  if (trailing && !parts.empty()) result += '/';
  return result;
}

}  // namespace kelvax
