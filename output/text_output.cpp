#include "output/text_output.h"

#include "engine/value_text.h"
#include "output/html_escape.h"
#include "platform/cp932.h"
#include "output/line_sink.h"

namespace kelvax {

namespace {

// One line of header or row: fields joined by the separator. A value that cannot be read is an
// empty field (after its record), so the values after it stay under their own headers. With `html` (the clipboard), each line is also a table row there,
// a cell per field of the line, so that a paste gives the same cells as the text.
class LineBuilder {
 public:
  explicit LineBuilder(Separator s, std::string* html = nullptr) : separator_(s), html_(html) {
    line_.reserve(4096);
  }

  void Header(const odbc::ResultSet& result, int last_column) {
    StartLine();
    for (int c = 0; c <= last_column; ++c) AddField(result.ColumnName(c));
    EndLine();
  }

  // Reads the current row's values. Returns false when the writer must stop.
  bool Row(WriterRun& run) {
    StartLine();
    for (int c = 0; c <= run.last_column; ++c) {
      odbc::Value value;
      Status s = run.result.Get(c, value);
      if (!s) {
        if (!run.Fail(s)) return false;
        AddField({});
        continue;
      }
      std::string_view text = ValueText(value, scratch_);
      // The clipboard takes UTF-8: an ill-formed sequence there shows as U+FFFD, as a file's
      // encoder writes it as a counted '?'.
      if (html_ && !IsValidUtf8(text)) {
        repaired_.clear();
        (void)AppendRepairedUtf8(text, repaired_);  // shown as U+FFFD, the count is not needed
        text = repaired_;
      }
      AddField(text);
    }
    return true;
  }

  // Drops the last separator and ends the line (and the table row).
  void EndLine() {
    if (!line_.empty()) line_.pop_back();
    FinishLine(line_, separator_);
    if (html_) *html_ += "</tr>\r\n";
  }
  const std::string& line() const { return line_; }

 private:
  void StartLine() {
    line_.clear();
    if (html_) *html_ += "<tr>";
  }
  void AddField(std::string_view value) {
    AppendField(line_, value, separator_);
    line_.push_back(static_cast<char>(separator_));
    if (!html_) return;
    *html_ += "<td>";
    AppendHtmlEscaped(*html_, value, LineBreaks::kBr);
    *html_ += "</td>";
  }

  Separator separator_;
  std::string* html_;
  std::string line_;
  std::string scratch_;
  std::string repaired_;
};

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
