// What a worker may use while it runs one task, and the task's one recorder: every failure
// record of a task is formatted and counted here, and the worker returns the outcome it built,
// which the runner reads instead of the log.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

#include "engine/job_task.h"
#include "engine/run_host.h"
#include "engine/run_log.h"
#include "platform/status.h"

namespace kelvax {

// How one task ended.
struct TaskOutcome {
  int failures = 0;  // failure records written for the task
  // A stop request ended the task before its work was done. A task that finished while a stop
  // was pending is not cut: the stop takes effect after it.
  bool cut = false;
  std::string left_behind;  // for a cut task: what it left (a removed output, rows kept)
};

class TaskContext {
 public:
  TaskContext(JobTask& t, RunLog& l, RunHost& h) : task(t), log(l), host(h) {}
  TaskContext(const TaskContext&) = delete;
  TaskContext& operator=(const TaskContext&) = delete;

  JobTask& task;
  RunLog& log;
  RunHost& host;

  // The failure record: time stamp, `headline` (with its leading blank), "number:description",
  // then one line per field. Fields go in as given: mask the ones that may hold a password.
  Status RecordFailure(std::string_view headline, const Status& status,
                       std::initializer_list<std::string_view> fields);
  // A failure record that counts something (characters replaced, values rounded): its second
  // line is `what` followed by `count`.
  Status RecordCount(std::string_view headline, std::string_view what, std::size_t count,
                     std::initializer_list<std::string_view> fields);

  // Whether a stop request is pending. A worker that asks, and stops for it, has been cut: the
  // question marks the outcome so.
  bool StopRequested();
  // Whether the worker must stop at once: a stop request, or a run log that cannot be written.
  bool MustStop() { return StopRequested() || log.broken(); }
  // A cut worker's account of what it left behind, for the record that ends the run.
  void LeaveBehind(std::string what);

  const TaskOutcome& outcome() const { return outcome_; }

 private:
  TaskOutcome outcome_;
};

}  // namespace kelvax
