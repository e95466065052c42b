// The export's text literals. Each form is read back by a small reader of the server's rules:
// the value must come back exactly, and the literal must end at its last byte under both
// readings of a backslash, so that no text can end it early and append SQL of its own.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "platform/text/quoting.h"
#include "tests/fuzz/check.h"

namespace {

// Reads a literal that must fill `text` exactly: '...' with '' for an apostrophe; with
// `backslash`, \ escapes the next character (\0 is NUL, \n LF and so on, others stand for
// themselves), as MySQL does by default and PostgreSQL in E'...' or with
// standard_conforming_strings off.
std::optional<std::string> ReadLiteral(std::string_view text, bool backslash) {
  if (!text.empty() && (text[0] == 'E' || text[0] == 'e')) {
    text.remove_prefix(1);
    backslash = true;
  }
  if (text.size() < 2 || text[0] != '\'') return std::nullopt;
  std::string value;
  size_t i = 1;
  for (;;) {
    if (i >= text.size()) return std::nullopt;
    const char c = text[i];
    if (c == '\'') {
      if (i + 1 < text.size() && text[i + 1] == '\'') {
        value += '\'';
        i += 2;
        continue;
      }
      break;
    }
    if (backslash && c == '\\') {
      if (i + 1 >= text.size()) return std::nullopt;
      // \0 \n \r \t \b \Z stand for NUL LF CR TAB BS ^Z; any other character for itself.
      static const char kLetters[] = "0nrtbZ", kMeanings[] = "\0\n\r\t\b\x1a";
      const char e = text[i + 1];
      const char* letter = e ? std::strchr(kLetters, e) : nullptr;
      value += letter ? kMeanings[letter - kLetters] : e;
      i += 2;
      continue;
    }
    value += c;
    ++i;
  }
  if (i + 1 != text.size()) return std::nullopt;  // the literal ended before its last byte
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kelvax;
  FuzzedDataProvider in(data, size);
  const auto form = static_cast<SqlLiteral>(in.ConsumeIntegralInRange(0, 3));
  const std::string value = in.ConsumeRemainingBytesAsString();

  std::string out = "x";
  const LiteralFault fault = AppendSqlLiteral(out, value, form);
  if (fault != LiteralFault::kNone) {
    FUZZ_CHECK(out == "x", out);
    return 0;
  }
  const std::string literal = out.substr(1);
  const auto plain = ReadLiteral(literal, false);
  const auto escaped = ReadLiteral(literal, true);
  FUZZ_CHECK(plain.has_value(), literal);
  if (form == SqlLiteral::kStandard || form == SqlLiteral::kNoBackslash) {
    FUZZ_CHECK(*plain == value, *plain, value);
  }
  // A standard literal is only written for a server known to read no backslash escapes.
  if (form != SqlLiteral::kStandard)
    FUZZ_CHECK(escaped && *escaped == value, escaped.value_or(literal), value);
  return 0;
}
