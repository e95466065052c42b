#include "tests/support/log_text.h"

#include <regex>

#include "platform/cp932.h"
#include "tests/support/sandbox.h"

namespace kelvax::test {

std::string NormalizeClock(const std::string& utf8) {
  static const std::regex stamp(R"(\d{4}/\d{2}/\d{2} \d{1,2}:\d{2}:\d{2})");
  static const std::regex elapsed(R"(\d{2}:\d{2}:\d{2}(経過しています|かかりました))");
  std::string s = std::regex_replace(utf8, stamp, "<TS>");
  return std::regex_replace(s, elapsed, "<ET>$1");
}

std::vector<std::string> ReadLogRecords(const std::string& path) {
  std::vector<std::string> out;
  for (const auto& r : SplitLogRecords(ReadFileBytes(path))) {
    out.push_back(NormalizeClock(FromCp932(r)));
  }
  return out;
}

}  // namespace kelvax::test
