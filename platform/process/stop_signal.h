// Ending a run in order from outside. While a StopSignals object lives, SIGTERM, SIGHUP and SIGINT
// only note that the run must stop (another one a second or more later ends the program at once,
// for a run stuck in a long statement); SIGXFSZ is ignored so that a write over the file-size
// limit fails and can be recorded instead of killing the program, and SIGPIPE so that a closed
// standard error pipe ends nothing.
//
// A run waiting inside a driver on a server that never answers sees no signal: calls under way
// are restarted, since the libraries below take an interrupted write for a failed one. So a
// watchdog waits kStopGraceSeconds after the first request; a run still going then has its
// unfinished output files removed and the record prepared with PrepareStopRecord appended to its
// log by write(2), and the program ends at once with status 2 (the lock goes with the process).
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

inline constexpr int kStopGraceSeconds = 5;

// The record the watchdog writes, as the log's bytes: each kStopTimeMark becomes the time stamp,
// each kStopSignalMark the signal's name, and kStopFilesMark the lines naming the unfinished
// files (UnfinishedFile) the watchdog removed. An empty record: the run's own was written, and
// the watchdog only removes those files and ends the program.
inline constexpr char kStopTimeMark = '\x01';
inline constexpr char kStopSignalMark = '\x02';
inline constexpr char kStopFilesMark = '\x03';
void PrepareStopRecord(const std::string& log_path, const std::string& record);

// The signal that asked the run to stop, 0 when none came.
int StopSignalReceived();
// "SIGTERM", "SIGHUP", "SIGINT", or empty when none came.
std::string StopSignalName();

}  // namespace kelvax
