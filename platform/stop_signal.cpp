#include "platform/stop_signal.h"

#include <signal.h>

#include <utility>

namespace kelvax {

namespace {

volatile sig_atomic_t g_stop_signal = 0;

struct sigaction g_old_term, g_old_int, g_old_xfsz;

void OnStop(int sig) {
  if (g_stop_signal != 0) {
    // Asked twice: the run did not come to its end in time; end as the signal would have.
    signal(sig, SIG_DFL);
    raise(sig);
    return;
  }
  g_stop_signal = sig;
}

}  // namespace

StopSignals::StopSignals() {
  struct sigaction stop{};
  stop.sa_handler = OnStop;
  sigemptyset(&stop.sa_mask);
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
