#include "platform/text/cp932.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/text/utf8.h"

namespace kelvax {
namespace {

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if (!out.empty()) out += ' ';
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

// Text that has its CP932 form reads back as itself; what has none, or is not UTF-8, becomes
// question marks, each counted.
TEST(Cp932Test, Utf8HasItsCp932BytesOrQuestionMarks) {
  const struct {
    const char* utf8;
    const char* hex;
    std::size_t replaced;
  } cases[] = {
      {"ＭＳ 明朝", "82 6C 82 72 20 96 BE 92 A9", 0},
      // The wave dash and minus that SHIFT_JIS converters refuse.
      {"～－", "81 60 81 7C", 0},
      {"ｱｲｳ", "B1 B2 B3", 0},       // half-width katakana: one byte each
      {"①Ⅰ", "87 40 87 54", 0},     // vendor extensions
      {"表示", "95 5C 8E A6", 0},   // trail byte 0x5C (the backslash byte)
      {"a\\b~", "61 5C 62 7E", 0},  // ASCII stays ASCII
      {"計算中です...", "8C 76 8E 5A 92 86 82 C5 82 B7 2E 2E 2E", 0},
      // Mixed with convertible text in the same non-ASCII stretch (the writer's count of them:
      // tests/cases/output/text_forms).
      {"表😀示", "95 5C 3F 8E A6", 1},
      // A lone continuation byte, a truncated sequence followed by ASCII, an overlong '/', a
      // truncated sequence at the very end.
      {"a\x80"
       "b\xE3\x81"
       "c\xC0\xAF"
       "d\xE6\x98",
       "61 3F 62 3F 63 3F 3F 64 3F", 5},
      // Inside a run of three-byte characters: an overlong form and a surrogate, byte by byte.
      {"明\xE0\x80\xAF明\xED\xA0\x80明x", "96 BE 3F 3F 3F 96 BE 3F 3F 3F 96 BE 78", 6},
  };
  for (const auto& c : cases) {
    std::size_t replaced = 99;
    const std::string cp932 = ToCp932(c.utf8, &replaced);
    EXPECT_EQ(Hex(cp932), c.hex) << c.utf8;
    EXPECT_EQ(replaced, c.replaced) << c.utf8;
    if (c.replaced != 0) continue;
    std::size_t invalid = 99;
    EXPECT_EQ(FromCp932(cp932, &invalid), c.utf8);
    EXPECT_EQ(invalid, 0u);
  }
}

TEST(Cp932Test, InvalidCp932BytesBecomeReplacementCharacters) {
  const struct {
    const char* cp932;
    const char* utf8;
    std::size_t invalid;
  } cases[] = {
      {"a\x81\nb", "a\xEF\xBF\xBD\nb", 1},    // a lead byte before LF (no trail byte): LF survives
      {"\x96\xBE\x96", "明\xEF\xBF\xBD", 1},  // a lead byte at the end of the text
      {"", "", 0},
  };
  for (const auto& c : cases) {
    std::size_t invalid = 99;
    EXPECT_EQ(FromCp932(c.cp932, &invalid), c.utf8);
    EXPECT_EQ(invalid, c.invalid) << c.utf8;
  }
}

TEST(Cp932Test, IsValidUtf8RejectsIllFormedSequences) {
  for (const char* valid : {"", "plain ascii text longer than eight bytes", "日本語 and 😀"})
    EXPECT_TRUE(IsValidUtf8(valid)) << valid;
  // CP932 ＭＳ, overlong, a surrogate, above U+10FFFF, truncated.
  for (const char* invalid :
       {"\x82\x6C\x82\x72", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "abc\xE6\x98"})
    EXPECT_FALSE(IsValidUtf8(invalid)) << Hex(invalid);
}

TEST(Cp932Test, Utf16UnitsBecomeUtf8) {
  const char16_t text[] = u"A明😀～";
  std::string out;
  AppendUtf16AsUtf8(text, sizeof text / sizeof text[0] - 1, out);
  EXPECT_EQ(out, "A明😀～");

  const char16_t unpaired[] = {0xD800, u'x', 0xDC00, 0xD83D};
  out.clear();
  AppendUtf16AsUtf8(unpaired, 4, out);
  EXPECT_EQ(out, "\xEF\xBF\xBDx\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
}  // namespace kelvax
