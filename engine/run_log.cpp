#include "engine/run_log.h"

#include <algorithm>

#include "engine/log_text.h"
#include "engine/password_mask.h"
#include "platform/fs/file_ops.h"
#include "platform/fs/folders.h"
#include "platform/text/cp932.h"
#include "platform/text/line_breaks.h"

namespace kelvax {

const char* const kLogSeparator =
    "-------------------------------------------------------------------------------";

namespace {

// Every line of the log ends in CR LF, whatever a driver's message or a caller brought: a lone
// LF or CR becomes CR LF.
std::string WithCrLfLineEnds(const std::string& text) { return ReplaceLineBreaks(text, "\r\n"); }

}  // namespace

RunLog::RunLog(std::string path) : path_(std::move(path)) {}

void RunLog::AddSecretsOf(const std::string& connect_string) {
  for (std::string& value : PasswordsIn(connect_string)) {
    if (std::find(secrets_.begin(), secrets_.end(), value) == secrets_.end()) {
      secrets_.push_back(std::move(value));
    }
  }
}

std::string RunLog::Mask(const std::string& text) const { return MaskPassword(text, secrets_); }

std::string RunLog::MaskedBytes(const std::string& text) const {
  return ToCp932(WithCrLfLineEnds(Mask(text)));
}

Status RunLog::WriteLog(std::string& message) {
  message = WithCrLfLineEnds(Mask(message));
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

std::string RunLog::RecordBytes(std::string message) const {
  message += kLogSeparator;
  message += "\r\n";
  return MaskedBytes(message) + "\r\n";
}

Status RunLog::WriteFailure(std::string message) {
  failure_written_ = true;
  const bool first = failure_count_++ == 0;
  Status s = WriteLog(message);
  if (first) first_failure_ = message;  // as written: masked
  return s;
}

std::string DefaultRunLogPath() {
  std::string folder = CurrentProgramFolders().state;
  if (!folder.empty() && folder.back() == '/') return folder + "SQLLOG.txt";
  return folder + "/SQLLOG.txt";
}

}  // namespace kelvax
