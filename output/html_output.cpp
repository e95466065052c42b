#include "output/html_output.h"

#include "engine/value_text.h"
#include "output/html_escape.h"
#include "output/line_sink.h"

namespace kelvax {

namespace {

const char kHead[] =
    "</HEAD>\r\n<BODY>\r\n<TABLE BORDER=1 BGCOLOR=#ffffff CELLSPACING=0>\r\n\r\n<THEAD>\r\n<TR>";
const char kHeaderCellStart[] =
    "<TH BGCOLOR=#c0c0c0 BORDERCOLOR=#000000 ><FONT SIZE=1 FACE=\"ＭＳ 明朝\" COLOR=#000000>";
const char kHeaderCellEnd[] = "</FONT></TH>";
const char kBodyOpening[] = "\r\n</TR>\r\n</THEAD>\r\n<TBODY>\r\n<TR VALIGN=TOP>\r\n";
const char kDataCellStart[] =
    "<TD BORDERCOLOR=#c0c0c0 ><FONT SIZE=1 FACE=\"ＭＳ 明朝\" COLOR=#000000>";
const char kDataCellEnd[] = "</FONT></TD>";
const char kRowEnd[] = "</TR>\r\n<TR VALIGN=TOP>";

// The document; returns early only when the writer must stop.
void WriteDocument(WriterRun& run, LineSink& sink) {
  auto write = [&](std::string_view line) {
    Status s = sink.WriteLine(line);
    return s.ok() || run.FailLine(s);
  };
  if (Status s = sink.Create(run.path); !s && !run.Fail(s)) return;
  if (!write(kHead)) return;

  std::string cell;
  cell.reserve(4096);
  odbc::Value value;
  std::string scratch;
  for (int c = 0; c <= run.last_column; ++c) {
    cell.assign(kHeaderCellStart);
    AppendHtmlEscaped(cell, run.result.ColumnName(c));
    cell += kHeaderCellEnd;
    if (!write(cell)) return;
  }
  if (!write(kBodyOpening)) return;

  while (NextRowAvailable(run)) {
    ++run.rows;
    for (int c = 0; c <= run.last_column; ++c) {
      Status s = run.result.Get(c, value);
      cell.assign(kDataCellStart);
      if (!s) {
        // A value that cannot be read is written like a NULL (the failed NULL test), never
        // with the previous cell's text.
        if (!run.Fail(s)) return;
        cell += "<BR>";
      } else if (value.is_null()) {
        cell += "<BR>";
      } else {
        AppendHtmlEscaped(cell, ValueText(value, scratch));
      }
      cell += kDataCellEnd;
      if (!write(cell)) return;
    }
    if (!write(kRowEnd)) return;
    if (!run.Progress()) return;
    if (!AdvanceRow(run)) return;
  }
}

}  // namespace

void WriteHtmlFile(WriterRun& run) {
  LineSink sink;
  WriteDocument(run, sink);
  run.Finish(sink);
}

}  // namespace kelvax
