// Where a run keeps its log and its single-instance lock, and taking that lock: one run at a time
// per log. The program's own log is SQLLOG.txt in its state folder, guarded by .kelvax.lock
// there; a log named with --log has its lock beside it, named after it, so that jobs with logs
// of their own run side by side while two runs of one job still exclude each other.
#pragma once

#include <cstdio>
#include <string>

#include "platform/fs/instance_lock.h"
#include "platform/status.h"

namespace kelvax {

struct RunFiles {
  std::string log;          // the run log, an absolute path
  std::string lock_folder;  // the log's folder
  std::string lock_name;    // .kelvax.lock for a log named SQLLOG.txt, else .NAME.kelvax.lock
};

// The files of a run: SQLLOG.txt in `state`, or `log_option` (relative to the working folder).
RunFiles RunFilesFor(const std::string& state, const std::string& log_option);

// Takes `lock` for `files`. While another instance holds it: with `wait`, tries again until it is
// free or `wait_seconds` have passed (-1: as long as it takes), saying how long it has waited on
// `err` when `terminal`; else gives up at once. The error names the log another instance runs
// with, or why the lock cannot be held.
Status HoldRunLock(InstanceLock& lock, const RunFiles& files, bool wait, int wait_seconds,
                   std::FILE* err, bool terminal);

}  // namespace kelvax
