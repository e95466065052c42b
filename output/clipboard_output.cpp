#include "output/clipboard_output.h"

#include "output/line_builder.h"
#include "output/row_loop.h"

namespace kelvax {

namespace {

// The TAB text and the HTML table, built in one pass and handed over whole at the end.
class ClipboardWriter : public RowWriter {
 public:
  bool Begin(WriterRun& run) override {
    builder_.Header(run.result, run.last_column);
    text_ = builder_.line() + "\r\n";
    return true;
  }
  bool Row(WriterRun& run) override {
    const std::size_t row_start = html_.size();
    if (!builder_.Row(run)) {
      html_.resize(row_start);  // the text leaves out an unfinished row too
      return false;
    }
    builder_.EndLine();
    text_ += builder_.line();
    text_ += "\r\n";
    return true;
  }
  void Finish(WriterRun& run) override {
    if (run.stopped()) return;
    // The rows read before a fetch failure still go to the clipboard, after its record.
    if (run.result_ended() && !run.Fail(run.ended_by())) return;
    html_ += "</table></body></html>\r\n";
    // The host has shown its message to the user; the log keeps it too.
    if (Status s = run.context.host.CopyToClipboard(text_, html_); !s) run.Fail(s);
  }

 private:
  std::string html_ = "<html><head><meta charset=\"utf-8\"></head><body><table>\r\n";
  LineBuilder builder_{Separator::kTab, &html_};
  std::string text_;
};

}  // namespace

void CopyResultToClipboard(WriterRun& run) {
  ClipboardWriter writer;
  WriteRows(run, writer);
}

}  // namespace kelvax
