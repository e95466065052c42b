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

// The records themselves are checked byte for byte on the built program (kelvax_cli_test.cpp).
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

TEST(RunnerTest, AJobThatRunsNoTaskOrHasNoSectionEndsWithTheFatalRecord) {
  // A task count of 0 (the last section's name), or a first task without DSN01.
  for (const char* job : {"[CONNECTION01]\r\nDSN01=X\r\n[OPTIONS]\r\n",
                          "[CONNECTION1]\r\nDSN01=X\r\n", "[CONNECTION07]\r\nDSN01=X\r\n"}) {
    JobRun r;
    const RunResult result = r.Go(job);
    EXPECT_TRUE(result.no_task) << job;
    EXPECT_EQ(result.ExitStatus(), 2);
    EXPECT_TRUE(r.routes.empty());
    EXPECT_EQ(r.Records(), std::vector<std::string>{
                               "<TS> 致命的なエラーです。\r\n5:実行した処理がありません。\r\n"
                               "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n<ET>かかりました\r\n"});
  }
  for (const std::string& bad : {std::string(), std::string("\x00\x01\xff\xfe garbage", 13)}) {
    JobRun r;  // empty or binary: no section at all
    EXPECT_TRUE(r.Go(bad).fatal);
    ASSERT_EQ(r.Records().size(), 1u);
    EXPECT_NE(r.Records()[0].find("致命的なエラーです。\r\n5:"), std::string::npos);
  }
}

TEST(RunnerTest, EmptyDsnAfterATaskEndsTheRunSilently) {
  JobRun r;
  RunResult result = r.Go(
      "[CONNECTION01]\r\nDSN01=DSN=A\r\n[CONNECTION02]\r\nSQL01=X\r\n"
      "[CONNECTION03]\r\nDSN01=DSN=C\r\n");
  EXPECT_EQ(result.ExitStatus(), 0);
  EXPECT_EQ(r.Records(), (std::vector<std::string>{"<TS> \r\n1番目は<ET>経過しています\r\n"}));
  EXPECT_EQ(r.routes.size(), 1u);
  EXPECT_EQ(r.host.enabled_calls.back(), true);
}

TEST(RunnerTest, CounterOnBecomesTheCountOfTheStatementAndNeverEndsTheRun) {
  JobRun r;
  r.Go(
      "[CONNECTION01]\r\nDSN01=D\r\nSQL01=select a, b from t where x = 1\r\nCOUNTER=on\r\n"
      "[CONNECTION02]\r\nDSN01=D\r\nCOUNTER=off\r\n[CONNECTION03]\r\nDSN01=D\r\nSQL01=EXEC P\r\n"
      "COUNTER=ON\r\n[CONNECTION04]\r\nDSN01=D\r\nCOUNTER=select 42\r\n");
  ASSERT_EQ(r.seen.size(), 4u);
  EXPECT_EQ(r.seen[0].COUNTER, "SELECT COUNT(*) from t where x = 1");
  EXPECT_EQ(r.seen[1].COUNTER, "OFF");
  EXPECT_EQ(r.seen[2].COUNTER, "SELECT COUNT(*) FROM (EXEC P\n) KX_ROWS");
  EXPECT_EQ(r.seen[3].COUNTER, "select 42");  // a count statement of the job's own, as written
  EXPECT_EQ(r.Records().size(), 5u);          // four tasks and the end
}

TEST(RunnerTest, RoutesByCommandNameThenOutputKind) {
  JobRun r;
  const RunResult result = r.Go(
      "[CONNECTION01]\r\nDSN01=createodbc\r\nOUTPUT=TAB\r\n"
      "[CONNECTION02]\r\nDSN01=FILECOPY\r\nOUTPUT=INSERT\r\n"
      "[CONNECTION03]\r\nDSN01=DSN=X\r\nOUTPUT=update\r\nSQL01=DELETE FROM T\r\n"
      "[CONNECTION04]\r\nDSN01=DSN=X\r\nOUTPUT=insert\r\n"
      "[CONNECTION05]\r\nDSN01=DSN=X\r\n"
      "[CONNECTION06]\r\nDSN01=CREATE MDB97\r\n"
      "[CONNECTION07]\r\nDSN01=CreateMdb97\r\n[CONNECTION08]\r\nDSN01=CREATEQUERY97\r\n"
      "[CONNECTION09]\r\nDSN01=RUNQUERY97\r\n[CONNECTION10]\r\nDSN01=COMPACTMDB97\r\n");
  EXPECT_EQ(r.routes,
            (std::vector<std::string>{"filecopy", "export", "output", "output", "createmdb",
                                      "createquery", "runquery", "compact"}));
  EXPECT_EQ(result.ExitStatus(), 0);  // an unsupported kind is no failure
  auto records = r.Records();
  ASSERT_EQ(records.size(), 12u);
  EXPECT_EQ(records[2], "<TS>このバージョンでは対応していません");  // no line end of its own
  EXPECT_EQ(records[3], "<TS> \r\n3番目は<ET>経過しています\r\n");
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
