// The clipboard kind: the result as TAB text and as an HTML table of the same cells.
#pragma once

#include "output/writer_run.h"

namespace kelvax {

// Builds the TAB text of header and rows (CR LF after every line) and, in the same pass, an HTML
// table of the same cells, and hands both to the clipboard.
void CopyResultToClipboard(WriterRun& run);

}  // namespace kelvax
