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

// An output file written in large blocks. Close() reports a failed flush; the destructor is quiet.
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates or truncates the file.
  Status Create(const std::string& path);
  bool is_open() const { return fd_ >= 0; }
  // Writes all bytes (or fails).
  Status Write(const char* data, std::size_t size);
  Status Write(const std::string& bytes) { return Write(bytes.data(), bytes.size()); }
  Status Close();

 private:
  int fd_ = -1;
};

}  // namespace kelvax
