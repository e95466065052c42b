// The job runner where the windows take part: a job file gone with the command center's old
// values, a cut from the progress window, with workers that only count their tasks. The records
// themselves, jobs without a task, sections in any case, the progress line, a log that cannot
// grow, the count statement COUNTER=ON derives, and which worker each command and kind goes to
// are checked on the built program (tests/cases/).
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
  int dispatched = 0;  // tasks handed to a worker

  JobRun() {
    for (TaskHandler* handler : {&workers.OutputResult, &workers.ExportResult, &workers.CreateMdb97,
                                 &workers.CreateQuery97, &workers.RunQuery97, &workers.CompactMdb97,
                                 &workers.RunFileCopy}) {
      *handler = [this](TaskContext& c) {
        ++dispatched;
        return c.outcome();
      };
    }
  }
  RunResult Go(const std::string& text) {
    test::WriteFileBytes(job, text);
    return RunJobFile(job, task, log, workers, host);
  }
  std::vector<std::string> Records() { return ReadLogRecords(log.path()); }
};

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
  EXPECT_EQ(r.dispatched, 0);
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
    EXPECT_EQ(r.host.enabled_calls, (std::vector<bool>{false, true}));
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
