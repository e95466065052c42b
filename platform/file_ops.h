// File operations the workers need.
#pragma once

#include <string>

#include "platform/status.h"

namespace kelvax {

// -1 when a regular file (hidden and read-only ones included) is at exactly `path`, else 0
// (folders, missing paths, failed look-ups and the empty path). No pattern matching.
int FileExists(const std::string& path);

// Deletes the file at `path`.
Status RemoveFile(const std::string& path);

// Asks the desktop to open the file with its associated application (xdg-open, detached).
// Success or failure is not reported.
void ShellOpen(const std::string& path);

// Writes all of `data` to an open descriptor, going on after partial writes and interruptions.
// `what` heads the error description.
Status WriteFully(int fd, const char* data, std::size_t size, const std::string& what);

// Appends `bytes` to the file at `path` (created if missing) in one write, so that two programs
// appending at once never interleave. A write that cannot be made whole is cut back off: the file
// never ends in a torn record.
Status AppendWhole(const std::string& path, const std::string& bytes);

}  // namespace kelvax
