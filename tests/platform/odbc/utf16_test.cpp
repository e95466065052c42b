// The UTF-16 form of statements and connect strings.
#include "platform/odbc/utf16.h"

#include <gtest/gtest.h>

#include <string>

namespace kelvax::odbc {
namespace {

TEST(Utf16Test, Utf8BecomesUtf16WithReplacementForBadBytes) {
  EXPECT_EQ(Utf8ToUtf16("a日本"), (std::u16string{u'a', 0x65E5, 0x672C}));
  EXPECT_EQ(Utf8ToUtf16("\xF0\xA0\xAE\xB7"), (std::u16string{0xD842, 0xDFB7}));  // U+20BB7
  // A lone continuation byte, a truncated sequence, an overlong slash, a UTF-8 surrogate.
  EXPECT_EQ(Utf8ToUtf16("\x80x\xE6\x97"), (std::u16string{0xFFFD, u'x', 0xFFFD}));
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), (std::u16string{0xFFFD, 0xFFFD}));
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), (std::u16string{0xFFFD, 0xFFFD, 0xFFFD}));
}

}  // namespace
}  // namespace kelvax::odbc
