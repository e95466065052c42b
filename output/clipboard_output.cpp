#include "output/clipboard_output.h"

#include "output/line_builder.h"

namespace kelvax {

void CopyResultToClipboard(WriterRun& run) {
  std::string html = "<html><head><meta charset=\"utf-8\"></head><body><table>\r\n";
  LineBuilder builder(Separator::kTab, &html);
  builder.Header(run.result, run.last_column);
  std::string text = builder.line() + "\r\n";

  while (NextRowAvailable(run)) {
    ++run.rows;
    const std::size_t row_start = html.size();
    if (!builder.Row(run) || !AdvanceRow(run)) {
      html.resize(row_start);  // the text leaves out an unfinished row too
      break;
    }
    builder.EndLine();
    text += builder.line();
    text += "\r\n";
    if (!run.Progress()) break;
  }
  if (run.stopped()) return;
  // The rows read before a fetch failure still go to the clipboard, after its record.
  if (run.result_ended() && !run.Fail(run.ended_by())) return;
  html += "</table></body></html>\r\n";
  // The host has shown its message to the user; the log keeps it too.
  if (Status s = run.context.host.CopyToClipboard(text, html); !s) run.Fail(s);
}

}  // namespace kelvax
