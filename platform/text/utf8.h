// UTF-8, the program's inner text form: checks, the one decoder, repair, and the UTF-16 a
// driver's wide calls deliver.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kelvax {

// True when `bytes` is well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);

// The UTF-8 sequence at the start of `p` (n > 0): returns its length and sets `cp`. An ill-formed
// sequence gives the length of its maximal ill-formed prefix (at least 1) and U+FFFD, so that it
// becomes one replacement character. The program's one UTF-8 decoder.
std::size_t DecodeUtf8(const unsigned char* p, std::size_t n, char32_t& cp);

// Appends `bytes` with every ill-formed UTF-8 sequence replaced by U+FFFD; returns how many.
std::size_t AppendRepairedUtf8(std::string_view bytes, std::string& out);

// Appends the UTF-8 form of UTF-16 code units (as SQLWCHAR delivers them). Unpaired surrogates
// become U+FFFD.
void AppendUtf16AsUtf8(const char16_t* units, std::size_t count, std::string& out);

}  // namespace kelvax
