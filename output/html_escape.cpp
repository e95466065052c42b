#include "output/html_escape.h"

namespace kelvax {

void AppendHtmlEscaped(std::string& out, std::string_view text, LineBreaks breaks) {
  const bool br = breaks == LineBreaks::kBr;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char* entity = nullptr;
    switch (text[i]) {
      case '&':
        entity = "&amp;";
        break;
      case '<':
        entity = "&lt;";
        break;
      case '>':
        entity = "&gt;";
        break;
      case '"':
        entity = "&quot;";
        break;
      case '\r':
      case '\n':
        if (!br) continue;
        entity = "<br>";
        break;
      default:
        continue;
    }
    out.append(text.substr(start, i - start));
    out += entity;
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;  // CR LF is one break
    start = i + 1;
  }
  out.append(text.substr(start));
}

}  // namespace kelvax
