#include "ui/tab_html.h"

namespace kelvax::ui {

namespace {

void AppendEscaped(std::string& out, std::string_view value) {
  for (size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\r':
        if (i + 1 < value.size() && value[i + 1] == '\n') ++i;
        out += "<br>";
        break;
      case '\n': out += "<br>"; break;
      default: out.push_back(c);
    }
  }
}

bool AtLineEnd(std::string_view text, size_t i) {
  return text[i] == '\n' || (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n');
}

}  // namespace

std::string TabTextToHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2 + 200);
  out += "<html><head><meta charset=\"utf-8\"></head><body><table>\r\n";
  std::string value;
  size_t i = 0;
  while (i < text.size()) {
    out += "<tr>";
    // One line: fields until the line break or the end of the text.
    while (true) {
      value.clear();
      if (i < text.size() && text[i] == '"') {
        ++i;
        while (i < text.size()) {
          if (text[i] == '"') {
            if (i + 1 < text.size() && text[i + 1] == '"') {
              value.push_back('"');
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          value.push_back(text[i++]);
        }
      }
      // Unquoted text (or anything after a closing quote) runs to the separator.
      while (i < text.size() && text[i] != '\t' && !AtLineEnd(text, i)) value.push_back(text[i++]);
      out += "<td>";
      AppendEscaped(out, value);
      out += "</td>";
      if (i < text.size() && text[i] == '\t') {
        ++i;
        continue;
      }
      break;
    }
    out += "</tr>\r\n";
    if (i < text.size()) i += text[i] == '\r' ? 2 : 1;
  }
  out += "</table></body></html>\r\n";
  return out;
}

}  // namespace kelvax::ui
