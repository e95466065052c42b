#include "output/field_quote.h"

#include <array>

#include "output/byte_scan.h"
#include "platform/text/quoting.h"

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
  const bool csv = separator == Separator::kComma;
  const std::array<bool, 256>& splits = csv ? table.csv : table.tab;
  if (!csv && !v.empty() && v.front() == '"') return true;
  const auto* p = reinterpret_cast<const unsigned char*>(v.data());
  const std::size_t n = v.size();
  std::size_t i = 0;
  // Every splitting byte is below 0x20, or a comma or double quote.
  for (; i + 8 <= n; i += 8) {
    const std::uint64_t w = LoadWord(p + i);
    std::uint64_t hit = HasByteBelow(w, 0x20);
    if (csv) hit |= HasByte(w, ',') | HasByte(w, '"');
    if (hit) break;
  }
  for (; i < n; ++i) {
    if (splits[p[i]]) return true;
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
