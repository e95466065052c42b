// Lines of an output file: each line is encoded (CP932 unless the task asks for UTF-8) into one
// buffer, compressed when the path ends in .gz or .zst, and written in large blocks to a new file
// beside the output path, which takes the path only when it is closed whole.
// A line written while the file is not open fails on its own, as the writer's failure rule counts
// one record per lost line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/job_schema.h"
#include "platform/compress/compressor.h"
#include "platform/fs/atomic_file.h"
#include "platform/status.h"

namespace kelvax {

class LineSink {
 public:
  LineSink();
  Status Create(const std::string& path, OutputEncoding encoding = OutputEncoding::kCp932);
  // Encodes `utf8` plus CR LF. Fails when the file is not open, or when a block write fails.
  // After a failed block write the file holds the whole lines written before it and takes no
  // more (a file with a gap would look whole): every later line fails the same way.
  Status WriteLine(std::string_view utf8);
  // The same line as WriteLine(before + utf8 + after) for `before` and `after` from Encoded: a
  // writer's fixed markup is encoded once, not on every line.
  Status WriteLine(std::string_view before, std::string_view utf8, std::string_view after);
  // `utf8` in the file's encoding (known once created); text the encoding writes as it is.
  std::string Encoded(std::string_view utf8) const;
  // Writes what is buffered and puts the file at its path. After a failed block write nothing is
  // put there: the whole lines written stay under the new file's own name, named in the failure.
  Status Close();
  // The output is not finished: the new file is removed (also done when the sink is destroyed
  // without Close).
  void Abandon() { file_.Abandon(); }
  // The output is not finished but worth keeping: what is buffered is written and the new file
  // stays under its own name, which is returned (empty when nothing could be kept).
  std::string Leave();
  // Characters that had no CP932 form and were written as '?'.
  std::size_t replaced() const { return replaced_; }
  // Ill-formed UTF-8 sequences from the data source written as U+FFFD (UTF-8 files only).
  std::size_t repaired() const { return repaired_; }

 private:
  Status Flush();
  Status EndStream();
  // Appends `utf8` in the file's encoding to `out`; the characters written as '?' (code page
  // 932) or U+FFFD (ill-formed UTF-8, in a UTF-8 file).
  std::size_t Encode(std::string_view utf8, std::string& out) const;
  AtomicFile file_;
  OutputEncoding encoding_ = OutputEncoding::kCp932;
  std::unique_ptr<Compressor> compressor_;
  std::string packed_;  // the compressed form of a block
  Status failed_;       // the creation or block-write failure that every later line reports
  std::string buffer_;
  std::uint64_t buffered_lines_ = 0;
  std::uint64_t written_lines_ = 0;
  std::size_t replaced_ = 0;
  std::size_t repaired_ = 0;
};

}  // namespace kelvax
