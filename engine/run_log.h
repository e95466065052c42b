// The run log SQLLOG.txt beside the executable: one record per call, written in CP932 and
// opened, appended and closed each time, so a record is complete on disk when WriteLog returns.
#pragma once

#include <string>

#include "platform/status.h"

namespace kelvax {

// 79 hyphen-minus characters: the line that closes every record.
extern const char* const kLogSeparator;

class RunLog {
 public:
  explicit RunLog(std::string path);

  const std::string& path() const { return path_; }

  // Appends message + separator + CR LF + CR LF, and leaves message holding the record text
  // (message + separator + CR LF). Once a write has failed, the log is broken: later writes fail
  // at once, so a run can end in order.
  Status WriteLog(std::string& message);
  // WriteLog for a caught failure: also remembered for the exit status.
  Status WriteFailure(std::string message);

  bool broken() const { return !broken_.ok(); }
  const Status& broken_status() const { return broken_; }
  bool failure_written() const { return failure_written_; }
  // Forgets the failure flag (start of a new run from the command center).
  void ResetRun() { failure_written_ = false; }

 private:
  std::string path_;
  Status broken_;
  bool failure_written_ = false;
};

// The run log's path: the executable's folder + "/SQLLOG.txt".
std::string DefaultRunLogPath();

}  // namespace kelvax
