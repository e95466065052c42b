#include "platform/process/stop_signal.h"

#include <fcntl.h>
#include <semaphore.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/process/fatal_signal.h"

namespace kelvax {

namespace {

volatile sig_atomic_t g_stop_signal = 0;
struct timespec g_first_stop {};

struct sigaction g_old_term, g_old_hup, g_old_int, g_old_xfsz, g_old_pipe;

// Posted by the first request, and by the end of the run.
sem_t g_wake;
volatile sig_atomic_t g_ending = 0;
std::thread g_watchdog;

std::mutex g_record_mutex;
std::string g_log_path;
std::string g_record;
long g_utc_offset = 0;  // seconds east of UTC when the record was prepared

void OnStop(int sig) {
  struct timespec now {};
  clock_gettime(CLOCK_MONOTONIC, &now);
  if (g_stop_signal != 0) {
    // One request often arrives twice at once: a supervisor such as timeout(1) signals both the
    // program and its process group. Only a request repeated a second later is a second one.
    const long long since_ns =
        (now.tv_sec - g_first_stop.tv_sec) * 1000000000LL + (now.tv_nsec - g_first_stop.tv_nsec);
    if (since_ns < 1000000000LL) return;
    // Asked twice: the run did not come to its end in time; end as the signal would have.
    signal(sig, SIG_DFL);
    raise(sig);
    return;
  }
  g_first_stop = now;
  g_stop_signal = sig;
  const int saved = errno;
  sem_post(&g_wake);
  errno = saved;
}

const char* SignalName(int sig) {
  switch (sig) {
    case SIGTERM:
      return "SIGTERM";
    case SIGHUP:
      return "SIGHUP";
    case SIGINT:
      return "SIGINT";
    default:
      return "";
  }
}

void Put(std::string& out, long value, int width) {
  char digits[20];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value > 0 || n < width);
  while (n > 0) out.push_back(digits[--n]);
}

// "YYYY/MM/DD H:MM:SS" local time by arithmetic alone: the run's thread may hold the locks that
// localtime_r takes.
std::string StampNow(long utc_offset) {
  struct timespec now {};
  clock_gettime(CLOCK_REALTIME, &now);
  const long long t = now.tv_sec + utc_offset;
  long long days = t / 86400, secs = t % 86400;
  if (secs < 0) secs += 86400, --days;
  days += 719468;
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const long long doe = days - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  const long long d = doy - (153 * mp + 2) / 5 + 1;
  const long long m = mp < 10 ? mp + 3 : mp - 9;
  const long long y = yoe + era * 400 + (m <= 2);
  std::string out;
  Put(out, static_cast<long>(y), 4), out += '/', Put(out, static_cast<long>(m), 2), out += '/';
  // The hour without a leading zero (9:05:03), as every record has it.
  Put(out, static_cast<long>(d), 2), out += ' ', Put(out, static_cast<long>(secs / 3600), 1);
  out += ':', Put(out, static_cast<long>(secs / 60 % 60), 2), out += ':';
  Put(out, static_cast<long>(secs % 60), 2);
  return out;
}

// The run did not end in time: its record, then the end, with no destructor run.
[[noreturn]] void EndNow() {
  const std::string removed = RemoveUnfinishedFiles();
  std::string bytes, path;
  {
    std::lock_guard<std::mutex> lock(g_record_mutex);
    path = g_log_path;
    for (char c : g_record) {
      if (c == kStopTimeMark) {
        bytes += StampNow(g_utc_offset);
      } else if (c == kStopSignalMark) {
        bytes += SignalName(g_stop_signal);
      } else if (c == kStopFilesMark) {
        bytes += removed;
      } else {
        bytes.push_back(c);
      }
    }
  }
  if (!bytes.empty() && !path.empty()) {
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW);
    if (fd >= 0) {
      (void)!write(fd, bytes.data(), bytes.size());
      close(fd);
    }
  }
  const std::string line = std::string("kelvax: still waiting ") +
                           std::to_string(kStopGraceSeconds) + " s after " +
                           SignalName(g_stop_signal) + "; ended\n";
  (void)!write(STDERR_FILENO, line.data(), line.size());  // nothing is left to do if it fails
  _exit(2);
}

void Watch() {
  while (sem_wait(&g_wake) != 0) {
  }
  if (g_ending) return;
  struct timespec deadline {};
  clock_gettime(CLOCK_REALTIME, &deadline);
  deadline.tv_sec += kStopGraceSeconds;
  while (sem_timedwait(&g_wake, &deadline) != 0) {
    if (errno == ETIMEDOUT) EndNow();
  }
}

}  // namespace

void PrepareStopRecord(const std::string& log_path, const std::string& record) {
  time_t now = time(nullptr);
  struct tm local {};
  localtime_r(&now, &local);
  std::lock_guard<std::mutex> lock(g_record_mutex);
  g_log_path = log_path;
  g_record = record;
  g_utc_offset = local.tm_gmtoff;
}

StopSignals::StopSignals() {
  sem_init(&g_wake, 0, 0);
  g_ending = 0;
  // The watchdog takes no signal: each goes to the run's thread.
  sigset_t all, old;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &old);
  g_watchdog = std::thread(Watch);
  pthread_sigmask(SIG_SETMASK, &old, nullptr);

  struct sigaction stop {};
  stop.sa_handler = OnStop;
  sigemptyset(&stop.sa_mask);
  // One handler at a time, so the first signal's time is whole before another compares with it.
  sigaddset(&stop.sa_mask, SIGTERM);
  sigaddset(&stop.sa_mask, SIGHUP);
  sigaddset(&stop.sa_mask, SIGINT);
  // Calls under way go on (a library's stdio write would take the interruption for a failure);
  // the run checks the flag between rows, and the watchdog ends a wait that never returns.
  stop.sa_flags = SA_RESTART;
  for (auto [sig, old_action] : {std::pair{SIGTERM, &g_old_term}, std::pair{SIGHUP, &g_old_hup},
                                 std::pair{SIGINT, &g_old_int}}) {
    sigaction(sig, nullptr, old_action);
    // A signal the starter chose to ignore (a job started in the background) stays ignored.
    if (old_action->sa_handler != SIG_IGN) sigaction(sig, &stop, nullptr);
  }
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGXFSZ, &ignore, &g_old_xfsz);
  sigaction(SIGPIPE, &ignore, &g_old_pipe);
}

StopSignals::~StopSignals() {
  sigaction(SIGTERM, &g_old_term, nullptr);
  sigaction(SIGHUP, &g_old_hup, nullptr);
  sigaction(SIGINT, &g_old_int, nullptr);
  sigaction(SIGXFSZ, &g_old_xfsz, nullptr);
  sigaction(SIGPIPE, &g_old_pipe, nullptr);
  g_ending = 1;
  sem_post(&g_wake);
  g_watchdog.join();
  sem_destroy(&g_wake);
  PrepareStopRecord("", "");
}

int StopSignalReceived() { return g_stop_signal; }

std::string StopSignalName() { return SignalName(g_stop_signal); }

}  // namespace kelvax
