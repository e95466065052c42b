// The HTML table kind.
#pragma once

#include "output/writer_run.h"

namespace kelvax {

// Writes the result as an HTML table document to run.path.
void WriteHtmlFile(WriterRun& run);

}  // namespace kelvax
