// INI files with the behaviour of a Windows profile service: section and key names without
// regard to case, sections in file order, value = text after the first '=' trimmed, one pair of
// enclosing double or single quotes removed, values cut at a NUL byte (and only there: a long
// statement is read whole), ';' comment lines.
// Files are CP932, and are read as UTF-8 only on evidence CP932 cannot explain: a UTF-8 BOM, or
// bytes that are valid UTF-8 and not valid CP932. Much short text is valid in both (CF B2 C5 BD is
// ﾏｲﾅｽ in CP932 and ϲŽ in UTF-8); such a file is CP932, the format's own encoding. So is a UTF-8
// file whose every non-ASCII character happens to be valid CP932 as well ('山田' is, as 螻ｱ逕ｰ;
// most Japanese text is not, nor is any half-width katakana): a BOM makes it UTF-8.
// Values come back as UTF-8.
#pragma once

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/status.h"

namespace kelvax {

enum class IniEncoding { kCp932, kUtf8 };

// A key line as written (for checks that name what the reader ignores or does not know).
struct IniKey {
  std::string section;  // the section's name as its header wrote it
  std::string key;
  int line;                 // 1-based
  bool cut_at_nul = false;  // the value held a NUL byte and ends before it
};

// A line that is neither blank, a comment, a section header nor key=value; the reader skips
// it. `section` is empty for a line before the first section (key=value lines there included).
struct IniStrayLine {
  std::string section;
  std::string text;
  int line;
};

class IniFile {
 public:
  // Reads the file. A missing or unreadable file reads as an empty file; `exists()` tells which.
  static IniFile Load(const std::string& path);
  // Parses text already in memory (file bytes, encoding detected as for Load).
  static IniFile Parse(const std::string& bytes);

  bool exists() const { return exists_; }
  // The errno of a failed Load (ENOENT, EISDIR, EACCES ...); 0 when the file was read.
  int load_error() const { return load_error_; }
  // The encoding the file was read in (CP932 for a file of ASCII only, or none).
  IniEncoding encoding() const { return encoding_; }
  // Section names in file order, as written (duplicates listed once, at their first place).
  const std::vector<std::string>& SectionNames() const { return section_names_; }
  // The value, or the empty text when the section or key is missing.
  std::string Get(const std::string& section, const std::string& key) const;
  // Every key line inside a section, in file order.
  const std::vector<IniKey>& Keys() const { return keys_; }
  const std::vector<IniStrayLine>& StrayLines() const { return stray_lines_; }

 private:
  bool exists_ = false;
  int load_error_ = 0;
  IniEncoding encoding_ = IniEncoding::kCp932;
  std::vector<std::string> section_names_;
  // Upper-cased section, NUL, upper-cased key -> value; the first occurrence wins.
  std::unordered_map<std::string, std::string> values_;
  std::vector<IniKey> keys_;
  std::vector<IniStrayLine> stray_lines_;
};

// Writes one value: replaces the key's value in place, or adds the key (at the end of its
// section), the section (at the end of the file) or the file. Every other byte of the file stays
// as it was; new lines end in CR LF. The value is given in UTF-8 and written in the file's own
// encoding (CP932 for a new file); a UTF-8 file gains a BOM where it would otherwise read back
// as CP932. The file is replaced whole (AtomicFile); a new one is made 0600, as such files hold
// connect strings with their passwords, and an old one keeps its mode. A symbolic link at `path`
// is refused, never followed.
Status WriteIniString(const std::string& path, const std::string& section, const std::string& key,
                      const std::string& value);

// Several values of one section, each as WriteIniString writes it, in the given order, with the
// file replaced once: a reader sees all of them or none.
Status WriteIniSection(const std::string& path, const std::string& section,
                       const std::vector<std::pair<std::string, std::string>>& values);

}  // namespace kelvax
