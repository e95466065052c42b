#include "output/html_output.h"

#include "engine/value_text.h"
#include "output/html_escape.h"
#include "output/line_sink.h"
#include "output/row_loop.h"

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

class HtmlWriter : public RowWriter {
 public:
  HtmlWriter() { cell_.reserve(4096); }

  bool Begin(WriterRun& run) override {
    if (Status s = sink_.Create(run.path, run.encoding); !s && !run.Fail(s)) return false;
    cell_start_ = sink_.Encoded(kDataCellStart);
    cell_end_ = sink_.Encoded(kDataCellEnd);
    if (!run.WriteLine(sink_, kHead)) return false;
    for (int c = 0; c <= run.last_column; ++c) {
      cell_.assign(kHeaderCellStart);
      AppendHtmlEscaped(cell_, run.result.ColumnName(c));
      cell_ += kHeaderCellEnd;
      if (!run.WriteLine(sink_, cell_)) return false;
    }
    return run.WriteLine(sink_, kBodyOpening);
  }
  bool Row(WriterRun& run) override {
    for (int c = 0; c <= run.last_column; ++c) {
      Status s = run.result.Get(c, value_);
      cell_.clear();
      if (!s) {
        // A value that cannot be read is written like a NULL (the failed NULL test), never
        // with the previous cell's text.
        if (!run.Fail(s)) return false;
        cell_ += "<BR>";
      } else if (value_.is_null()) {
        cell_ += "<BR>";
      } else {
        AppendHtmlEscaped(cell_, ValueText(value_, scratch_));
      }
      if (!run.WriteLine(sink_, cell_start_, cell_, cell_end_)) return false;
    }
    return run.WriteLine(sink_, kRowEnd);
  }
  void Finish(WriterRun& run) override { run.Finish(sink_); }

 private:
  LineSink sink_;
  std::string cell_start_, cell_end_;  // in the file's encoding
  std::string cell_;
  odbc::Value value_;
  std::string scratch_;
};

}  // namespace

void WriteHtmlFile(WriterRun& run) {
  HtmlWriter writer;
  WriteRows(run, writer);
}

}  // namespace kelvax
