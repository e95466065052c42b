#include "output/field_quote.h"

#include <cstring>

namespace kelvax {

namespace {

bool NeedsQuotes(std::string_view v, Separator separator) {
  if (separator == Separator::kComma) {
    return v.find_first_of(std::string_view(",\"\r\n", 4)) != std::string_view::npos;
  }
  return (!v.empty() && v.front() == '"') ||
         v.find_first_of(std::string_view("\t\r\n", 3)) != std::string_view::npos;
}

}  // namespace

void AppendField(std::string& line, std::string_view value, Separator separator) {
  if (!NeedsQuotes(value, separator)) {
    line.append(value);
    return;
  }
  line.push_back('"');
  size_t start = 0;
  for (size_t q = value.find('"'); q != std::string_view::npos; q = value.find('"', start)) {
    line.append(value.substr(start, q + 1 - start));
    line.push_back('"');
    start = q + 1;
  }
  line.append(value.substr(start));
  line.push_back('"');
}

}  // namespace kelvax
