// The one row loop every output kind runs: the kind makes its output and writes the header, then
// each row is read, written and shown as progress, and the kind's Finish always ends it (puts the
// output in place, keeps or removes an unfinished one, writes the records still due), whatever
// ended the loop.
#pragma once

#include "output/writer_run.h"

namespace kelvax {

class RowWriter {
 public:
  virtual ~RowWriter() = default;
  // Makes the output and writes the header. False when the writer must stop.
  virtual bool Begin(WriterRun& run) = 0;
  // Reads the current row's values and writes them. False when the writer must stop.
  virtual bool Row(WriterRun& run) = 0;
  virtual void Finish(WriterRun& run) = 0;
};

void WriteRows(WriterRun& run, RowWriter& writer);

}  // namespace kelvax
