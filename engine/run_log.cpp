#include "engine/run_log.h"

#include "platform/cp932.h"
#include "platform/file_ops.h"
#include "platform/folders.h"

namespace kelvax {

const char* const kLogSeparator =
    "-------------------------------------------------------------------------------";

RunLog::RunLog(std::string path) : path_(std::move(path)) {}

Status RunLog::WriteLog(std::string& message) {
  message += kLogSeparator;
  message += "\r\n";
  if (broken()) return broken_;

  std::string bytes = ToCp932(message);
  bytes += "\r\n";
  // A record that cannot be written whole is cut back off, so the log never ends torn.
  if (Status s = AppendWhole(path_, bytes); !s) {
    broken_ = s;
    return broken_;
  }
  return Status::Ok();
}

Status RunLog::WriteFailure(std::string message) {
  failure_written_ = true;
  return WriteLog(message);
}

std::string DefaultRunLogPath() {
  std::string folder = ExecutableFolder();
  if (!folder.empty() && folder.back() == '/') return folder + "SQLLOG.txt";
  return folder + "/SQLLOG.txt";
}

}  // namespace kelvax
