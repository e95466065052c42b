#include "platform/ini/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string_view>
#include <unordered_set>

#include "platform/fs/atomic_file.h"
#include "platform/fs/fd.h"
#include "platform/text/ascii_case.h"
#include "platform/text/cp932.h"
#include "platform/text/trim.h"
#include "platform/text/utf8.h"

namespace kelvax {

namespace {

using Encoding = IniEncoding;

constexpr std::string_view kBom = "\xEF\xBB\xBF";

struct Layout {
  Encoding encoding = Encoding::kCp932;
  std::size_t body = 0;  // first byte after a UTF-8 BOM
};

// Either encoding may hold bytes that are valid in the other: only bytes CP932 cannot read
// make the file UTF-8.
Layout DetectLayout(std::string_view bytes) {
  Layout layout;
  if (bytes.substr(0, kBom.size()) == kBom) {
    layout.body = kBom.size();
    layout.encoding = Encoding::kUtf8;
  } else if (IsValidUtf8(bytes) && !IsValidCp932(bytes)) {
    layout.encoding = Encoding::kUtf8;
  }
  return layout;
}

// Length of the character at s[i]. CP932 trail bytes overlap ASCII ('[', ']', '\' ...), so a
// search for a structural character must step over whole characters.
std::size_t CharLength(std::string_view s, std::size_t i, Encoding enc) {
  if (enc == Encoding::kCp932 && IsCp932Lead(static_cast<unsigned char>(s[i])) &&
      i + 1 < s.size()) {
    return 2;
  }
  return 1;  // UTF-8 continuation bytes never equal an ASCII byte, so byte steps are safe
}

std::size_t FindChar(std::string_view s, char c, Encoding enc) {
  for (std::size_t i = 0; i < s.size(); i += CharLength(s, i, enc)) {
    if (s[i] == c) return i;
  }
  return std::string_view::npos;
}

std::string_view Trim(std::string_view s) { return TrimChars(s, " \t"); }

// A file with a BOM may still hold bytes that are not UTF-8: they become U+FFFD.
std::string ToUtf8(std::string_view s, Encoding enc) {
  if (enc == Encoding::kCp932) return FromCp932(s);
  std::string out;
  AppendRepairedUtf8(s, out);
  return out;
}

struct Line {
  enum Kind { kOther, kBlank, kComment, kSection, kKey };
  Kind kind = kOther;
  std::size_t end = 0;          // end of the text, before CR LF / LF
  std::size_t next = 0;         // start of the following line
  std::string name;             // section or key name as written, UTF-8
  std::size_t value_begin = 0;  // raw value: [value_begin, end)
};

std::vector<Line> ScanLines(std::string_view bytes, const Layout& layout) {
  std::vector<Line> lines;
  std::size_t pos = layout.body;
  while (pos < bytes.size()) {
    Line line;
    std::size_t lf = bytes.find('\n', pos);
    line.next = (lf == std::string_view::npos) ? bytes.size() : lf + 1;
    line.end = (lf == std::string_view::npos) ? bytes.size() : lf;
    if (line.end > pos && bytes[line.end - 1] == '\r') --line.end;
    const std::string_view raw = bytes.substr(pos, line.end - pos);
    const std::string_view text = Trim(raw);
    if (text.empty()) {
      line.kind = Line::kBlank;
    } else if (text.front() == ';') {
      line.kind = Line::kComment;
    } else if (text.front() == '[') {
      const std::string_view inner = text.substr(1);
      const std::size_t close = FindChar(inner, ']', layout.encoding);
      line.kind = Line::kSection;
      line.name = ToUtf8(Trim(inner.substr(0, close)), layout.encoding);
    } else {
      const std::size_t eq = FindChar(raw, '=', layout.encoding);
      if (eq != std::string_view::npos) {
        line.kind = Line::kKey;
        line.name = ToUtf8(Trim(raw.substr(0, eq)), layout.encoding);
        line.value_begin = pos + eq + 1;
      }
    }
    lines.push_back(std::move(line));
    pos = lines.back().next;
  }
  return lines;
}

// Reads a whole file (`flags` added to the open's); returns 0 or the errno of the failure.
int ReadWholeFile(const std::string& path, std::string* bytes, int flags = 0) {
  Fd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | flags));
  if (fd.get() < 0) return errno;
  bytes->clear();
  char buf[65536];
  int err = 0;
  for (;;) {
    const ssize_t n = read(fd.get(), buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      break;
    }
    if (n == 0) break;
    bytes->append(buf, static_cast<std::size_t>(n));
  }
  return err;
}

// Replaces the file at `path` by `bytes` through a temporary file in the same folder, so that
// readers and a crash see either the old file or the new one, never a part.
// A new file is readable by its owner alone; an old one keeps its mode.
Status ReplaceFile(const std::string& path, const std::string& bytes) {
  struct stat st;
  const bool existed = lstat(path.c_str(), &st) == 0;
  AtomicFile file;
  Status status = file.Create(path, existed ? (st.st_mode & 07777) : 0600);
  if (status) status = file.Write(bytes);
  if (status) status = file.Commit();
  return status;
}

std::string SectionKey(const std::string& section_upper, const std::string& key_upper) {
  std::string k;
  k.reserve(section_upper.size() + 1 + key_upper.size());
  k += section_upper;
  k += '\0';
  k += key_upper;
  return k;
}

bool HasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

}  // namespace

IniFile IniFile::Load(const std::string& path) {
  std::string bytes;
  if (const int err = ReadWholeFile(path, &bytes); err != 0) {
    IniFile missing;
    missing.load_error_ = err;
    return missing;
  }
  IniFile ini = Parse(bytes);
  ini.exists_ = true;
  return ini;
}

IniFile IniFile::Parse(const std::string& bytes) {
  IniFile ini;
  const Layout layout = DetectLayout(bytes);
  ini.encoding_ = layout.encoding;
  const std::vector<Line> lines = ScanLines(bytes, layout);
  bool in_section = false;
  std::string section;  // as written
  std::string section_upper;
  std::unordered_set<std::string> seen;  // upper-cased names, so that reading stays linear
  std::size_t line_start = layout.body;
  int number = 0;
  for (const Line& line : lines) {
    ++number;
    if (line.kind == Line::kSection) {
      in_section = true;
      section = line.name;
      section_upper = UpperAscii(line.name);
      if (seen.insert(section_upper).second) ini.section_names_.push_back(line.name);
    } else if (line.kind == Line::kKey && in_section) {
      std::string_view value =
          Trim(std::string_view(bytes).substr(line.value_begin, line.end - line.value_begin));
      if (value.size() >= 2 && value.front() == value.back() &&
          (value.front() == '"' || value.front() == '\'')) {
        value = value.substr(1, value.size() - 2);
      }
      // Every reader sees the value a C string would hold; the key line says it was cut.
      const std::size_t nul = value.find('\0');
      if (nul != std::string_view::npos) value = value.substr(0, nul);
      ini.values_.emplace(SectionKey(section_upper, UpperAscii(line.name)),
                          ToUtf8(value, layout.encoding));
      ini.keys_.push_back({section, line.name, number, nul != std::string_view::npos});
    } else if (line.kind == Line::kOther || line.kind == Line::kKey) {
      const std::string_view raw =
          std::string_view(bytes).substr(line_start, line.end - line_start);
      ini.stray_lines_.push_back(
          {in_section ? section : std::string(), ToUtf8(Trim(raw), layout.encoding), number});
    }
    line_start = line.next;
  }
  return ini;
}

std::string IniFile::Get(const std::string& section, const std::string& key) const {
  const auto it = values_.find(SectionKey(UpperAscii(section), UpperAscii(key)));
  return it == values_.end() ? std::string() : it->second;
}

namespace {

// A line break, or a name that cannot be read back as the same name, would change the structure
// of the file instead of one value.
bool WritableName(const std::string& section, const std::string& key, const std::string& value) {
  return !(HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) ||
           section.find(']') != std::string::npos || key.find('=') != std::string::npos ||
           Trim(key).empty() || Trim(key).front() == ';' || Trim(key).front() == '[');
}

// Sets one value in the file's bytes: in place, or a new key at the end of its section, or a new
// section at the end of the file.
void SetValue(std::string& bytes, const Layout& layout, const std::string& section,
              const std::string& key, const std::string& value) {
  auto encode = [&](const std::string& text) {
    return layout.encoding == Encoding::kUtf8 ? text : ToCp932(text);
  };
  const std::string pair = encode(key) + "=" + encode(value);
  const std::vector<Line> lines = ScanLines(bytes, layout);
  const std::string section_upper = UpperAscii(section);
  const std::string key_upper = UpperAscii(key);

  std::size_t header = lines.size();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].kind == Line::kSection && UpperAscii(lines[i].name) == section_upper) {
      header = i;
      break;
    }
  }

  if (header == lines.size()) {
    if (bytes.size() > layout.body && bytes.back() != '\n') bytes += "\r\n";
    bytes += "[" + encode(section) + "]\r\n" + pair + "\r\n";
    return;
  }

  std::size_t last = header;  // last non-blank line of the section
  for (std::size_t i = header + 1; i < lines.size() && lines[i].kind != Line::kSection; ++i) {
    const Line& line = lines[i];
    if (line.kind == Line::kKey && UpperAscii(line.name) == key_upper) {
      bytes.replace(line.value_begin, line.end - line.value_begin, encode(value));
      return;
    }
    if (line.kind != Line::kBlank) last = i;
  }
  const Line& after = lines[last];
  std::string insert = pair + "\r\n";
  if (bytes[after.next - 1] != '\n') insert = "\r\n" + insert;  // the last line had no line end
  bytes.insert(after.next, insert);
}

}  // namespace

Status WriteIniString(const std::string& path, const std::string& section, const std::string& key,
                      const std::string& value) {
  return WriteIniSection(path, section, {{key, value}});
}

Status WriteIniSection(const std::string& path, const std::string& section,
                       const std::vector<std::pair<std::string, std::string>>& values) {
  for (const auto& [key, value] : values) {
    if (!WritableName(section, key, value)) {
      return Status::Error(StatusCode::kInvalidArgument,
                           "invalid INI section, key or value for " + path);
    }
  }
  // A link is not written through: someone who planted it would have us change the file it
  // names. Nor is it replaced, which would cut what the user linked.
  std::string bytes;
  const int err = ReadWholeFile(path, &bytes, O_NOFOLLOW | O_NONBLOCK);
  if (err == ELOOP) {
    return Status::Error(StatusCode::kPermissionDenied,
                         path + " is a symbolic link; settings are not written through one");
  }
  if (err != 0 && err != ENOENT) return ErrnoStatus(err, path);

  const Layout layout = DetectLayout(bytes);
  for (const auto& [key, value] : values) SetValue(bytes, layout, section, key, value);
  // A UTF-8 file without a BOM whose new bytes would all be valid CP932 would read back as
  // CP932: the BOM keeps it UTF-8.
  if (layout.encoding == Encoding::kUtf8 && layout.body == 0 &&
      DetectLayout(bytes).encoding != Encoding::kUtf8) {
    bytes.insert(0, kBom);
  }
  return ReplaceFile(path, bytes);
}

}  // namespace kelvax
