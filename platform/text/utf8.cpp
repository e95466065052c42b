#include "platform/text/utf8.h"

#include "platform/text/utf8_scan.h"

namespace kelvax {

using namespace text_scan;

bool IsValidUtf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    i += AsciiPrefix(p + i, n - i);
    while (i < n && p[i] >= 0x80) {
      if (i + 4 <= n && IsPlainThreeByte(p + i)) {
        i += 3;
        continue;
      }
      std::size_t len = ShortSequence(p + i, n - i);
      if (len == 0) {
        bool valid;
        len = Utf8Sequence(p + i, n - i, &valid);
        if (!valid) return false;
      }
      i += len;
    }
  }
  return true;
}

std::size_t DecodeUtf8(const unsigned char* p, std::size_t n, char32_t& cp) {
  bool valid = true;
  const std::size_t len = Utf8Sequence(p, n, &valid);
  if (!valid) {
    cp = 0xFFFD;
  } else if (len == 1) {
    cp = p[0];
  } else if (len == 2) {
    cp = (p[0] & 0x1F) << 6 | (p[1] & 0x3F);
  } else if (len == 3) {
    cp = (p[0] & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F);
  } else {
    cp = (p[0] & 0x07) << 18 | (p[1] & 0x3F) << 12 | (p[2] & 0x3F) << 6 | (p[3] & 0x3F);
  }
  return len;
}

std::size_t AppendRepairedUtf8(std::string_view bytes, std::string& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = 0, replaced = 0;
  while (i < n) {
    const std::size_t ascii = AsciiPrefix(p + i, n - i);
    out.append(bytes.data() + i, ascii);
    i += ascii;
    if (i == n) break;
    bool valid;
    const std::size_t len = Utf8Sequence(p + i, n - i, &valid);
    if (valid)
      out.append(bytes.data() + i, len);
    else
      out.append(kReplacementUtf8, 3), ++replaced;
    i += len;
  }
  return replaced;
}

void AppendUtf16AsUtf8(const char16_t* units, std::size_t count, std::string& out) {
  // Written through a raw pointer into room for the worst case (3 bytes a unit): this runs for
  // every text value of every row.
  const std::size_t base = out.size();
  out.resize(base + count * 3);
  char* p = out.data() + base;
  std::size_t i = 0;
  while (i < count) {
    char32_t u = units[i++];
    if (u < 0x80) {
      *p++ = static_cast<char>(u);
      continue;
    }
    if (u < 0x800) {
      *p++ = static_cast<char>(0xC0 | (u >> 6));
      *p++ = static_cast<char>(0x80 | (u & 0x3F));
      continue;
    }
    if (u >= 0xD800 && u <= 0xDBFF && i < count && units[i] >= 0xDC00 && units[i] <= 0xDFFF) {
      u = 0x10000 + ((u - 0xD800) << 10) + (units[i++] - 0xDC00);
      // Two units become four bytes: within the room of six.
      *p++ = static_cast<char>(0xF0 | (u >> 18));
      *p++ = static_cast<char>(0x80 | ((u >> 12) & 0x3F));
      *p++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      *p++ = static_cast<char>(0x80 | (u & 0x3F));
      continue;
    }
    if (u >= 0xD800 && u <= 0xDFFF) u = 0xFFFD;  // an unpaired surrogate
    *p++ = static_cast<char>(0xE0 | (u >> 12));
    *p++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    *p++ = static_cast<char>(0x80 | (u & 0x3F));
  }
  out.resize(static_cast<std::size_t>(p - out.data()));
}

}  // namespace kelvax
