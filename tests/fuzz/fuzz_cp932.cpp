// The code page 932 codec both ways. Once, at start: every CP932 character decodes, encodes and
// decodes again to the same character. Then on any bytes: decoding gives well-formed UTF-8 whose
// encoding decodes back to it; UTF-8 (repaired) and UTF-16 input always decode to UTF-8.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "platform/text/cp932.h"
#include "platform/text/utf8.h"
#include "tests/fuzz/check.h"

namespace {

void CheckRoundTrip(const std::string& cp932) {
  using namespace kelvax;
  size_t invalid = 0;
  const std::string utf8 = FromCp932(cp932, &invalid);
  FUZZ_CHECK(IsValidUtf8(utf8), utf8);
  if (invalid != 0) return;
  size_t replaced = 0;
  const std::string again = ToCp932(utf8, &replaced);
  FUZZ_CHECK(replaced == 0, utf8);
  FUZZ_CHECK(FromCp932(again) == utf8, FromCp932(again), utf8);
}

// The characters that CP932 writes as a look-alike of its own (U+00A5 YEN SIGN as 0x5C, which
// Japanese fonts show as a yen sign; U+301C WAVE DASH as the full-width tilde): they read back as
// that look-alike. Every other character reads back as itself.
std::string AsReadBack(const std::string& utf8) {
  static const std::pair<char32_t, const char*> kLookAlikes[] = {
      {0x00A2, "\uFFE0"}, {0x00A3, "\uFFE1"}, {0x00A5, "\\"},
      {0x00AC, "\uFFE2"}, {0x2014, "\u2015"}, {0x2016, "\u2225"},
      {0x203E, "~"},      {0x2212, "\uFF0D"}, {0x301C, "\uFF5E"}};
  std::string out;
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  for (size_t i = 0; i < utf8.size();) {
    char32_t cp = 0;
    const size_t n = kelvax::DecodeUtf8(p + i, utf8.size() - i, cp);
    const auto* look = std::find_if(std::begin(kLookAlikes), std::end(kLookAlikes),
                                    [cp](const auto& pair) { return pair.first == cp; });
    out += look == std::end(kLookAlikes) ? utf8.substr(i, n) : look->second;
    i += n;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  for (int lead = 0; lead < 0x100; ++lead) {
    CheckRoundTrip(std::string(1, static_cast<char>(lead)));
    for (int trail = 0x40; trail <= 0xFC; ++trail)
      CheckRoundTrip({static_cast<char>(lead), static_cast<char>(trail)});
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kelvax;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  CheckRoundTrip(bytes);

  std::string repaired;
  AppendRepairedUtf8(bytes, repaired);
  FUZZ_CHECK(IsValidUtf8(repaired), repaired);
  if (IsValidUtf8(bytes)) FUZZ_CHECK(repaired == bytes, repaired, bytes);
  // Encoding valid UTF-8 and decoding it gives the text back wherever nothing was replaced.
  size_t replaced = 0;
  const std::string encoded = ToCp932(repaired, &replaced);
  if (replaced == 0) {
    FUZZ_CHECK(FromCp932(encoded) == AsReadBack(repaired), FromCp932(encoded), repaired);
  }

  std::u16string units(size / 2, u'\0');
  if (!units.empty()) std::memcpy(units.data(), data, units.size() * 2);
  std::string from16;
  AppendUtf16AsUtf8(units.data(), units.size(), from16);
  FUZZ_CHECK(IsValidUtf8(from16), from16);
  return 0;
}
