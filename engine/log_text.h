// Pieces of run-log records shared by the workers.
#pragma once

#include <string>

namespace kelvax {

constexpr const char* kCrLf = "\r\n";

// A connect string as the run log shows it: the value of PWD= or PASSWORD= (any case, up to ';'
// or the end, {...} braces respected) becomes ***. The connect string itself is used unchanged.
std::string MaskPassword(const std::string& connect_string);

}  // namespace kelvax
