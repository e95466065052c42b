#include "output/row_loop.h"

namespace kelvax {

void WriteRows(WriterRun& run, RowWriter& writer) {
  if (writer.Begin(run)) {
    while (NextRowAvailable(run)) {
      ++run.rows;
      if (!writer.Row(run) || !AdvanceRow(run) || !run.Progress()) break;
    }
  }
  writer.Finish(run);
}

}  // namespace kelvax
