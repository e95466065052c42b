#include "engine/run_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "engine/log_text.h"
#include "platform/cp932.h"
#include "platform/folders.h"

namespace kelvax {

const char* const kLogSeparator =
    "-------------------------------------------------------------------------------";

RunLog::RunLog(std::string path) : path_(std::move(path)) {}

void RunLog::AddSecretsOf(const std::string& connect_string) {
  for (std::string& value : PasswordsIn(connect_string)) {
    if (std::find(secrets_.begin(), secrets_.end(), value) == secrets_.end()) {
      secrets_.push_back(std::move(value));
    }
  }
}

std::string RunLog::Mask(const std::string& text) const { return MaskPassword(text, secrets_); }

Status RunLog::WriteLog(std::string& message) {
  message = Mask(message);
  message += kLogSeparator;
  message += "\r\n";
  if (broken()) return broken_;

  std::string bytes = ToCp932(message);
  bytes += "\r\n";
  int fd = open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) {
    broken_ = ErrnoStatus(errno, path_);
    return broken_;
  }
  // One write call per record, so that two programs appending at once never interleave lines.
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      broken_ = ErrnoStatus(n < 0 ? errno : ENOSPC, path_);
      close(fd);
      return broken_;
    }
    done += static_cast<size_t>(n);
  }
  if (close(fd) != 0) {
    broken_ = ErrnoStatus(errno, path_);
    return broken_;
  }
  return Status::Ok();
}

Status RunLog::WriteFailure(std::string message) {
  failure_written_ = true;
  if (failure_count_++ == 0) first_failure_ = message;
  return WriteLog(message);
}

std::string DefaultRunLogPath() {
  std::string folder = CurrentProgramFolders().state;
  if (!folder.empty() && folder.back() == '/') return folder + "SQLLOG.txt";
  return folder + "/SQLLOG.txt";
}

}  // namespace kelvax
