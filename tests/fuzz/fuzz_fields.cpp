// CSV and TAB fields. Rows of fields are written with the output's field quoting, then read back
// by readers written here from the formats' rules (RFC 4180 for CSV; for TAB a field that starts
// with a double quote is quoted): every reading gives the original fields.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "output/field_quote.h"
#include "tests/fuzz/check.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

// Lines end in CR LF; a quoted field may hold separators and line breaks; "" inside is one quote.
// A quote inside an unquoted field, or text after a closing quote, is a fault of the writer.
bool ReadDelimited(const std::string& text, char separator, Rows& rows) {
  size_t i = 0;
  while (i < text.size()) {
    std::vector<std::string> row;
    for (;;) {
      std::string field;
      if (i < text.size() && text[i] == '"') {
        ++i;
        for (;;) {
          if (i >= text.size()) return false;
          if (text[i] == '"') {
            if (i + 1 < text.size() && text[i + 1] == '"') {
              field += '"';
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          field += text[i++];
        }
      } else {
        while (i < text.size() && text[i] != separator && text[i] != '\r' && text[i] != '\n') {
          if (separator == ',' && text[i] == '"') return false;
          field += text[i++];
        }
      }
      row.push_back(std::move(field));
      if (i < text.size() && text[i] == separator) {
        ++i;
        continue;
      }
      break;
    }
    if (text.compare(i, 2, "\r\n") != 0) return false;
    i += 2;
    rows.push_back(std::move(row));
  }
  return true;
}

std::string Write(const Rows& rows, kelvax::Separator separator) {
  std::string text;
  for (const auto& row : rows) {
    std::string line;
    for (size_t c = 0; c < row.size(); ++c) {
      if (c > 0) line += static_cast<char>(separator);
      kelvax::AppendField(line, row[c], separator);
    }
    kelvax::FinishLine(line, separator);
    text += line + "\r\n";
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using kelvax::Separator;
  FuzzedDataProvider in(data, size);
  const size_t columns = in.ConsumeIntegralInRange<size_t>(1, 4);
  Rows rows;
  while (in.remaining_bytes() > 0 && rows.size() < 8) {
    std::vector<std::string> row;
    for (size_t c = 0; c < columns; ++c) row.push_back(in.ConsumeRandomLengthString(64));
    rows.push_back(std::move(row));
  }

  for (const Separator separator : {Separator::kComma, Separator::kTab}) {
    const std::string text = Write(rows, separator);
    Rows back;
    FUZZ_CHECK(ReadDelimited(text, static_cast<char>(separator), back), text);
    FUZZ_CHECK(back == rows, Write(back, separator), text);
  }
  return 0;
}
