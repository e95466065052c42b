#include "output/html_escape.h"

#include "output/byte_scan.h"

namespace kelvax {

namespace {

bool MayEscape(unsigned char c) {
  return c == '&' || c == '<' || c == '>' || c == '"' || c == '\r' || c == '\n';
}

// The first byte at or after `i` that may be escaped; words holding none of them (CR and LF are
// below 0x20) are passed eight bytes at a time.
std::size_t NextToEscape(const unsigned char* p, std::size_t n, std::size_t i) {
  while (i < n) {
    if (i + 8 <= n) {
      const std::uint64_t w = LoadWord(p + i);
      if (!(HasByteBelow(w, 0x20) | HasByte(w, '&') | HasByte(w, '<') | HasByte(w, '>') |
            HasByte(w, '"'))) {
        i += 8;
        continue;
      }
    }
    if (MayEscape(p[i])) return i;
    ++i;
  }
  return n;
}

}  // namespace

void AppendHtmlEscaped(std::string& out, std::string_view text, LineBreaks breaks) {
  const bool br = breaks == LineBreaks::kBr;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  std::size_t start = 0;
  for (std::size_t i = NextToEscape(p, n, 0); i < n; i = NextToEscape(p, n, i + 1)) {
    const char* entity = nullptr;
    switch (text[i]) {
      case '&':
        entity = "&amp;";
        break;
      case '<':
        entity = "&lt;";
        break;
      case '>':
        entity = "&gt;";
        break;
      case '"':
        entity = "&quot;";
        break;
      case '\r':
      case '\n':
        if (!br) continue;
        entity = "<br>";
        break;
      default:
        continue;
    }
    out.append(text.substr(start, i - start));
    out += entity;
    if (text[i] == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;  // CR LF is one break
    start = i + 1;
  }
  out.append(text.substr(start));
}

}  // namespace kelvax
