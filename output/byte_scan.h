// Word-at-a-time tests for the writers' scans of value text (which bytes need quoting or
// escaping): eight bytes are tested at once, and only a word that may hold one is looked at
// byte by byte.
#pragma once

#include <cstdint>
#include <cstring>

namespace kelvax {

inline constexpr std::uint64_t kEachByte = 0x0101010101010101ULL;
inline constexpr std::uint64_t kEachHighBit = 0x8080808080808080ULL;

// Non-zero when the word may hold a byte below `n` (n <= 0x80); never misses one.
inline std::uint64_t HasByteBelow(std::uint64_t w, unsigned char n) {
  return (w - kEachByte * n) & ~w & kEachHighBit;
}
// Non-zero when the word may hold the byte `b`; never misses one.
inline std::uint64_t HasByte(std::uint64_t w, unsigned char b) {
  return HasByteBelow(w ^ (kEachByte * b), 1);
}
inline std::uint64_t LoadWord(const unsigned char* p) {
  std::uint64_t w;
  std::memcpy(&w, p, 8);
  return w;
}

}  // namespace kelvax
