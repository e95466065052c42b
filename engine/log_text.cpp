#include "engine/log_text.h"

#include "engine/failure_text.h"
#include "platform/time/clock.h"

namespace kelvax {

std::string LogRecord(std::string_view headline, std::string_view second,
                      std::initializer_list<std::string_view> fields) {
  std::string text = TimeStamp();
  text += headline;
  text += kCrLf;
  text += second;
  text += kCrLf;
  for (std::string_view f : fields) {
    text += f;
    text += kCrLf;
  }
  return text;
}

std::string FailureRecord(std::string_view headline, const Status& status,
                          std::initializer_list<std::string_view> fields) {
  return LogRecord(headline, std::to_string(RecordNumber(status)) + ":" + RecordText(status),
                   fields);
}

}  // namespace kelvax
