// The built program where a case file cannot say it (tests/cases/ holds the rest): files and
// folders set up around the run, paths named on the command line.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "app/command_line.h"
#include "platform/fs/instance_lock.h"
#include "platform/text/cp932.h"
#include "tests/support/log_text.h"
#include "tests/support/sandbox.h"

namespace kelvax {
namespace {

using test::OdbcSandbox;

class KelvaxCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = test::MakeTempDir("cli");
    exe_ = test::InstallKelvax(folder_);
    work_ = test::MakeTempDir("cliwork");
    db_ = OdbcSandbox::Get().CreateSqliteDb(
        "cli.db",
        "CREATE TABLE ORDERS (ID INTEGER, NAME TEXT, PRICE NUMERIC(10,2), ODATE DATE);"
        "INSERT INTO ORDERS VALUES (1, '山田', 12.50, '2001-10-28'), (2, NULL, 3, '2001-10-27'),"
        " (3, 'Blue', 0.25, '2001-10-28');");
    OdbcSandbox::Get().AddDsn("CLIDEMO",
                              {{"Driver", "SQLite3"}, {"Database", db_}, {"StepAPI", "1"}});
  }

  // Runs the job with the clock frozen at 2001/10/28 9:05:03.
  test::ProcessResult Run(const std::string& job_text, std::map<std::string, std::string> env = {},
                          std::vector<std::string> options = {}) {
    test::WriteFileBytes(work_ + "/job.ini", job_text);
    options.insert(options.begin(), {"faketime", "-f", "2001-10-28 09:05:03", exe_});
    options.push_back(work_ + "/job.ini");
    return test::RunProgram(options, env, work_);
  }

  // One task on CLIDEMO: its statement, then the rest of its section.
  static std::string Task(const std::string& sql, const std::string& rest) {
    return "[CONNECTION01]\r\nDSN01=DSN=CLIDEMO\r\nSQL01=" + sql + "\r\n" + rest;
  }
  std::string Log() { return test::ReadFileBytes(folder_ + "/SQLLOG.txt"); }
  std::string LogText() { return FromCp932(Log()); }

  std::string folder_, exe_, work_, db_;
};

// Each parse starts afresh (getopt_long keeps its place in globals): the cases run in one process.
TEST(CommandLineTest, OptionsInAnyOrderAroundOneJobFile) {
  struct Case {
    std::vector<std::string> args;
    std::string flags;  // h help, V version, n check, d date, w wait, s show-log
    std::string path;
    std::string error;
    std::string log = "";
    int wait_seconds = -1;
  } cases[] = {
      {{"-n", "--date=2001-10-27", "a.ini"}, "nd", "a.ini", ""},
      {{"a.ini", "--date", "2001-10-27", "--check"}, "nd", "a.ini", ""},
      {{"--check", "--help"}, "hn", "", ""},
      {{"-V", "a.ini", "b.ini"}, "V", "", ""},
      {{"--", "-a.ini"}, "", "-a.ini", ""},
      {{"\"/jobs/daily job.ini\""}, "", "/jobs/daily job.ini", ""},
      {{"  "}, "", "", ""},  // the command center
      {{"-v", "a.ini"}, "", "a.ini", "unknown option -v"},
      {{"--check", "-xn", "a.ini"}, "n", "a.ini", "unknown option -x"},
      {{"--verbose", "a.ini"}, "", "a.ini", "unknown option --verbose"},
      {{"--check=yes", "a.ini"}, "", "a.ini", "option --check takes no value"},
      {{"\"/jobs/daily", "job.ini\""},
       "",
       "",
       "unexpected argument job.ini\" after the job file \"/jobs/daily"},
      {{"a.ini", "--date"}, "", "a.ini", "--date needs a day as YYYY-MM-DD"},
      {{"--date", "2001-02-29", "a.ini"},
       "",
       "a.ini",
       "--date 2001-02-29 is not a day written as YYYY-MM-DD"},
      {{"-n"}, "n", "", "--check and --date need a job file"},
      {{"--log", "a.log", "--wait", "a.ini"}, "w", "a.ini", "", "a.log"},
      {{"--wait=30", "--log=/l/a.log", "a.ini"}, "w", "a.ini", "", "/l/a.log", 30},
      {{"--wait", "30", "a.ini"}, "w", "", "unexpected argument a.ini after the job file 30"},
      {{"--wait=1s", "a.ini"}, "w", "a.ini", "--wait=1s is not a number of seconds"},
      {{"a.ini", "--log"}, "", "a.ini", "--log needs a file"},
      {{"--show-log", "--log", "a.log"}, "s", "", "", "a.log"},
      {{"--show-log", "a.log"}, "s", "a.log", ""},
      {{"--show-log=a.log"}, "", "", "option --show-log takes no value"},
      {{"--show-log", "-n", "a.log"},
       "ns",
       "a.log",
       "--show-log runs nothing: no --check, --date or --wait"},
  };
  for (const Case& c : cases) {
    const CommandLine cl = ParseCommandLine(c.args);
    std::string flags;
    if (cl.help) flags += 'h';
    if (cl.version) flags += 'V';
    if (cl.check) flags += 'n';
    if (cl.has_date) flags += 'd';
    if (cl.wait) flags += 'w';
    if (cl.show_log) flags += 's';
    EXPECT_EQ(flags, c.flags) << c.args[0];
    EXPECT_EQ(cl.job_path, c.path) << c.args[0];
    EXPECT_EQ(cl.error, c.error) << c.args[0];
    EXPECT_EQ(cl.log_path, c.log) << c.args[0];
    EXPECT_EQ(cl.wait_seconds, c.wait_seconds) << c.args[0];
  }
  EXPECT_EQ(ParseCommandLine({"--date", "2001-10-27", "a.ini"}).date.tm_mday, 27);
}

TEST_F(KelvaxCliTest, TheLogLivesBesideTheExecutableAndEachStartBeginsANewOne) {
  test::WriteFileBytes(folder_ + "/SQLLOG.txt", "old records");
  const std::string tmp = test::MakeTempDir("clitmp");
  test::ProcessResult r = Run("[CONNECTION01]\r\nDSN01=CREATEODBC\r\n", {{"TMPDIR", tmp}});
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(Log().find("old records"), std::string::npos);
  EXPECT_FALSE(test::PathExists(work_ + "/SQLLOG.txt"));
  EXPECT_TRUE(std::filesystem::is_empty(tmp));  // nothing in the shared temporary folder
}

// A start that cannot hold the lock runs nothing and leaves the log as it was: another
// instance holds it, or the lock file is a link (never followed), a folder or another user's.
TEST_F(KelvaxCliTest, AStartThatCannotHoldTheLockRunsNothing) {
  const std::string lock = folder_ + "/.kelvax.lock",
                    job = "[CONNECTION01]\r\nDSN01=CREATEODBC\r\n";
  test::WriteFileBytes(folder_ + "/SQLLOG.txt", "old records");
  InstanceLock running;
  const std::vector<std::pair<std::function<void()>, std::string>> cases = {
      {[&] { std::filesystem::create_symlink(work_ + "/planted", lock); },
       "cannot hold the lock " + lock + ": it is a symbolic link"},
      {[&] { std::filesystem::create_directory(lock); },
       "cannot hold the lock " + lock + ": Is a directory"},
      {[&] { ASSERT_TRUE(running.Acquire(folder_).ok()); },
       "another instance is running with its log in " + folder_}};
  for (const auto& [plant, why] : cases) {
    SCOPED_TRACE(why);
    plant();
    test::ProcessResult r = Run(job);
    EXPECT_EQ(r.exit_status, 3) << r.err;
    EXPECT_EQ(r.err, "kelvax: " + why + "; nothing was run\n");
    EXPECT_EQ(Log(), "old records");
    EXPECT_FALSE(test::PathExists(work_ + "/planted"));
    std::filesystem::remove(lock);
  }
  if (geteuid() != 0) GTEST_SKIP() << "another user's lock file needs root (runuser -u nobody)";
  // A lock left by root, 0600 under umask 077, in a copied program's folder of the user nobody.
  const std::string theirs = test::MakeTempDir("clinobody");
  const std::string exe = test::InstallKelvax(theirs);
  test::WriteFileBytes(theirs + "/job.ini", job);
  test::WriteFileBytes(theirs + "/SQLLOG.txt", "old records");
  test::WriteFileBytes(theirs + "/.kelvax.lock", "");
  ASSERT_EQ(chmod((theirs + "/.kelvax.lock").c_str(), 0600), 0);
  for (const char* file : {"", "/kelvax", "/job.ini", "/SQLLOG.txt"})
    ASSERT_EQ(chown((theirs + file).c_str(), 65534, 65534), 0);
  test::ProcessResult r = test::RunProgram(
      {"/usr/sbin/runuser", "-u", "nobody", "--", exe, theirs + "/job.ini"}, {}, theirs);
  EXPECT_EQ(r.exit_status, 3) << r.err;
  EXPECT_EQ(r.err, "kelvax: cannot hold the lock " + theirs +
                       "/.kelvax.lock: Permission denied; nothing was run\n");
  EXPECT_EQ(test::ReadFileBytes(theirs + "/SQLLOG.txt"), "old records");
}

// A folder another user may write is not where our files go: a copied program there keeps them
// in the XDG folders, and a state or settings folder that is not the user's alone ends the start.
TEST_F(KelvaxCliTest, FoldersOthersMayWriteAreNeverUsed) {
  const std::string job = "[CONNECTION01]\r\nDSN01=CREATEODBC\r\n",
                    shared = test::MakeTempDir("clishared");
  ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
  ASSERT_EQ(chmod(folder_.c_str(), 0775), 0);
  const std::string state = work_ + "/state", config = work_ + "/config";
  test::ProcessResult r = Run(job, {{"XDG_STATE_HOME", state}, {"XDG_CONFIG_HOME", config}});
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_FALSE(test::PathExists(folder_ + "/SQLLOG.txt"));
  EXPECT_NE(FromCp932(test::ReadFileBytes(state + "/kelvax/SQLLOG.txt")).find("1番目は"),
            std::string::npos);

  // A link planted at the log is refused, not followed, before any task runs.
  std::filesystem::remove(state + "/kelvax/SQLLOG.txt");
  std::filesystem::create_symlink(work_ + "/planted", state + "/kelvax/SQLLOG.txt");
  r = Run(job, {{"XDG_STATE_HOME", state}, {"XDG_CONFIG_HOME", config}});
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_NE(r.err.find("cannot write the run log"), std::string::npos) << r.err;
  EXPECT_FALSE(test::PathExists(work_ + "/planted"));

  std::filesystem::create_directory(shared + "/kelvax");
  ASSERT_EQ(chmod((shared + "/kelvax").c_str(), 0777), 0);
  for (const char* which : {"XDG_STATE_HOME", "XDG_CONFIG_HOME"}) {
    std::map<std::string, std::string> env = {{"XDG_STATE_HOME", state},
                                              {"XDG_CONFIG_HOME", config}};
    env[which] = shared;
    r = Run(job, env);
    EXPECT_EQ(r.exit_status, 2);
    EXPECT_EQ(r.err,
              std::string("kelvax: cannot use the ") +
                  (env["XDG_STATE_HOME"] == shared ? "run log's" : "settings") +
                  " folder: " + shared +
                  "/kelvax is not the user's own or others may write to it; nothing was run\n");
  }
  EXPECT_TRUE(std::filesystem::is_empty(shared + "/kelvax"));
  // Another user's folder, even one only they may write.
  std::filesystem::remove(shared + "/kelvax");
  if (geteuid() != 0) GTEST_SKIP() << "a second user needs root (runuser -u nobody)";
  ASSERT_EQ(test::RunProgram({"/usr/sbin/runuser", "-u", "nobody", "--", "mkdir", "-m", "0755",
                              shared + "/kelvax"})
                .exit_status,
            0);
  r = Run(job, {{"XDG_STATE_HOME", shared}});
  EXPECT_EQ(r.exit_status, 2) << r.err;
  EXPECT_TRUE(std::filesystem::is_empty(shared + "/kelvax"));
}

// A job with a log of its own runs beside one that holds another log's lock (the two cron jobs
// of one user); one that holds the same log's lock excludes it, or is waited for.
TEST_F(KelvaxCliTest, EachLogHasALockOfItsOwnThatAStartMayWaitFor) {
  const std::string job = "[CONNECTION01]\r\nDSN01=CREATEODBC\r\n", logs = work_ + "/logs";
  std::optional<InstanceLock> daily(std::in_place);  // a run with the log logs/daily.log
  std::filesystem::create_directory(logs);
  ASSERT_TRUE(daily->Acquire(logs, ".daily.log.kelvax.lock").ok());
  test::WriteFileBytes(logs + "/daily.log", "old records");

  test::ProcessResult r = Run(job, {}, {"--log", logs + "/weekly.log"});
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_NE(FromCp932(test::ReadFileBytes(logs + "/weekly.log")).find("1番目は"),
            std::string::npos);
  EXPECT_FALSE(test::PathExists(folder_ + "/SQLLOG.txt"));

  const std::string busy =
      "kelvax: another instance is running with the log " + logs + "/daily.log";
  r = Run(job, {}, {"--log", "logs/daily.log"});  // relative to the working folder
  EXPECT_EQ(r.exit_status, 3);
  EXPECT_EQ(r.err, busy + "; nothing was run\n");
  // The waits run on the real clock, which faketime would stop.
  r = test::RunProgram({exe_, "--log", logs + "/daily.log", "--wait=1", work_ + "/job.ini"});
  EXPECT_EQ(r.exit_status, 3);
  EXPECT_EQ(r.err, busy + "; waited 1 s; nothing was run\n");
  EXPECT_EQ(test::ReadFileBytes(logs + "/daily.log"), "old records");

  // Waited for: the run starts once the other has ended, and says nothing (not a terminal).
  test::StartedProgram waiting = test::StartProgram(
      {exe_, "--log", logs + "/daily.log", "--wait", work_ + "/job.ini"}, {}, work_);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(test::ReadFileBytes(logs + "/daily.log"), "old records");
  daily.reset();
  r = waiting.Wait();
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_NE(FromCp932(test::ReadFileBytes(logs + "/daily.log")).find("1番目は"), std::string::npos);

  // A log's folder others may write is refused, as the program's own.
  ASSERT_EQ(chmod(logs.c_str(), 0777), 0);
  r = Run(job, {}, {"--log", logs + "/daily.log"});
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_EQ(r.err, "kelvax: cannot use the run log's folder: " + logs +
                       " is not the user's own or others may write to it; nothing was run\n");
}

TEST_F(KelvaxCliTest, ShowLogPrintsTheLogInTheTerminalsEncoding) {
  test::WriteFileBytes(work_ + "/other.log",
                       ToCp932("2001/10/28 9:05:03 \r\n1番目は00:00:00経過しています\r\n"));
  Run("[CONNECTION01]\r\nDSN01=CREATEODBC\r\n");
  std::string expected = LogText();
  for (size_t at; (at = expected.find("\r\n")) != std::string::npos;) expected.erase(at, 1);
  for (const auto& [args, out] : {std::pair{std::vector<std::string>{exe_, "--show-log"}, expected},
                                  {{exe_, "--show-log", "--log", work_ + "/other.log"},
                                   "2001/10/28 9:05:03 \n1番目は00:00:00経過しています\n"},
                                  {{exe_, "--show-log", "other.log"},
                                   "2001/10/28 9:05:03 \n1番目は00:00:00経過しています\n"}}) {
    test::ProcessResult r = test::RunProgram(args, {{"LANG", "C.UTF-8"}}, work_);
    EXPECT_EQ(r.exit_status, 0) << r.err;
    EXPECT_EQ(r.out, out);
  }
  test::ProcessResult missing = test::RunProgram({exe_, "--show-log", work_ + "/none.log"});
  EXPECT_EQ(missing.exit_status, 2);
  EXPECT_EQ(missing.err,
            "kelvax: cannot read the run log " + work_ + "/none.log: No such file or directory\n");
}

TEST_F(KelvaxCliTest, QuotedPathWithBlanksAndOptionsThatDoNotTouchTheLog) {
  test::WriteFileBytes(folder_ + "/SQLLOG.txt", "kept");
  // What they print is checked on the installed program (packaging/package_test.sh).
  for (const char* option : {"--help", "--version"})
    EXPECT_EQ(test::RunProgram({exe_, option}).exit_status, 0);
  EXPECT_EQ(test::RunProgram({exe_, "-v", work_ + "/job.ini"}).exit_status, 2);  // a usage error
  EXPECT_EQ(Log(), "kept");

  std::string spaced = work_ + "/daily job.ini";
  test::WriteFileBytes(spaced, "[CONNECTION01]\r\nDSN01=CREATEODBC\r\n");
  test::ProcessResult quoted = test::RunProgram({exe_, "\"" + spaced + "\""});
  EXPECT_EQ(quoted.exit_status, 0);
  EXPECT_NE(LogText().find("1番目は"), std::string::npos);
}

TEST_F(KelvaxCliTest, AnUnwritableLogIsFoundBeforeTheFirstTaskRuns) {
  // A log path that is a folder cannot be appended to by anyone, root included.
  std::filesystem::create_directory(folder_ + "/SQLLOG.txt");
  test::ProcessResult r =
      Run(Task("SELECT ID FROM ORDERS", "OUTPUT=CSV\r\nEXPORT=%PATH%/A.CSV\r\n"));
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_EQ(r.err, "kelvax: cannot write the run log " + folder_ +
                       "/SQLLOG.txt: Is a directory; nothing was run\n");
  EXPECT_FALSE(test::PathExists(folder_ + "/A.CSV"));
}

TEST_F(KelvaxCliTest, AJobFileThatCannotBeReadIsNamedAndEndsTheRun) {
  std::filesystem::create_directory(work_ + "/folder.ini");
  for (const auto& [job, why] :
       {std::pair{work_ + "/missing.ini", std::string(" does not exist")},
        std::pair{work_ + "/folder.ini", std::string(" is a folder, not a file")}}) {
    test::ProcessResult named = test::RunProgram({exe_, job});
    EXPECT_EQ(named.exit_status, 2);
    EXPECT_NE(named.err.find("kelvax: the job file " + job + why + "\n"), std::string::npos)
        << named.err;
    EXPECT_NE(named.err.find("kelvax: the run ended with a fatal error:\n"), std::string::npos);
    EXPECT_NE(LogText().find(" 致命的なエラーです。\r\n5:"), std::string::npos);
  }
}

}  // namespace
}  // namespace kelvax
