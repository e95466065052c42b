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

// Starts argv[0] as a process that outlives us: its own session, adopted by init (never our
// zombie), no signals blocked, standard input and output on `io_fd` (or /dev/null when -1),
// standard error on /dev/null, and none of our other descriptors (the instance lock, output
// files, data-source sockets). With `envp` null, argv[0] is looked up in PATH and our
// environment is passed on. argv and envp are built before the call: after fork only
// async-signal-safe calls. False when it could not be started as far as we can tell.
bool SpawnDetached(char* const argv[], char* const envp[], int io_fd);

// Appends `bytes` to the file at `path` (created if missing) in one write, so that two programs
// appending at once never interleave. A symbolic link at `path` is refused (ELOOP), never
// followed: it could send our records into another file. A write that cannot be made whole is cut
// back off: the file never ends in a torn record.
Status AppendWhole(const std::string& path, const std::string& bytes);

}  // namespace kelvax
