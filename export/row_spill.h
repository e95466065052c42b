// Rows of a result kept, value by value, in a private temporary file: a copy into the source's own
// SQLite file can write only once the source's read has ended, and holding the rows in memory
// would grow with the result.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/fs/fd.h"
#include "platform/odbc/odbc.h"
#include "platform/status.h"

namespace kelvax {

class RowSpill {
 public:
  // Reads the rest of `result` into a new unnamed file in the temporary folder. A value that
  // cannot be read is kept as its failure; a fetch failure ends the rows, as it ends the result.
  // Fails only when the spill itself cannot be written.
  Status Fill(odbc::ResultSet& result);

  // The rows back, in order, with the result's contract: AtEnd reports the fetch failure once,
  // Get gives a value (its views valid until NextRow) or the failure it was read with.
  Status AtEnd(bool& at_end);
  Status Get(int column, odbc::Value& value);
  Status NextRow();

 private:
  bool Read(void* out, std::size_t size);
  void ReadRow();

  Fd fd_;
  int columns_ = 0;
  std::uint64_t rows_ = 0, read_rows_ = 0;
  Status fetch_error_;
  bool fetch_error_told_ = false;
  std::string buffer_;  // bytes read from the file, from `at_` on not yet used
  std::size_t at_ = 0;
  std::string arena_;  // the current row's text and binary values
  std::vector<odbc::Value> values_;
  std::vector<Status> errors_;
  bool in_row_ = false;
};

}  // namespace kelvax
