// The run log SQLLOG.txt (beside a copied executable): one record per call, written in CP932 and
// opened, appended and closed each time, so a record is complete on disk when WriteLog returns.
#pragma once

#include <string>
#include <vector>

#include "platform/status.h"

namespace kelvax {

// 79 hyphen-minus characters: the line that closes every record.
extern const char* const kLogSeparator;

class RunLog {
 public:
  explicit RunLog(std::string path);

  const std::string& path() const { return path_; }

  // Appends message + separator + CR LF + CR LF, and leaves message holding the record text
  // (message + separator + CR LF). Passwords are masked first (Mask), so the record text holds
  // none either, and every lone LF or CR becomes CR LF. Once a write has failed, the log is
  // broken: later writes fail at once, so a run can end in order.
  Status WriteLog(std::string& message);
  // The bytes WriteLog would append for `message`, for a record written later by other means.
  std::string RecordBytes(std::string message) const;
  // WriteLog for a caught failure: also remembered for the exit status.
  Status WriteFailure(std::string message);

  // The password values of a task's connect string: masked wherever they appear in a later
  // record, a driver's message included, for as long as this log lives.
  void AddSecretsOf(const std::string& connect_string);
  // `text` as a record or a line on standard error may show it: every password form masked.
  std::string Mask(const std::string& text) const;
  // `text` (lines ending in CR LF) in the bytes a record holds: masked, in code page 932. For the
  // parts of a record that must be prepared before it can be written (a crash's).
  std::string MaskedBytes(const std::string& text) const;

  bool broken() const { return !broken_.ok(); }
  const Status& broken_status() const { return broken_; }
  bool failure_written() const { return failure_written_; }
  // Failures this run (records and marked ones), and the text of the first failure record.
  int failure_count() const { return failure_count_; }
  const std::string& first_failure() const { return first_failure_; }

  // Forgets the failure flag (start of a new run from the command center).
  void ResetRun() {
    failure_written_ = false;
    failure_count_ = 0;
    first_failure_.clear();
  }

 private:
  std::string path_;
  std::vector<std::string> secrets_;
  Status broken_;
  bool failure_written_ = false;
  int failure_count_ = 0;
  std::string first_failure_;
};

// The run log's path: SQLLOG.txt in the state folder (CurrentProgramFolders).
std::string DefaultRunLogPath();

}  // namespace kelvax
