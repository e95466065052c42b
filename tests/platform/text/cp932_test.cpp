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

TEST(Cp932Test, JapaneseTextHasItsCp932BytesAndReadsBack) {
  struct Case {
    const char* utf8;
    const char* hex;
  } cases[] = {
      {"ＭＳ 明朝", "82 6C 82 72 20 96 BE 92 A9"},
      // The wave dash and minus that SHIFT_JIS converters refuse.
      {"～－", "81 60 81 7C"},
      {"ｱｲｳ", "B1 B2 B3"},       // half-width katakana: one byte each
      {"①Ⅰ", "87 40 87 54"},     // vendor extensions
      {"表示", "95 5C 8E A6"},   // trail byte 0x5C (the backslash byte)
      {"a\\b~", "61 5C 62 7E"},  // ASCII stays ASCII
      {"計算中です...", "8C 76 8E 5A 92 86 82 C5 82 B7 2E 2E 2E"},
  };
  for (const auto& c : cases) {
    std::size_t replaced = 99;
    const std::string cp932 = ToCp932(c.utf8, &replaced);
    EXPECT_EQ(Hex(cp932), c.hex) << c.utf8;
    EXPECT_EQ(replaced, 0u) << c.utf8;
    std::size_t invalid = 99;
    EXPECT_EQ(FromCp932(cp932, &invalid), c.utf8);
    EXPECT_EQ(invalid, 0u);
  }
}

TEST(Cp932Test, CharactersWithoutCp932FormBecomeQuestionMarksAndAreCounted) {
  std::size_t replaced = 0;
  // Mixed with convertible text in the same non-ASCII stretch (the writer's count of them:
  // tests/cases/output/text_forms).
  EXPECT_EQ(Hex(ToCp932("表😀示", &replaced)), "95 5C 3F 8E A6");
  EXPECT_EQ(replaced, 1u);
}

TEST(Cp932Test, InvalidUtf8BecomesQuestionMarks) {
  std::size_t replaced = 0;
  // A lone continuation byte, a truncated sequence followed by ASCII, an overlong '/', a
  // truncated sequence at the very end.
  EXPECT_EQ(ToCp932("a\x80"
                    "b\xE3\x81"
                    "c\xC0\xAF"
                    "d\xE6\x98",
                    &replaced),
            "a?b?c??d?");
  EXPECT_EQ(replaced, 5u);
  // Inside a run of three-byte characters: an overlong form and a surrogate, byte by byte.
  EXPECT_EQ(Hex(ToCp932("明\xE0\x80\xAF明\xED\xA0\x80明x", &replaced)),
            "96 BE 3F 3F 3F 96 BE 3F 3F 3F 96 BE 78");
  EXPECT_EQ(replaced, 6u);
}

TEST(Cp932Test, InvalidCp932BytesBecomeReplacementCharacters) {
  std::size_t invalid = 0;
  // A lead byte followed by LF (not a trail byte): the LF survives.
  EXPECT_EQ(FromCp932("a\x81\nb", &invalid), "a\xEF\xBF\xBD\nb");
  EXPECT_EQ(invalid, 1u);
  // A lead byte at the end of the text.
  EXPECT_EQ(FromCp932("\x96\xBE\x96", &invalid), "明\xEF\xBF\xBD");
  EXPECT_EQ(invalid, 1u);
  EXPECT_EQ(FromCp932("", &invalid), "");
  EXPECT_EQ(invalid, 0u);
}

TEST(Cp932Test, IsValidUtf8RejectsIllFormedSequences) {
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("plain ascii text longer than eight bytes"));
  EXPECT_TRUE(IsValidUtf8("日本語 and 😀"));
  EXPECT_FALSE(IsValidUtf8("\x82\x6C\x82\x72"));  // CP932 ＭＳ
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_FALSE(IsValidUtf8("abc\xE6\x98"));       // truncated
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
