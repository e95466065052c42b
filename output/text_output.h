// The row loop of the TAB and CSV files.
#pragma once

#include "output/field_quote.h"
#include "output/writer_run.h"

namespace kelvax {

// Writes the header and every row to run.path.
void WriteTextFile(WriterRun& run, Separator separator);

}  // namespace kelvax
