#include "engine/task_context.h"

#include "engine/log_text.h"

namespace kelvax {

Status TaskContext::RecordFailure(std::string_view headline, const Status& status,
                                  std::initializer_list<std::string_view> fields) {
  ++outcome_.failures;
  return log.WriteFailure(FailureRecord(headline, status, fields));
}

Status TaskContext::RecordCount(std::string_view headline, std::string_view what, std::size_t count,
                                std::initializer_list<std::string_view> fields) {
  ++outcome_.failures;
  return log.WriteFailure(LogRecord(headline, std::string(what) + std::to_string(count), fields));
}

bool TaskContext::StopRequested() {
  if (!host.CutRequested()) return false;
  outcome_.cut = true;
  return true;
}

void TaskContext::LeaveBehind(std::string what) {
  outcome_.cut = true;
  outcome_.left_behind = std::move(what);
}

}  // namespace kelvax
