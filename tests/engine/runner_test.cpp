// The job runner: task and end-of-run records, the fatal path, the row-count rewrite and the
// routing, with workers that only record what they were given.
#include "engine/runner.h"

#include <gtest/gtest.h>

#include "tests/support/log_text.h"
#include "tests/support/recording_host.h"
#include "tests/support/sandbox.h"

namespace kelvax {
namespace {

using test::ReadLogRecords;

struct JobRun {
  std::string dir = test::MakeTempDir("runner");
  std::string job = dir + "/job.ini";
  RunLog log{dir + "/SQLLOG.txt"};
  JobTask task;
  test::RecordingHost host;
  Workers workers;
  std::vector<JobTask> seen;  // the task as each worker saw it
  std::vector<std::string> routes;

  JobRun() {
    auto record = [this](const char* name) {
      return [this, name](TaskContext& c) {
        routes.push_back(name);
        seen.push_back(c.task);
        return c.outcome();
      };
    };
    workers.OutputResult = record("output");
    workers.ExportResult = record("export");
    workers.CreateMdb97 = record("createmdb");
    workers.CreateQuery97 = record("createquery");
    workers.RunQuery97 = record("runquery");
    workers.CompactMdb97 = record("compact");
    workers.RunFileCopy = record("filecopy");
  }
  RunResult Go(const std::string& text) {
    test::WriteFileBytes(job, text);
    return RunJobFile(job, task, log, workers, host);
  }
  std::vector<std::string> Records() { return ReadLogRecords(log.path()); }
};

// The records themselves, jobs without a task, the end at an empty DSN01 and the count statement
// COUNTER=ON derives, and which worker each command and kind goes to are checked on the built
// program (tests/cases/cli/).
TEST(RunnerTest, TasksInAnySectionCaseCountOnTheHostAndKeepTheirValuesCase) {
  JobRun r;
  RunResult result = r.Go(
      "[connection01]\r\nDSN01=dsn=a\r\n[Connection02]\r\nDSN01=DSN=B\r\n"
      "[CONNECTION03]\r\nDSN01=DSN=C\r\n");
  EXPECT_EQ(result.ExitStatus(), 0);
  EXPECT_EQ(r.Records().size(), 4u);
  EXPECT_EQ(r.host.counters, (std::vector<std::string>{"1/3", "2/3", "3/3"}));
  EXPECT_EQ(r.host.enabled_calls, (std::vector<bool>{false, true}));
  EXPECT_EQ(r.host.hidden, 1);
  EXPECT_EQ(r.seen[0].DSN01, "dsn=a");
}

TEST(RunnerTest, MissingJobFileHeadsTheEndRecordWithTheFatalTextAndOldTaskValues) {
  JobRun r;
  r.task.DSN01 = "DSN=OLD;PWD=SECRET";
  r.task.OUTPUT = "TAB";
  RunResult result = RunJobFile(r.dir + "/missing.ini", r.task, r.log, r.workers, r.host);
  EXPECT_TRUE(result.fatal);
  EXPECT_EQ(result.ExitStatus(), 2);
  auto records = r.Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0],
            "<TS> 致命的なエラーです。\r\n5:プロシージャの呼び出し、または引数が不正です。\r\n"
            "DSN=OLD;PWD=***\r\n\r\n\r\n\r\nTAB\r\n\r\n\r\n\r\n\r\n<ET>かかりました\r\n");
  EXPECT_TRUE(r.routes.empty());
}

TEST(RunnerTest, IndicatorOnShowsTheProgressWindowAndTheRunHidesItAtTheEnd) {
  JobRun r;
  r.Go("[CONNECTION01]\r\nDSN01=D\r\nINDICATOR=on\r\n[CONNECTION02]\r\nDSN01=D\r\n");
  EXPECT_EQ(r.host.shown, 1);
  EXPECT_EQ(r.host.hidden, 1);
}

TEST(RunnerTest, AnUnwritableLogEndsTheRunAfterTheFirstFailedRecord) {
  JobRun r;
  r.log = RunLog(r.dir + "/no-such-folder/SQLLOG.txt");
  RunResult result = r.Go("[CONNECTION01]\r\nDSN01=D\r\n[CONNECTION02]\r\nDSN01=D\r\n");
  EXPECT_TRUE(result.log_failed);
  EXPECT_EQ(result.ExitStatus(), 2);
  EXPECT_EQ(r.routes.size(), 1u);
  EXPECT_EQ(r.host.enabled_calls.back(), true);
}

// Also in task 1, the log names the cut task and what it left; no end-of-run record follows. A
// task that finished before it saw the stop (its statement executed, its file complete) is
// recorded as finished, so that no one runs it again.
TEST(RunnerTest, ACutRecordSaysWhetherTheTaskWasCutOrHadFinished) {
  struct Case {
    bool worker_stops;
    const char* record;
  } cases[] = {
      {true,
       "<TS> 1番目の処理で実行を打ち切りました\r\n"
       "進行状況ウィンドウから終了しました\r\nremoved /out/A.TXT\r\n"},
      {false,
       "<TS> 1番目の処理を終えたところで実行を打ち切りました\r\n"
       "進行状況ウィンドウから終了しました\r\n"},
  };
  for (const Case& c : cases) {
    JobRun r;
    r.workers.OutputResult = [&r, &c](TaskContext& context) {
      r.host.cut = true;
      if (c.worker_stops && context.StopRequested()) context.LeaveBehind("removed /out/A.TXT");
      return context.outcome();
    };
    RunResult result = r.Go("[CONNECTION01]\r\nDSN01=D\r\n[CONNECTION02]\r\nDSN01=D\r\n");
    EXPECT_TRUE(result.cut);
    EXPECT_EQ(result.ExitStatus(), 2);
    EXPECT_EQ(r.host.counters.size(), 1u);  // task 2 never starts
    EXPECT_EQ(r.Records(), (std::vector<std::string>{c.record}));
  }
}

TEST(FormatElapsedTest, RoundsOnceAndCountsOnAcrossMidnight) {
  EXPECT_EQ(FormatElapsed(0, 0), "00:00:00");
  EXPECT_EQ(FormatElapsed(0, 59.4), "00:00:59");
  EXPECT_EQ(FormatElapsed(0, 59.6), "00:01:00");
  EXPECT_EQ(FormatElapsed(100, 225.4), "00:02:05");
  EXPECT_EQ(FormatElapsed(0, 3599), "00:59:59");
  EXPECT_EQ(FormatElapsed(0, 3600), "01:00:00");
  EXPECT_EQ(FormatElapsed(0, 5400), "01:30:00");
  EXPECT_EQ(FormatElapsed(0, 6000), "01:40:00");
  EXPECT_EQ(FormatElapsed(0, 2.5), "00:00:02");  // half to even
  EXPECT_EQ(FormatElapsed(86390, 10), "00:00:20");
}

}  // namespace
}  // namespace kelvax
