// Lines of an output file: each line is encoded to CP932 into one buffer and written in large
// blocks. A line written while the file is not open fails on its own, as the writer's failure
// rule counts one record per lost line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/file_ops.h"
#include "platform/status.h"

namespace kelvax {

class LineSink {
 public:
  LineSink();
  Status Create(const std::string& path);
  // Encodes `utf8` plus CR LF. Fails when the file is not open, or when a block write fails.
  Status WriteLine(std::string_view utf8);
  // Writes what is buffered and closes the file.
  Status Close();
  // Characters that had no CP932 form and were written as '?'.
  std::size_t replaced() const { return replaced_; }

 private:
  Status Flush();
  OutputFile file_;
  Status create_error_;
  std::string buffer_;
  std::size_t replaced_ = 0;
};

}  // namespace kelvax
