// The line of TAB or CSV text the text writers and the clipboard build from a header or a row.
#pragma once

#include <string>
#include <string_view>

#include "engine/value_text.h"
#include "output/field_quote.h"
#include "output/html_escape.h"
#include "output/writer_run.h"
#include "platform/text/utf8.h"

namespace kelvax {

// One line of header or row: fields joined by the separator. A value that cannot be read is an
// empty field (after its record), so the values after it stay under their own headers. With
// `html` (the clipboard), each line is also a table row there, a cell per field of the line, so
// that a paste gives the same cells as the text.
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

}  // namespace kelvax
