// Code page 932 at the file and log boundary. Text inside the program is UTF-8.
// glibc's "CP932" is used, not "SHIFT_JIS": the latter rejects ～ (U+FF5E) and － (U+FF0D).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kelvax {

// Appends the CP932 form of `utf8` to `out`. A character without a CP932 form (or an invalid
// UTF-8 sequence) becomes '?'. Returns how many characters were replaced. ASCII runs are copied
// without calling iconv, so the common case costs a scan and a memcpy.
std::size_t AppendCp932(std::string_view utf8, std::string& out);

// Convenience form of AppendCp932 for short texts (log records, INI values).
std::string ToCp932(std::string_view utf8, std::size_t* replaced = nullptr);

// UTF-8 form of CP932 bytes. An invalid byte sequence becomes U+FFFD; `invalid` (when given)
// receives how many were found.
std::string FromCp932(std::string_view cp932, std::size_t* invalid = nullptr);

// True when `c` opens a two-byte CP932 character.
bool IsCp932Lead(unsigned char c);

// True when every byte of `bytes` belongs to a CP932 character that FromCp932 reads without a
// replacement: no lone trail byte, no lead byte without its trail, no unassigned pair.
bool IsValidCp932(std::string_view bytes);

}  // namespace kelvax
