#include "output/text_output.h"

#include "output/line_sink.h"

namespace kelvax {

namespace {

// One line of header or row: fields joined by the separator. A failed value is left out
// together with its separator.
class LineBuilder {
 public:
  explicit LineBuilder(Separator s) : separator_(s) { line_.reserve(4096); }

  void Header(const odbc::ResultSet& result, int last_column) {
    line_.clear();
    for (int c = 0; c <= last_column; ++c) {
      AppendField(line_, result.ColumnName(c), separator_);
      line_.push_back(static_cast<char>(separator_));
    }
    DropLastCharacter();
  }

  // Reads the current row's values. Returns false when the writer must stop.
  bool Row(WriterRun& run) {
    line_.clear();
    for (int c = 0; c <= run.last_column; ++c) {
      std::string_view text;
      bool is_null = false;
      Status s = run.result.Value(c, text, is_null);
      if (!s) {
        if (!run.Fail(s)) return false;
        continue;
      }
      if (!is_null) AppendField(line_, text, separator_);
      line_.push_back(static_cast<char>(separator_));
    }
    return true;
  }

  void DropLastCharacter() {
    if (!line_.empty()) line_.pop_back();
    FinishLine(line_, separator_);
  }
  const std::string& line() const { return line_; }

 private:
  Separator separator_;
  std::string line_;
};

// Advances past the current row; a failure is recorded and leaves the result at its end.
bool Advance(WriterRun& run) {
  Status s = run.result.NextRow();
  return s.ok() || run.Fail(s);
}

// Header and rows; returns early only when the writer must stop.
void WriteLines(WriterRun& run, Separator separator, LineSink& sink) {
  if (Status s = sink.Create(run.path); !s && !run.Fail(s)) return;

  LineBuilder builder(separator);
  builder.Header(run.result, run.last_column);
  if (Status s = sink.WriteLine(builder.line()); !s && !run.FailLine(s)) return;

  while (NextRowAvailable(run)) {
    ++run.rows;
    if (!builder.Row(run) || !Advance(run)) return;
    builder.DropLastCharacter();
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
  LineBuilder builder(Separator::kTab);
  builder.Header(run.result, run.last_column);
  std::string text = builder.line() + "\r\n";

  while (NextRowAvailable(run)) {
    ++run.rows;
    if (!builder.Row(run) || !Advance(run)) break;
    builder.DropLastCharacter();
    text += builder.line();
    text += "\r\n";
    if (!run.Progress()) break;
  }
  if (run.stopped()) return;
  // The host has shown its message to the user; the log keeps it too.
  if (Status s = run.context.host.CopyToClipboard(text, std::string()); !s) run.Fail(s);
}

}  // namespace kelvax
