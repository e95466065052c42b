// Ending a run in order from outside. While a StopSignals object lives, SIGTERM and SIGINT only
// note that the run must stop (another one a second or more later ends the program at once, for a
// run stuck in a long statement), and SIGXFSZ is ignored so that a write over the file-size limit
// fails and can be recorded instead of killing the program.
#pragma once

#include <string>

namespace kelvax {

class StopSignals {
 public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;
};

// The signal that asked the run to stop, 0 when none came.
int StopSignalReceived();
// "SIGTERM", "SIGINT", or empty when none came.
std::string StopSignalName();

}  // namespace kelvax
