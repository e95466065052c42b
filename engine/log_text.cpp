#include "engine/log_text.h"

#include "engine/failure_text.h"
#include "platform/time/clock.h"

namespace kelvax {

std::string FailureRecord(std::string_view headline, const Status& status,
                          std::initializer_list<std::string_view> fields) {
  std::string text = TimeStamp();
  text += headline;
  text += kCrLf;
  text += std::to_string(RecordNumber(status));
  text += ':';
  text += RecordText(status);
  text += kCrLf;
  for (std::string_view f : fields) {
    text += f;
    text += kCrLf;
  }
  return text;
}

}  // namespace kelvax
