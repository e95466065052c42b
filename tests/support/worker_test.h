// The fixture of a worker test: one task run by a task handler (output, export), its run log in a
// folder of its own, a host that records what the worker asked of the screen.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/job_task.h"
#include "engine/run_log.h"
#include "engine/workers.h"
#include "tests/support/log_text.h"
#include "tests/support/recording_host.h"
#include "tests/support/sandbox.h"

namespace kelvax::test {

class WorkerTest : public ::testing::Test {
 protected:
  explicit WorkerTest(TaskHandler worker) : worker_(std::move(worker)) {}

  void Run(RunHost& host) {
    TaskContext c{task_, log_, host};
    left_behind_ = worker_(c).left_behind;
  }
  void Run() { Run(host_); }
  std::vector<std::string> Records() const { return ReadLogRecords(log_.path()); }

  JobTask task_;
  RunLog log_{MakeTempDir("worklog") + "/SQLLOG.txt"};
  RecordingHost host_;
  std::string left_behind_;  // what the last run's task record is to say it left

 private:
  TaskHandler worker_;
};

}  // namespace kelvax::test
