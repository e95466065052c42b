// A property that does not hold stops the fuzzer like a crash, with the values that broke it.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace kelvax::fuzz {

[[noreturn]] inline void Fail(const char* what, std::string_view a = {}, std::string_view b = {}) {
  std::fprintf(stderr, "property failed: %s\n", what);
  auto dump = [](const char* name, std::string_view s) {
    std::fprintf(stderr, "%s (%zu bytes):", name, s.size());
    for (unsigned char c : s) std::fprintf(stderr, " %02x", c);
    std::fprintf(stderr, "\n");
  };
  if (!a.empty()) dump("got", a);
  if (!b.empty()) dump("want", b);
  std::abort();
}

}  // namespace kelvax::fuzz

#define FUZZ_CHECK(cond, ...)                                \
  do {                                                       \
    if (!(cond)) ::kelvax::fuzz::Fail(#cond, ##__VA_ARGS__); \
  } while (0)
