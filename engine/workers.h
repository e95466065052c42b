// The table of task handlers the dispatch calls. app/ fills it; the runner does not know where
// the workers live. An empty entry accepts the task and does nothing.
#pragma once

#include <functional>
#include <string>

#include "engine/job_task.h"
#include "engine/run_host.h"
#include "engine/run_log.h"

namespace kelvax {

// What a worker may use while it runs one task.
struct TaskContext {
  TaskContext(JobTask& t, RunLog& l, RunHost& h) : task(t), log(l), host(h) {}

  JobTask& task;
  RunLog& log;
  RunHost& host;
  // Set by a worker that was cut short: what it left behind (a removed output, rows kept), for
  // the record that ends the run.
  std::string left_behind;
};

// A task handler: takes the job file path and the section name for uniformity, reads everything
// from the task, logs its own failures, returns an empty text the runner ignores.
using TaskHandler =
    std::function<std::string(TaskContext&, const std::string& job_path, const std::string& section)>;

struct Workers {
  TaskHandler OutputResult;
  TaskHandler ExportResult;
  TaskHandler CreateMdb97;
  TaskHandler CreateQuery97;
  TaskHandler RunQuery97;
  TaskHandler CompactMdb97;
  TaskHandler RunFileCopy;
};

}  // namespace kelvax
