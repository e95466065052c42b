#include "platform/text/cp932.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>

#include "platform/text/utf8_scan.h"

namespace kelvax {

using namespace text_scan;

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

Converter& Cp932ToUtf8() {
  static Converter converter("UTF-8", "CP932");
  return converter;
}

constexpr std::uint16_t kNoForm = 0xFFFF;

// The CP932 form of every code point of the basic plane, asked of iconv once, so that the
// row loop encodes by table look-up: kNoForm where there is none, the byte for single-byte
// forms, lead << 8 | trail for double-byte ones.
const std::uint16_t* EncodeTable() {
  static const std::unique_ptr<std::uint16_t[]> table = [] {
    auto t = std::make_unique<std::uint16_t[]>(0x10000);
    Converter conv("CP932", "UTF-8");
    for (char32_t cp = 0; cp < 0x10000; ++cp) {
      t[cp] = kNoForm;
      if (!conv.ok() || (cp >= 0xD800 && cp <= 0xDFFF)) continue;
      std::string in;
      AppendCodePoint(cp, in);
      char bytes[8];
      char* in_ptr = in.data();
      std::size_t in_left = in.size();
      char* out_ptr = bytes;
      std::size_t out_left = sizeof bytes;
      iconv(conv.get(), nullptr, nullptr, nullptr, nullptr);
      if (iconv(conv.get(), &in_ptr, &in_left, &out_ptr, &out_left) ==
          static_cast<std::size_t>(-1)) {
        continue;
      }
      const auto* b = reinterpret_cast<const unsigned char*>(bytes);
      const std::size_t len = static_cast<std::size_t>(out_ptr - bytes);
      if (len == 1) t[cp] = b[0];
      if (len == 2) t[cp] = static_cast<std::uint16_t>(b[0] << 8 | b[1]);
    }
    return t;
  }();
  return table.get();
}

}  // namespace

std::size_t AppendCp932(std::string_view utf8, std::string& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const std::size_t n = utf8.size();
  const std::uint16_t* table = nullptr;
  std::size_t replaced = 0;
  // CP932 never needs more bytes than UTF-8, so the room is made once.
  const std::size_t start = out.size();
  out.resize(start + n);
  char* o = out.data() + start;
  auto emit = [&o, &replaced](std::uint16_t code) {
    if (code == kNoForm) {
      *o++ = '?';
      ++replaced;
    } else if (code < 0x100) {
      *o++ = static_cast<char>(code);
    } else {
      *o++ = static_cast<char>(code >> 8);
      *o++ = static_cast<char>(code & 0xFF);
    }
  };
  std::size_t i = 0;
  while (i < n) {
    const std::size_t ascii = AsciiPrefix(p + i, n - i);
    std::memcpy(o, p + i, ascii);
    o += ascii;
    i += ascii;
    while (i < n && p[i] >= 0x80) {
      // Japanese text is runs of three-byte sequences, checked with one load.
      while (i + 4 <= n && IsPlainThreeByte(p + i)) {
        if (!table) table = EncodeTable();
        emit(table[PlainThreeByte(p + i)]);
        i += 3;
      }
      if (i == n || p[i] < 0x80) break;
      bool valid = true;
      std::size_t len = ShortSequence(p + i, n - i);
      if (len == 0) len = Utf8Sequence(p + i, n - i, &valid);
      char32_t cp = 0x10000;  // ill-formed, or beyond the basic plane: no CP932 form
      if (valid && len == 2) cp = (p[i] & 0x1F) << 6 | (p[i + 1] & 0x3F);
      if (valid && len == 3) cp = (p[i] & 0x0F) << 12 | (p[i + 1] & 0x3F) << 6 | (p[i + 2] & 0x3F);
      i += len;
      if (!table && cp < 0x10000) table = EncodeTable();
      emit(cp < 0x10000 ? table[cp] : kNoForm);
    }
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
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

bool IsValidCp932(std::string_view bytes) {
  // Stretch by stretch of non-ASCII characters, so that a large file of ASCII costs a scan
  // and no copy.
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    i += AsciiPrefix(p + i, n - i);
    if (i == n) break;
    std::size_t j = i;
    while (j < n && p[j] >= 0x80) j += IsCp932Lead(p[j]) ? 2 : 1;
    if (j > n) return false;  // a lead byte without its trail
    std::size_t invalid = 0;
    FromCp932(bytes.substr(i, j - i), &invalid);
    if (invalid != 0) return false;
    i = j;
  }
  return true;
}

bool IsCp932Lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

}  // namespace kelvax
