#include "platform/odbc/utf16.h"

#include "platform/text/utf8.h"
#include "platform/text/utf8_scan.h"

namespace kelvax::odbc {

std::u16string Utf8ToUtf16(std::string_view utf8) {
  // Never more UTF-16 units than UTF-8 bytes: the room is made once. A statement of a copy is
  // tens of kilobytes, so ASCII and three-byte sequences (Japanese) take short paths.
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const std::size_t n = utf8.size();
  std::u16string out(n, u'\0');
  char16_t* o = out.data();
  std::size_t i = 0;
  while (i < n) {
    if (p[i] < 0x80) {
      *o++ = p[i++];
      continue;
    }
    if (i + 4 <= n && text_scan::IsPlainThreeByte(p + i)) {
      *o++ = static_cast<char16_t>(text_scan::PlainThreeByte(p + i));
      i += 3;
      continue;
    }
    char32_t cp;
    i += DecodeUtf8(p + i, n - i, cp);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      *o++ = static_cast<char16_t>(0xD800 + (cp >> 10));
      *o++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      *o++ = static_cast<char16_t>(cp);
    }
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
  return out;
}

}  // namespace kelvax::odbc
