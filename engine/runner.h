// RunJobFile: runs every task of a job file in order and keeps the run log's task and end-of-run
// records.
#pragma once

#include <ctime>
#include <string>

#include "engine/job_task.h"
#include "engine/run_host.h"
#include "engine/run_log.h"
#include "engine/workers.h"
#include "platform/ini/ini_file.h"

namespace kelvax {

struct RunResult {
  bool fatal = false;        // the run ended with the fatal-error record
  bool no_task = false;      // the fatal error is that no task was run
  bool log_failed = false;   // the run log could not be written
  bool cut = false;          // a stop request (progress window, signal) ended the run
  int finished_before_cut = 0;  // the task that finished while the stop was pending, if any
  bool task_failed = false;  // some task wrote a failure record
  int tasks_run = 0;         // tasks dispatched
  int tasks_failed = 0;      // of those, tasks with at least one failure
  std::string fatal_record;  // the fatal-error text heading the end-of-run record, if any

  // 0 no failure record, 1 a task failed, 2 the run failed or was cut.
  int ExitStatus() const;
};

// Elapsed time between two timer readings as HH:MM:SS. A run across midnight counts on past
// 24 hours instead of going negative.
std::string FormatElapsed(double start, double now);

// Runs the job. `task` keeps the last task's values afterwards (and reports the previous ones in
// a fatal record raised before the first task is read). A job that runs no task ends with the
// fatal record as well. `macro_day`, when given, is the day the date macros are computed from
// (a missed run done later); the records keep the real clock.
RunResult RunJobFile(const std::string& job_path, JobTask& task, RunLog& log,
                     const Workers& workers, RunHost& host, const std::tm* macro_day = nullptr);

// Runs a job file read already, so that what was checked and warned about is what runs even if
// the file is replaced meanwhile. `job_path` names where it was read from (the tasks' folder).
RunResult RunJobFile(const std::string& job_path, const IniFile& file, JobTask& task, RunLog& log,
                     const Workers& workers, RunHost& host, const std::tm* macro_day = nullptr);

}  // namespace kelvax
