#include "output/field_quote.h"

#include <array>
#include <cstdint>
#include <cstring>

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

// Eight bytes at a time: whether a word may hold a byte below 0x20 (TAB, CR, LF among them) or,
// for CSV, a comma or double quote. Never misses one; a hit is settled byte by byte.
constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
inline std::uint64_t HasByteBelow(std::uint64_t w, unsigned char n) {
  return (w - kOnes * n) & ~w & kHigh;
}
inline std::uint64_t HasByte(std::uint64_t w, unsigned char b) {
  return HasByteBelow(w ^ (kOnes * b), 1);
}

bool NeedsQuotes(std::string_view v, Separator separator) {
  static const SplitTable table;
  const bool csv = separator == Separator::kComma;
  const std::array<bool, 256>& splits = csv ? table.csv : table.tab;
  if (!csv && !v.empty() && v.front() == '"') return true;
  const auto* p = reinterpret_cast<const unsigned char*>(v.data());
  const std::size_t n = v.size();
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t w;
    std::memcpy(&w, p + i, 8);
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
