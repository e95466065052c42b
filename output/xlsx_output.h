// The row loop of the EXCEL kind: a workbook at run.path holding a header row of column names
// and one row per result row. Numbers, dates, time stamps and booleans become cells of their
// type where the value's text allows it without losing a digit; everything else is UTF-8 text.
// Rows are streamed (one row in memory); a result longer than a sheet goes on in a new sheet
// headed by the column names again, and a value longer than a cell can hold is cut with a
// record. The workbook is written under a temporary name beside run.path and renamed over it
// once complete, so a failed or ended task never leaves half a workbook under the output name.
// The library keeps no count of a write that fails in its scratch files: their error flags and
// the room the close needs are checked, and such a failure is recorded like any other.
#pragma once

#include "output/writer_run.h"

namespace kelvax {

void WriteXlsxFile(WriterRun& run);

}  // namespace kelvax
