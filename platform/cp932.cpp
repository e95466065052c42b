#include "platform/cp932.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace kelvax {

namespace {

// One iconv descriptor, closed with its owner. CP932 is stateless, so a descriptor can be reused
// for every call without a reset.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

Converter& Utf8ToCp932() {
  static Converter converter("CP932", "UTF-8");
  return converter;
}

Converter& Cp932ToUtf8() {
  static Converter converter("UTF-8", "CP932");
  return converter;
}

constexpr char kReplacementUtf8[] = "\xEF\xBF\xBD";  // U+FFFD

// Number of leading ASCII bytes, eight at a time where possible.
std::size_t AsciiPrefix(const unsigned char* p, std::size_t n) {
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
std::size_t Utf8Sequence(const unsigned char* p, std::size_t n, bool* valid) {
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

bool IsCp932Lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Converts a stretch of well-formed, non-ASCII UTF-8 and appends it; characters without a CP932
// form become '?'. Returns how many were replaced.
std::size_t AppendNonAscii(const unsigned char* p, std::size_t n, std::string& out) {
  Converter& conv = Utf8ToCp932();
  std::size_t replaced = 0;
  if (!conv.ok()) {
    for (std::size_t i = 0; i < n;) {
      bool valid;
      i += Utf8Sequence(p + i, n - i, &valid);
      out.push_back('?');
      ++replaced;
    }
    return replaced;
  }
  // A non-ASCII UTF-8 character has at least two bytes and its CP932 form at most two, so the
  // output never outgrows the input.
  const std::size_t start = out.size();
  out.resize(start + n);
  char* in_ptr = const_cast<char*>(reinterpret_cast<const char*>(p));
  std::size_t in_left = n;
  char* out_ptr = out.data() + start;
  std::size_t out_left = n;
  while (in_left > 0) {
    if (iconv(conv.get(), &in_ptr, &in_left, &out_ptr, &out_left) != static_cast<std::size_t>(-1)) {
      break;
    }
    if (errno == E2BIG) {  // not expected; grow and go on
      const std::size_t used = static_cast<std::size_t>(out_ptr - out.data());
      out.resize(out.size() + in_left + 16);
      out_ptr = out.data() + used;
      out_left = out.size() - used;
      continue;
    }
    // EILSEQ (no CP932 form) or EINVAL: skip one character.
    bool valid;
    const std::size_t len =
        Utf8Sequence(reinterpret_cast<const unsigned char*>(in_ptr), in_left, &valid);
    in_ptr += len;
    in_left -= len;
    *out_ptr++ = '?';
    --out_left;
    ++replaced;
  }
  out.resize(static_cast<std::size_t>(out_ptr - out.data()));
  return replaced;
}

void AppendCodePoint(char32_t cp, std::string& out) {
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

}  // namespace

std::size_t AppendCp932(std::string_view utf8, std::string& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const std::size_t n = utf8.size();
  std::size_t replaced = 0;
  out.reserve(out.size() + n);
  std::size_t i = 0;
  while (i < n) {
    const std::size_t ascii = AsciiPrefix(p + i, n - i);
    out.append(utf8.data() + i, ascii);
    i += ascii;
    if (i == n) break;
    // The well-formed non-ASCII stretch up to the next ASCII byte or ill-formed sequence.
    std::size_t j = i;
    bool valid = true;
    std::size_t len = 0;
    while (j < n && p[j] >= 0x80) {
      len = Utf8Sequence(p + j, n - j, &valid);
      if (!valid) break;
      j += len;
    }
    if (j > i) replaced += AppendNonAscii(p + i, j - i, out);
    if (!valid) {
      out.push_back('?');
      ++replaced;
      j += len;
    }
    i = j;
  }
  return replaced;
}

std::string ToCp932(std::string_view utf8, std::size_t* replaced) {
  std::string out;
  const std::size_t count = AppendCp932(utf8, out);
  if (replaced) *replaced = count;
  return out;
}

std::string FromCp932(std::string_view cp932, std::size_t* invalid) {
  const auto* p = reinterpret_cast<const unsigned char*>(cp932.data());
  const std::size_t n = cp932.size();
  std::size_t bad = 0;
  std::string out;
  out.reserve(n + n / 2);
  Converter& conv = Cp932ToUtf8();
  std::size_t i = 0;
  while (i < n) {
    const std::size_t ascii = AsciiPrefix(p + i, n - i);
    out.append(cp932.data() + i, ascii);
    i += ascii;
    if (i == n) break;
    // A stretch of non-ASCII characters; a trail byte may lie in the ASCII range, so the
    // stretch takes whole double-byte characters.
    std::size_t j = i;
    while (j < n && p[j] >= 0x80) j += IsCp932Lead(p[j]) ? 2 : 1;
    if (j > n) j = n;
    if (!conv.ok()) {
      for (; i < j; i += IsCp932Lead(p[i]) ? 2 : 1) {
        out.append(kReplacementUtf8, 3);
        ++bad;
      }
      i = j;
      continue;
    }
    // Each input byte gives at most three output bytes (a half-width katakana, or U+FFFD).
    const std::size_t start = out.size();
    out.resize(start + 3 * (j - i));
    char* in_ptr = const_cast<char*>(cp932.data() + i);
    std::size_t in_left = j - i;
    char* out_ptr = out.data() + start;
    std::size_t out_left = 3 * (j - i);
    while (in_left > 0) {
      if (iconv(conv.get(), &in_ptr, &in_left, &out_ptr, &out_left) !=
          static_cast<std::size_t>(-1)) {
        break;
      }
      if (errno == E2BIG) {  // not expected; grow and go on
        const std::size_t used = static_cast<std::size_t>(out_ptr - out.data());
        out.resize(out.size() + 3 * in_left + 16);
        out_ptr = out.data() + used;
        out_left = out.size() - used;
        continue;
      }
      // EILSEQ or EINVAL (a lead byte at the very end): one byte becomes U+FFFD. Only the lead
      // is skipped, so that an ASCII byte after it survives.
      if (out_left < 3) {
        const std::size_t used = static_cast<std::size_t>(out_ptr - out.data());
        out.resize(out.size() + 3 * in_left + 16);
        out_ptr = out.data() + used;
        out_left = out.size() - used;
      }
      std::memcpy(out_ptr, kReplacementUtf8, 3);
      out_ptr += 3;
      out_left -= 3;
      ++in_ptr;
      --in_left;
      ++bad;
    }
    out.resize(static_cast<std::size_t>(out_ptr - out.data()));
    i = j;
  }
  if (invalid) *invalid = bad;
  return out;
}

bool IsValidUtf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    i += AsciiPrefix(p + i, n - i);
    if (i == n) break;
    bool valid;
    i += Utf8Sequence(p + i, n - i, &valid);
    if (!valid) return false;
  }
  return true;
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
