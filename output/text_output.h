// The row loops of the TAB, CSV and clipboard kinds.
#pragma once

#include "output/field_quote.h"
#include "output/writer_run.h"

namespace kelvax {

// Writes the header and every row to run.path.
void WriteTextFile(WriterRun& run, Separator separator);

// Builds the TAB text of header and rows (CR LF after every line) and, in the same pass, an HTML
// table of the same cells, and hands both to the clipboard.
void CopyResultToClipboard(WriterRun& run);

}  // namespace kelvax
