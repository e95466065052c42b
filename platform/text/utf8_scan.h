// The byte-level UTF-8 scanning the text codecs share (the UTF-8 checks, the CP932 encoder and
// the UTF-16 encoder of the wide ODBC calls): small enough to be inlined in their per-character
// loops. Not for use outside those codecs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace kelvax::text_scan {

inline constexpr char kReplacementUtf8[] = "\xEF\xBF\xBD";  // U+FFFD

// Number of leading ASCII bytes, eight at a time where possible.
inline std::size_t AsciiPrefix(const unsigned char* p, std::size_t n) {
  std::size_t i = 0;
  while (i + 8 <= n) {
    std::uint64_t word;
    std::memcpy(&word, p + i, 8);
    if (word & 0x8080808080808080ULL) break;
    i += 8;
  }
  while (i < n && p[i] < 0x80) ++i;
  return i;
}

// The UTF-8 sequence starting at p: returns its length and sets *valid when it is well-formed;
// otherwise returns the length of its maximal ill-formed prefix (at least 1), which becomes one
// replacement character.
inline std::size_t Utf8Sequence(const unsigned char* p, std::size_t n, bool* valid) {
  const unsigned c = p[0];
  std::size_t need;
  unsigned lo = 0x80, hi = 0xBF;
  if (c < 0x80) {
    *valid = true;
    return 1;
  } else if (c >= 0xC2 && c <= 0xDF) {
    need = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    need = 3;
    if (c == 0xE0) lo = 0xA0;  // overlong
    if (c == 0xED) hi = 0x9F;  // surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    need = 4;
    if (c == 0xF0) lo = 0x90;  // overlong
    if (c == 0xF4) hi = 0x8F;  // above U+10FFFF
  } else {
    *valid = false;
    return 1;
  }
  std::size_t i = 1;
  for (; i < need && i < n; ++i) {
    const unsigned b = p[i];
    if (i == 1 ? (b < lo || b > hi) : (b & 0xC0) != 0x80) break;
  }
  *valid = (i == need);
  return i;
}

// The length of a well-formed two- or three-byte sequence at p, or 0 for anything else (which
// Utf8Sequence then sorts out). Small enough to be inlined in the per-character loops, where
// Japanese text is almost all three-byte sequences.
inline std::size_t ShortSequence(const unsigned char* p, std::size_t n) {
  const unsigned c = p[0];
  if (c >= 0xC2 && c <= 0xDF) return n >= 2 && (p[1] & 0xC0) == 0x80 ? 2 : 0;
  if (c >= 0xE1 && c <= 0xEF && c != 0xED) {  // E0 and ED narrow the second byte's range
    return n >= 3 && (p[1] & 0xC0) == 0x80 && (p[2] & 0xC0) == 0x80 ? 3 : 0;
  }
  return 0;
}

// Whether the four bytes at p start with a three-byte sequence that is well-formed whatever its
// bytes' values (lead E1..EF but ED, two continuation bytes), tested with one load: Japanese
// text is runs of these. The fourth byte is read, not tested.
inline bool IsPlainThreeByte(const unsigned char* p) {
  std::uint32_t w;
  std::memcpy(&w, p, 4);
  const unsigned lead = w & 0xFF;
  return (w & 0xC0C0F0) == 0x8080E0 && lead != 0xE0 && lead != 0xED;
}

// The code point of a sequence IsPlainThreeByte accepts.
inline char32_t PlainThreeByte(const unsigned char* p) {
  return (p[0] & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F);
}

inline void AppendCodePoint(char32_t cp, std::string& out) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace kelvax::text_scan
