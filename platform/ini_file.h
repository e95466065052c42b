// INI files with the behaviour of a Windows profile service: section and key names without
// regard to case, sections in file order, value = text after the first '=' trimmed, one pair of
// enclosing double or single quotes removed, values cut at a NUL byte (and only there: a long
// statement is read whole), ';' comment lines.
// Files are CP932; a file that is valid UTF-8 and holds non-ASCII bytes (BOM or not) is read
// as UTF-8, since on Linux users write job files in UTF-8. Values come back as UTF-8.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "platform/status.h"

namespace kelvax {

// A key line as written (for checks that name what the reader ignores or does not know).
struct IniKey {
  std::string section;  // the section's name as its header wrote it
  std::string key;
  int line;  // 1-based
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
  std::vector<std::string> section_names_;
  // Upper-cased section, NUL, upper-cased key -> value; the first occurrence wins.
  std::unordered_map<std::string, std::string> values_;
  std::vector<IniKey> keys_;
  std::vector<IniStrayLine> stray_lines_;
};

// Writes one value: replaces the key's value in place, or adds the key (at the end of its
// section), the section (at the end of the file) or the file. Every other byte of the file stays
// as it was; new lines end in CR LF. The value is given in UTF-8 and written in the file's own
// encoding (CP932 for a new file).
Status WriteIniString(const std::string& path, const std::string& section,
                      const std::string& key, const std::string& value);

}  // namespace kelvax
