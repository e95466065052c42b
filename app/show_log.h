// kelvax --show-log: the run log, which is code page 932 with CR LF line ends, printed in the
// terminal's encoding with the line ends of the system, so that less, grep and a terminal read it.
#pragma once

#include <cstdio>
#include <string>

namespace kelvax {

// Prints the log at `path` to `out`, line by line (memory stays that of the longest line).
// Returns 0, or 2 when it cannot be read (the reason on `err`).
int ShowLog(const std::string& path, std::FILE* out, std::FILE* err);

}  // namespace kelvax
