// The command line as a unit, and the built program where a case file cannot say it (tests/cases/
// holds the rest): waits on the real clock.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>
#include <vector>

#include "app/command_line.h"
#include "platform/fs/instance_lock.h"
#include "platform/text/cp932.h"
#include "tests/support/sandbox.h"

namespace kelvax {
namespace {

// What a run cannot show: a version request with more words after it, a job file quoted with
// its blanks as one word (or cut in two by a shell), no job at all (the command center). The
// other options are case files (tests/cases/cli/option_*). Each parse starts afresh
// (getopt_long keeps its place in globals): the cases run in one process.
TEST(CommandLineTest, OptionsTheRunsCannotShow) {
  struct Case {
    std::vector<std::string> args;
    bool version;
    std::string path;
    std::string error;
  } cases[] = {
      {{"-V", "a.ini", "b.ini"}, true, "", ""},
      {{"\"/jobs/daily job.ini\""}, false, "/jobs/daily job.ini", ""},
      {{"  "}, false, "", ""},
      {{"\"/jobs/daily", "job.ini\""},
       false,
       "",
       "unexpected argument job.ini\" after the job file \"/jobs/daily"},
  };
  for (const Case& c : cases) {
    const CommandLine cl = ParseCommandLine(c.args);
    EXPECT_EQ(cl.version, c.version) << c.args[0];
    EXPECT_EQ(cl.job_path, c.path) << c.args[0];
    EXPECT_EQ(cl.error, c.error) << c.args[0];
  }
}

// A start that finds its log's lock held waits with --wait until the other run ends (on the real
// clock, which faketime would stop), then runs and says nothing (not a terminal). Giving up after
// --wait=SECONDS is a case file (tests/cases/cli/option_wait_gives_up).
TEST(KelvaxLockTest, AStartWaitsForTheLogsLockWhenAsked) {
  const std::string work = test::MakeTempDir("cliwork"), logs = work + "/logs";
  const std::string exe = test::InstallKelvax(test::MakeTempDir("cli"));
  test::WriteFileBytes(work + "/job.ini", "[CONNECTION01]\r\nDSN01=CREATEODBC\r\n");
  std::optional<InstanceLock> daily(std::in_place);  // a run with the log logs/daily.log
  std::filesystem::create_directory(logs);
  ASSERT_TRUE(daily->Acquire(logs, ".daily.log.kelvax.lock").ok());
  test::WriteFileBytes(logs + "/daily.log", "old records");
  test::StartedProgram waiting = test::StartProgram(
      {exe, "--log", logs + "/daily.log", "--wait", work + "/job.ini"}, {}, work);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(test::ReadFileBytes(logs + "/daily.log"), "old records");
  daily.reset();
  const test::ProcessResult r = waiting.Wait();
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_NE(FromCp932(test::ReadFileBytes(logs + "/daily.log")).find("1番目は"), std::string::npos);
}

}  // namespace
}  // namespace kelvax
