// The built program end to end: a copy of kelvax in a fresh folder, a real job file, the run log
// beside the executable, faketime for the date, and the exit status a scheduler sees.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "platform/cp932.h"
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
    OdbcSandbox::Get().AddDsn("CLIDEMO", {{"Driver", "SQLite3"}, {"Database", db_}, {"StepAPI", "1"}});
  }

  // Runs the job with the clock frozen at 2001/10/28 9:05:03.
  test::ProcessResult Run(const std::string& job_text, std::map<std::string, std::string> env = {}) {
    test::WriteFileBytes(work_ + "/job.ini", job_text);
    env["FAKETIME"] = "2001-10-28 09:05:03";
    env["LD_PRELOAD"] = FakeTimeLibrary();
    return test::RunProgram({exe_, work_ + "/job.ini"}, env, work_);
  }

  static std::string FakeTimeLibrary() {
    for (const char* p : {"/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1",
                          "/usr/lib/aarch64-linux-gnu/faketime/libfaketime.so.1",
                          "/usr/lib/faketime/libfaketime.so.1"}) {
      if (test::PathExists(p)) return p;
    }
    return "";
  }

  std::string Log() { return test::ReadFileBytes(folder_ + "/SQLLOG.txt"); }
  std::string LogText() { return FromCp932(Log()); }

  std::string folder_, exe_, work_, db_;
};

const std::string kSep = std::string(test::kSeparator) + "\r\n";
// The record texts in code page 932.
const std::string kNth = "\x94\xD4\x96\xDA\x82\xCD";  // 番目は
const std::string kPassed = "\x8C\x6F\x89\xDF\x82\xB5\x82\xC4\x82\xA2\x82\xDC\x82\xB7";  // 経過しています
const std::string kTook = "\x82\xA9\x82\xA9\x82\xE8\x82\xDC\x82\xB5\x82\xBD";  // かかりました

TEST_F(KelvaxCliTest, DatedExtractsAndTheRunLogMatchByteForByte) {
  test::ProcessResult r = Run(
      "[CONNECTION01]\r\nDSN01=DSN=CLIDEMO\r\n"
      "SQL01=select id, name, price from orders where odate = '%date%' order by id\r\n"
      "OUTPUT=tab\r\nEXPORT=%PATH%\\OUT%YYYY%%MM%%DD%.TXT\r\nCOUNTER=ON\r\n"
      "[CONNECTION02]\r\nDSN01=DSN=CLIDEMO\r\nSQL01=SELECT ID, ODATE FROM ORDERS WHERE ID = 2\r\n"
      "OUTPUT=CSV\r\nEXPORT=%PATH%/D%D-01%%M+01%.CSV\r\n"
      "[CONNECTION03]\r\nDSN01=DSN=CLIDEMO\r\nSQL01=UPDATE ORDERS SET ID = ID\r\nOUTPUT=OFF\r\n");
  EXPECT_EQ(r.exit_status, 0) << r.err;
  // The statement was upper-cased: '%date%' became '2001/10/28', which matches no stored date.
  EXPECT_EQ(test::ReadFileBytes(folder_ + "/OUT20011028.TXT"), "ID\tNAME\tPRICE\r\n");
  EXPECT_EQ(test::ReadFileBytes(folder_ + "/D2711.CSV"), "ID,ODATE\r\n2,2001/10/27\r\n");
  const std::string ts = "2001/10/28 9:05:03";
  auto task = [&](const char* n) { return ts + " \r\n" + n + kNth + "00:00:00" + kPassed + "\r\n" + kSep; };
  EXPECT_EQ(Log(), task("1") + "\r\n" + task("2") + "\r\n" + task("3") + "\r\n" + task("3") +
                       "00:00:00" + kTook + "\r\n" + kSep + "\r\n");
}

TEST_F(KelvaxCliTest, JapaneseJobFileInUtf8AndCp932ReadTheSame) {
  for (const std::string& name : {std::string("\xE5\xB1\xB1\xE7\x94\xB0"), std::string("\x8E\x52\x93\x63")}) {
    test::ProcessResult r = Run("[CONNECTION01]\r\nDSN01=DSN=CLIDEMO\r\nSQL01=SELECT ID FROM ORDERS WHERE NAME = '" +
                                name + "'\r\nOUTPUT=TAB\r\nEXPORT=%PATH%/JP.TXT\r\n");
    EXPECT_EQ(r.exit_status, 0) << r.err;
    EXPECT_EQ(test::ReadFileBytes(folder_ + "/JP.TXT"), "ID\r\n1\r\n");
  }
}

TEST_F(KelvaxCliTest, ExitStatusTellsATaskFailureFromAFatalRun) {
  test::ProcessResult failed = Run("[CONNECTION01]\r\nDSN01=DSN=NOWHERE\r\nSQL01=SELECT 1\r\nOUTPUT=TAB\r\n"
                                   "EXPORT=%PATH%/X.TXT\r\n[CONNECTION02]\r\nDSN01=DSN=CLIDEMO\r\n"
                                   "SQL01=SELECT 1\r\nOUTPUT=TAB\r\nEXPORT=%PATH%/Y.TXT\r\n");
  EXPECT_EQ(failed.exit_status, 1);
  EXPECT_TRUE(test::PathExists(folder_ + "/Y.TXT"));  // the run went on

  test::ProcessResult fatal = Run("[CONNECTION01]\r\nDSN01=DSN=CLIDEMO\r\nSQL01=EXEC P\r\nCOUNTER=ON\r\n");
  EXPECT_EQ(fatal.exit_status, 2);

  test::ProcessResult unsupported = Run("[CONNECTION01]\r\nDSN01=DSN=CLIDEMO\r\nOUTPUT=UPDATE\r\n");
  EXPECT_EQ(unsupported.exit_status, 0);

  test::ProcessResult missing = test::RunProgram({exe_, work_ + "/no such job.ini"});
  EXPECT_EQ(missing.exit_status, 2);
  EXPECT_NE(LogText().find(" 致命的なエラーです。\r\n5:"), std::string::npos);
}

TEST_F(KelvaxCliTest, NoPasswordReachesTheLogOrStandardErrorWhateverTheConnectStringsSyntax) {
  // An unclosed brace makes the driver manager take the whole rest as a library name and echo
  // it; the SQLite driver echoes a statement that names the password.
  test::ProcessResult r = Run(
      "[CONNECTION01]\r\nDSN01=DRIVER={PostgreSQL Unicode;SERVER=localhost;\tPWD=Secret1\r\n"
      "SQL01=SELECT 1\r\nOUTPUT=TAB\r\nEXPORT=%PATH%/A.TXT\r\n"
      "[CONNECTION02]\r\nDSN01=DSN=CLIDEMO;passwd=Word2Guess\r\nSQL01=SELECT Word2Guess\r\n"
      "OUTPUT=CSV\r\nEXPORT=%PATH%/B.CSV\r\n");
  EXPECT_EQ(r.exit_status, 1);
  std::string seen = LogText() + r.out + r.err;
  std::transform(seen.begin(), seen.end(), seen.begin(), [](char c) { return std::toupper(c); });
  EXPECT_EQ(seen.find("SECRET1"), std::string::npos) << seen;
  EXPECT_EQ(seen.find("WORD2GUESS"), std::string::npos) << seen;
  EXPECT_NE(seen.find("OPEN LIB 'POSTGRESQL UNICODE;SERVER=LOCALHOST;\tPWD=***"), std::string::npos) << seen;
  EXPECT_NE(seen.find("NO SUCH COLUMN: ***"), std::string::npos) << seen;
}

TEST_F(KelvaxCliTest, TheLogLivesBesideTheExecutableAndEachStartBeginsANewOne) {
  test::WriteFileBytes(folder_ + "/SQLLOG.txt", "old records");
  test::ProcessResult r = Run("[CONNECTION01]\r\nDSN01=CREATEODBC\r\n");
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(Log().find("old records"), std::string::npos);
  EXPECT_FALSE(test::PathExists(work_ + "/SQLLOG.txt"));
}

TEST_F(KelvaxCliTest, QuotedPathWithBlanksAndOptionsThatDoNotTouchTheLog) {
  test::WriteFileBytes(folder_ + "/SQLLOG.txt", "kept");
  test::ProcessResult help = test::RunProgram({exe_, "--help"});
  EXPECT_EQ(help.exit_status, 0);
  EXPECT_NE(help.out.find("Usage: kelvax"), std::string::npos);
  test::ProcessResult version = test::RunProgram({exe_, "--version"});
  EXPECT_EQ(version.out, "kelvax 3.5.0\n");
  EXPECT_EQ(Log(), "kept");

  std::string spaced = work_ + "/daily job.ini";
  test::WriteFileBytes(spaced, "[CONNECTION01]\r\nDSN01=CREATEODBC\r\n");
  test::ProcessResult quoted = test::RunProgram({exe_, "\"" + spaced + "\""});
  EXPECT_EQ(quoted.exit_status, 0);
  EXPECT_NE(LogText().find("1番目は"), std::string::npos);
}

TEST_F(KelvaxCliTest, AnUnwritableLogEndsTheRunWithOneLineOnStandardError) {
  if (geteuid() == 0) {
    // root writes anywhere; a log path that is a folder cannot be appended to by anyone.
    std::filesystem::create_directory(folder_ + "/SQLLOG.txt");
  } else {
    chmod(folder_.c_str(), 0555);
  }
  test::ProcessResult r = Run("[CONNECTION01]\r\nDSN01=CREATEODBC\r\n[CONNECTION02]\r\nDSN01=CREATEODBC\r\n");
  chmod(folder_.c_str(), 0755);
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_NE(r.err.find(folder_ + "/SQLLOG.txt"), std::string::npos) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
}

}  // namespace
}  // namespace kelvax
