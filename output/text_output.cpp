#include "output/text_output.h"

#include "output/line_builder.h"
#include "output/line_sink.h"

namespace kelvax {

namespace {

// Header and rows; returns early only when the writer must stop.
void WriteLines(WriterRun& run, Separator separator, LineSink& sink) {
  if (Status s = sink.Create(run.path); !s && !run.Fail(s)) return;

  LineBuilder builder(separator);
  builder.Header(run.result, run.last_column);
  if (Status s = sink.WriteLine(builder.line()); !s && !run.FailLine(s)) return;

  while (NextRowAvailable(run)) {
    ++run.rows;
    if (!builder.Row(run) || !AdvanceRow(run)) return;
    builder.EndLine();
    if (Status s = sink.WriteLine(builder.line()); !s && !run.FailLine(s)) return;
    if (!run.Progress()) return;
  }
}

}  // namespace

void WriteTextFile(WriterRun& run, Separator separator) {
  LineSink sink;
  WriteLines(run, separator, sink);
  run.Finish(sink);
}

}  // namespace kelvax
