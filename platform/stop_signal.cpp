#include "platform/stop_signal.h"

#include <signal.h>
#include <time.h>

#include <utility>

namespace kelvax {

namespace {

volatile sig_atomic_t g_stop_signal = 0;
struct timespec g_first_stop{};

struct sigaction g_old_term, g_old_int, g_old_xfsz;

void OnStop(int sig) {
  struct timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  if (g_stop_signal != 0) {
    // One request often arrives twice at once: a supervisor such as timeout(1) signals both the
    // program and its process group. Only a request repeated a second later is a second one.
    const long long since_ns = (now.tv_sec - g_first_stop.tv_sec) * 1000000000LL +
                               (now.tv_nsec - g_first_stop.tv_nsec);
    if (since_ns < 1000000000LL) return;
    // Asked twice: the run did not come to its end in time; end as the signal would have.
    signal(sig, SIG_DFL);
    raise(sig);
    return;
  }
  g_first_stop = now;
  g_stop_signal = sig;
}

}  // namespace

StopSignals::StopSignals() {
  struct sigaction stop{};
  stop.sa_handler = OnStop;
  sigemptyset(&stop.sa_mask);
  // One handler at a time, so the first signal's time is whole before another compares with it.
  sigaddset(&stop.sa_mask, SIGTERM);
  sigaddset(&stop.sa_mask, SIGINT);
  // Calls under way (a driver waiting on its server) go on; the run checks the flag between rows.
  stop.sa_flags = SA_RESTART;
  for (auto [sig, old] : {std::pair{SIGTERM, &g_old_term}, std::pair{SIGINT, &g_old_int}}) {
    sigaction(sig, nullptr, old);
    // A signal the starter chose to ignore (a job started in the background) stays ignored.
    if (old->sa_handler != SIG_IGN) sigaction(sig, &stop, nullptr);
  }
  struct sigaction ignore{};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGXFSZ, &ignore, &g_old_xfsz);
}

StopSignals::~StopSignals() {
  sigaction(SIGTERM, &g_old_term, nullptr);
  sigaction(SIGINT, &g_old_int, nullptr);
  sigaction(SIGXFSZ, &g_old_xfsz, nullptr);
}

int StopSignalReceived() { return g_stop_signal; }

std::string StopSignalName() {
  switch (g_stop_signal) {
    case SIGTERM: return "SIGTERM";
    case SIGINT: return "SIGINT";
    default: return "";
  }
}

}  // namespace kelvax
