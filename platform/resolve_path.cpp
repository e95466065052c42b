#include "platform/resolve_path.h"

#include <dirent.h>
#include <sys/stat.h>

#include <memory>
#include <vector>

namespace kelvax {

namespace {

struct DirCloser {
  void operator()(DIR* d) const { closedir(d); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// ASCII letters compare without case; every other byte (UTF-8 included) must be equal.
bool EqualsIgnoringAsciiCase(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (y == '\0') return false;
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return b[i] == '\0';
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
    if (EqualsIgnoringAsciiCase(name, entry->d_name)) {
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
