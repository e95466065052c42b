// The working values of one OutputResult call, shared by the row loops of each output kind.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/job_schema.h"
#include "engine/workers.h"
#include "output/line_sink.h"
#include "platform/odbc/odbc.h"

namespace kelvax {

struct WriterRun {
  WriterRun(TaskContext& c, odbc::ResultSet& r);

  TaskContext& context;
  odbc::ResultSet& result;
  std::int32_t rows = 0;   // number of the data row being written
  std::int32_t total = 0;  // the row total, 0 when not counted
  double start = 0;
  int last_column = -1;
  std::string path;                                  // EXPORT, resolved on the file system
  OutputEncoding encoding = OutputEncoding::kCp932;  // of a text file

  // Writes the four-line failure record. Returns false when the writer must stop at once:
  // the run log could not be written, or the run was cut.
  bool Fail(const Status& status);
  // Fail for a line that could not be written. A failure like the line's before it is only
  // counted: a file that cannot be written gives its first line's record and, at Finish, one
  // record with the count of the rest, not one record per row.
  bool FailLine(const Status& status);
  // Writes one line to `sink`; a failure is FailLine's. False when the writer must stop.
  bool WriteLine(LineSink& sink, std::string_view line);
  // The same with markup from LineSink::Encoded around `line`.
  bool WriteLine(LineSink& sink, std::string_view before, std::string_view line,
                 std::string_view after);
  // Ends the file: puts it in place and writes the records still due; when the run was cut, the
  // unfinished file is removed and the task's record says so.
  void Finish(LineSink& sink);
  // For the task's record when the run was cut: the unfinished output was removed.
  void NoteAbandoned();
  // ShowProgress for the current row. Returns false when the user ended the program.
  bool Progress();
  // Whether the writer must stop (broken log or cut).
  bool stopped();
  // The result ended with a fetch failure (the connection lost, say): the rows read are all
  // the output holds, so it must not take the output path. Recorded when the writer finishes.
  void ResultEnded(const Status& status);
  bool result_ended() const { return !ended_by_.ok(); }
  const Status& ended_by() const { return ended_by_; }
  // The record of that failure; `kept` names the unfinished output kept under its own name (empty:
  // none was kept).
  void RecordResultEnd(const std::string& kept);
  // The record for characters written as '?' (none when count is 0).
  void NoteReplaced(std::size_t count);
  // The record for ill-formed UTF-8 sequences from the data source written as U+FFFD (none when
  // count is 0).
  void NoteRepaired(std::size_t count);
  // The record for floating values a spreadsheet holds only to 16 significant digits.
  void NoteRounded(std::size_t count);

 private:
  Status ended_by_;
  Status last_line_failure_;
  std::int64_t repeated_line_failures_ = 0;
};

// The row loop's end test: true when a current row is left. A failed test ends the result
// (ResultEnded) and the loop, since no current row can be read after it.
bool NextRowAvailable(WriterRun& run);
// Moves past the current row. A failure ends the result (ResultEnded); false when the writer must
// stop.
bool AdvanceRow(WriterRun& run);

}  // namespace kelvax
