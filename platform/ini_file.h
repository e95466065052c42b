// INI files with the behaviour of a Windows profile service: section and key names without
// regard to case, sections in file order, value = text after the first '=' trimmed, one pair of
// enclosing double or single quotes removed, values cut to 6023 bytes, ';' comment lines.
// Files are CP932; a file that is valid UTF-8 and holds non-ASCII bytes (BOM or not) is read
// as UTF-8, since on Linux users write job files in UTF-8. Values come back as UTF-8.
#pragma once

#include <string>
#include <vector>

#include "platform/status.h"

namespace kelvax {

// Longest value a reader returns, in bytes of the file's own encoding.
constexpr std::size_t kIniValueLimit = 6023;

class IniFile {
 public:
  // Reads the file. A missing or unreadable file reads as an empty file; `exists()` tells which.
  static IniFile Load(const std::string& path);
  // Parses text already in memory (file bytes, encoding detected as for Load).
  static IniFile Parse(const std::string& bytes);

  bool exists() const { return exists_; }
  // Section names in file order, as written (duplicates listed once, at their first place).
  const std::vector<std::string>& SectionNames() const { return section_names_; }
  // The value, or the empty text when the section or key is missing.
  std::string Get(const std::string& section, const std::string& key) const;

 private:
  struct Entry {
    std::string section_upper;
    std::string key_upper;
    std::string value;
  };
  bool exists_ = false;
  std::vector<std::string> section_names_;
  std::vector<Entry> entries_;
};

// Writes one value: replaces the key's value in place, or adds the key (at the end of its
// section), the section (at the end of the file) or the file. Every other byte of the file stays
// as it was; new lines end in CR LF. The value is given in UTF-8 and written in the file's own
// encoding (CP932 for a new file).
Status WriteIniString(const std::string& path, const std::string& section,
                      const std::string& key, const std::string& value);

}  // namespace kelvax
