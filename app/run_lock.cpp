#include "app/run_lock.h"

#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/fs/atomic_file.h"

namespace kelvax {

namespace {

constexpr const char* kDefaultLog = "SQLLOG.txt";
constexpr const char* kDefaultLock = ".kelvax.lock";
// Often enough that a waiting run starts soon after the other ends, rarely enough to cost nothing.
constexpr std::chrono::milliseconds kRetry{100};

}  // namespace

RunFiles RunFilesFor(const std::string& state, const std::string& log_option) {
  if (log_option.empty()) {
    return {state + (state.ends_with('/') ? "" : "/") + kDefaultLog, state, kDefaultLock};
  }
  std::string log = log_option;
  if (log.front() != '/') {
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd)) log = std::string(cwd) + "/" + log;
  }
  const std::string name = log.substr(log.rfind('/') + 1);
  return {log, FolderOf(log), name == kDefaultLog ? kDefaultLock : "." + name + ".kelvax.lock"};
}

Status HoldRunLock(InstanceLock& lock, const RunFiles& files, bool wait, int wait_seconds,
                   std::FILE* err, bool terminal) {
  // Another instance's lock beside a log of its own is named by that log.
  auto held_by_another = [&](const Status& s) {
    return files.lock_name == kDefaultLock
               ? s
               : s.WithDescription("another instance is running with the log " + files.log);
  };
  Status held = lock.Acquire(files.lock_folder, files.lock_name);
  if (!held.Is(StatusCode::kFileAlreadyOpen)) return held;
  if (!wait) return held_by_another(held);
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  long shown = -1;  // the seconds on the terminal's line
  for (;;) {
    const long waited =
        std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start).count();
    if (wait_seconds >= 0 && waited >= wait_seconds) break;
    if (terminal && waited != shown) {
      // \r returns to the line's start, ESC [ K clears what a longer line left.
      std::fprintf(err,
                   "\rkelvax: waiting for another instance running with the log %s: %ld s\033[K",
                   files.log.c_str(), waited);
      std::fflush(err);
      shown = waited;
    }
    std::this_thread::sleep_for(kRetry);
    held = lock.Acquire(files.lock_folder, files.lock_name);
    if (!held.Is(StatusCode::kFileAlreadyOpen)) break;
  }
  if (shown >= 0) {
    std::fputs("\r\033[K", err);  // the wait is over: its line goes
    std::fflush(err);
  }
  if (!held.Is(StatusCode::kFileAlreadyOpen)) return held;
  const Status busy = held_by_another(held);
  return busy.WithDescription(busy.description() + "; waited " + std::to_string(wait_seconds) +
                              " s");
}

}  // namespace kelvax
