#include "output/field_quote.h"

#include <array>

#include "platform/quoting.h"

namespace kelvax {

namespace {

// Bytes that split a field, per separator: one table look-up per byte of every value.
struct SplitTable {
  std::array<bool, 256> csv{};
  std::array<bool, 256> tab{};
  SplitTable() {
    for (unsigned char c : {',', '"', '\r', '\n'}) csv[c] = true;
    for (unsigned char c : {'\t', '\r', '\n'}) tab[c] = true;
  }
};

bool NeedsQuotes(std::string_view v, Separator separator) {
  static const SplitTable table;
  const std::array<bool, 256>& splits = separator == Separator::kComma ? table.csv : table.tab;
  if (separator == Separator::kTab && !v.empty() && v.front() == '"') return true;
  for (unsigned char c : v) {
    if (splits[c]) return true;
  }
  return false;
}

}  // namespace

void AppendField(std::string& line, std::string_view value, Separator separator) {
  if (!NeedsQuotes(value, separator)) {
    line.append(value);
    return;
  }
  AppendQuoted(line, value, '"');
}

void FinishLine(std::string& line, Separator separator) {
  if (line.empty() && separator == Separator::kComma) line = "\"\"";
}

}  // namespace kelvax
