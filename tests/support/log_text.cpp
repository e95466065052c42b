#include "tests/support/log_text.h"

#include <regex>

#include "platform/text/cp932.h"
#include "tests/support/sandbox.h"

namespace kelvax::test {

std::vector<std::string> ReadLogRecords(const std::string& path) {
  static const std::regex stamp(R"(\d{4}/\d{2}/\d{2} \d{1,2}:\d{2}:\d{2})");
  static const std::regex elapsed(R"(\d{2}:\d{2}:\d{2}(経過しています|かかりました))");
  const std::string log = ReadFileBytes(path), end = std::string(kSeparator) + "\r\n\r\n";
  std::vector<std::string> records;
  for (size_t pos = 0; pos < log.size();) {
    const size_t at = log.find(end, pos);  // none: a torn tail, which shows up in a comparison
    const std::string record = FromCp932(log.substr(pos, at == std::string::npos ? at : at - pos));
    records.push_back(
        std::regex_replace(std::regex_replace(record, stamp, "<TS>"), elapsed, "<ET>$1"));
    pos = at == std::string::npos ? log.size() : at + end.size();
  }
  return records;
}

}  // namespace kelvax::test
