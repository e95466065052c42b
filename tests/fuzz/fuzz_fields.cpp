// CSV and TAB fields, and the clipboard's HTML form of TAB text. Rows of fields are written with
// the output's field quoting, then read back by readers written here from the formats' rules
// (RFC 4180 for CSV; for TAB a field that starts with a double quote is quoted), and the TAB text
// converted to HTML is read back cell by cell: every reading gives the original fields.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "output/field_quote.h"
#include "tests/fuzz/check.h"
#include "ui/tab_html.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

std::string Join(const Rows& rows) {
  std::string s;
  for (const auto& row : rows) {
    for (const auto& f : row) s += "[" + f + "]";
    s += "\n";
  }
  return s;
}

// Lines end in CR LF; a quoted field may hold separators and line breaks; "" inside is one quote.
// A quote inside an unquoted field, or text after a closing quote, is a fault of the writer.
bool ReadDelimited(const std::string& text, char separator, Rows& rows) {
  size_t i = 0;
  while (i < text.size()) {
    std::vector<std::string> row;
    for (;;) {
      std::string field;
      if (i < text.size() && text[i] == '"') {
        ++i;
        for (;;) {
          if (i >= text.size()) return false;
          if (text[i] == '"') {
            if (i + 1 < text.size() && text[i + 1] == '"') {
              field += '"';
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          field += text[i++];
        }
      } else {
        while (i < text.size() && text[i] != separator && text[i] != '\r' && text[i] != '\n') {
          if (separator == ',' && text[i] == '"') return false;
          field += text[i++];
        }
      }
      row.push_back(std::move(field));
      if (i < text.size() && text[i] == separator) {
        ++i;
        continue;
      }
      break;
    }
    if (text.compare(i, 2, "\r\n") != 0) return false;
    i += 2;
    rows.push_back(std::move(row));
  }
  return true;
}

// The table cells of the clipboard's HTML, unescaped; <br> read as LF.
bool ReadHtmlTable(const std::string& html, Rows& rows) {
  size_t i = html.find("<table>");
  if (i == std::string::npos) return false;
  for (;;) {
    const size_t tr = html.find("<tr>", i);
    if (tr == std::string::npos) break;
    const size_t tr_end = html.find("</tr>", tr);
    if (tr_end == std::string::npos) return false;
    std::vector<std::string> row;
    size_t j = tr + 4;
    while (j < tr_end) {
      if (html.compare(j, 4, "<td>") != 0) return false;
      const size_t td_end = html.find("</td>", j);
      if (td_end == std::string::npos || td_end > tr_end) return false;
      std::string cell;
      for (size_t k = j + 4; k < td_end;) {
        static const std::pair<const char*, char> kEntities[] = {
            {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"<br>", '\n'}};
        bool matched = false;
        for (const auto& [entity, c] : kEntities) {
          const std::string_view e(entity);
          if (html.compare(k, e.size(), e) == 0) {
            cell += c;
            k += e.size();
            matched = true;
            break;
          }
        }
        if (matched) continue;
        // Markup characters never appear raw in a cell.
        if (html[k] == '<' || html[k] == '>' || html[k] == '&' || html[k] == '"') return false;
        cell += html[k++];
      }
      row.push_back(std::move(cell));
      j = td_end + 5;
    }
    rows.push_back(std::move(row));
    i = tr_end + 5;
  }
  return true;
}

// Line breaks in a value (CR LF, CR or LF) all become one break in HTML.
std::string AsHtmlCell(const std::string& v) {
  std::string out;
  for (size_t i = 0; i < v.size(); ++i) {
    if (v[i] == '\r') {
      if (i + 1 < v.size() && v[i + 1] == '\n') ++i;
      out += '\n';
    } else {
      out += v[i];
    }
  }
  return out;
}

std::string Write(const Rows& rows, kelvax::Separator separator) {
  std::string text;
  for (const auto& row : rows) {
    std::string line;
    for (size_t c = 0; c < row.size(); ++c) {
      if (c > 0) line += static_cast<char>(separator);
      kelvax::AppendField(line, row[c], separator);
    }
    kelvax::FinishLine(line, separator);
    text += line + "\r\n";
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using kelvax::Separator;
  FuzzedDataProvider in(data, size);
  const size_t columns = in.ConsumeIntegralInRange<size_t>(1, 4);
  Rows rows;
  while (in.remaining_bytes() > 0 && rows.size() < 8) {
    std::vector<std::string> row;
    for (size_t c = 0; c < columns; ++c) row.push_back(in.ConsumeRandomLengthString(64));
    rows.push_back(std::move(row));
  }

  const std::string csv = Write(rows, Separator::kComma);
  Rows back;
  FUZZ_CHECK(ReadDelimited(csv, ',', back), csv);
  FUZZ_CHECK(back == rows, Join(back), Join(rows));

  const std::string tab = Write(rows, Separator::kTab);
  back.clear();
  FUZZ_CHECK(ReadDelimited(tab, '\t', back), tab);
  FUZZ_CHECK(back == rows, Join(back), Join(rows));

  const std::string html = kelvax::ui::TabTextToHtml(tab);
  back.clear();
  FUZZ_CHECK(ReadHtmlTable(html, back), html);
  Rows want = rows;
  for (auto& row : want) {
    for (auto& v : row) v = AsHtmlCell(v);
  }
  FUZZ_CHECK(back == want, Join(back), Join(want));
  return 0;
}
