// The built program end to end: a copy of kelvax in a fresh folder, a real job file, the run log
// beside the executable, faketime for the date, and the exit status a scheduler sees.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <utility>
#include <vector>

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
    db_ = OdbcSandbox::Get().CreateSqliteDb("cli.db",
        "CREATE TABLE ORDERS (ID INTEGER, NAME TEXT, PRICE NUMERIC(10,2), ODATE DATE);"
        "INSERT INTO ORDERS VALUES (1, '山田', 12.50, '2001-10-28'), (2, NULL, 3, '2001-10-27'),"
        " (3, 'Blue', 0.25, '2001-10-28');");
    OdbcSandbox::Get().AddDsn("CLIDEMO", {{"Driver", "SQLite3"}, {"Database", db_}, {"StepAPI", "1"}});
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

const std::string kSep = std::string(test::kSeparator) + "\r\n";
// The record texts in code page 932.
const std::string kNth = "\x94\xD4\x96\xDA\x82\xCD";  // 番目は
const std::string kPassed = "\x8C\x6F\x89\xDF\x82\xB5\x82\xC4\x82\xA2\x82\xDC\x82\xB7";  // 経過しています
const std::string kTook = "\x82\xA9\x82\xA9\x82\xE8\x82\xDC\x82\xB5\x82\xBD";  // かかりました

TEST_F(KelvaxCliTest, DatedExtractsAndTheRunLogMatchByteForByte) {
  test::ProcessResult r = Run(Task("select id, name, price from orders where odate = '%date%' order by id",
           "OUTPUT=tab\r\nEXPORT=%PATH%\\OUT%YYYY%%MM%%DD%.TXT\r\nCOUNTER=ON\r\n") +
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
    test::ProcessResult r =
        Run(Task("SELECT ID FROM ORDERS WHERE NAME = '" + name + "'", "OUTPUT=TAB\r\nEXPORT=%PATH%/JP.TXT\r\n"));
    EXPECT_EQ(r.exit_status, 0) << r.err;
    EXPECT_EQ(test::ReadFileBytes(folder_ + "/JP.TXT"), "ID\r\n1\r\n");
  }
}

TEST_F(KelvaxCliTest, NoPasswordReachesTheLogOrStandardErrorWhateverTheConnectStringsSyntax) {
  // An unclosed brace makes the driver manager take the whole rest as a library name and echo
  // it; the SQLite driver echoes a statement that names the password.
  test::ProcessResult r = Run("[CONNECTION01]\r\nDSN01=DRIVER={PostgreSQL Unicode;SERVER=localhost;\tPWD=Secret1\r\n"
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
  // A link planted where the lock goes must not make the program create a file elsewhere.
  std::filesystem::create_symlink(work_ + "/planted", folder_ + "/.kelvax.lock");
  const std::string tmp = test::MakeTempDir("clitmp");
  test::ProcessResult r = Run("[CONNECTION01]\r\nDSN01=CREATEODBC\r\n", {{"TMPDIR", tmp}});
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(Log().find("old records"), std::string::npos);
  EXPECT_FALSE(test::PathExists(work_ + "/SQLLOG.txt"));
  EXPECT_TRUE(std::filesystem::is_empty(tmp));  // nothing in the shared temporary folder
  EXPECT_FALSE(test::PathExists(work_ + "/planted"));
}

TEST_F(KelvaxCliTest, QuotedPathWithBlanksAndOptionsThatDoNotTouchTheLog) {
  test::WriteFileBytes(folder_ + "/SQLLOG.txt", "kept");
  // What they print is checked on the installed program (packaging/package_test.sh).
  for (const char* option : {"--help", "--version"}) EXPECT_EQ(test::RunProgram({exe_, option}).exit_status, 0);
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
  test::ProcessResult r = Run(Task("SELECT ID FROM ORDERS", "OUTPUT=CSV\r\nEXPORT=%PATH%/A.CSV\r\n"));
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_EQ(r.err, "kelvax: cannot write the run log " + folder_ + "/SQLLOG.txt: Is a directory; nothing was run\n");
  EXPECT_FALSE(test::PathExists(folder_ + "/A.CSV"));
}

// Mistakes that used to end as a quiet success: each gives its warning on standard error, and an
// output kind the writer does not know gives a failure record and exit status 1.
TEST_F(KelvaxCliTest, JobFileMistakesAreWarnedAboutAndUnknownKindsFail) {
  const std::string task = "DSN01=DSN=CLIDEMO\r\nSQL01=SELECT ID FROM ORDERS\r\nEXPORT=%PATH%/OUT.CSV\r\n";
  auto first = [&](const std::string& rest) { return "[CONNECTION01]\r\n" + task + rest; };
  const std::string ok = first("OUTPUT=CSV\r\n");
  std::string notes;  // 51 sections that are no task: one warning more than a run shows
  for (int i = 0; i < 51; ++i) notes += "[NOTE" + std::to_string(i) + "]\r\n";
  // `warning` empty: nothing at all on standard error; `record`: text of the failure record's
  // description line, if one is expected.
  struct Case { std::string job; int exit_status; std::string warning, record; } cases[] = {
      {ok, 0, "", ""},
      {first("OUTPUT=CVS\r\n"), 1, "job.ini: warning: task 1: OUTPUT=CVS is not an output kind",
       "\r\n5:OUTPUT=CVS は出力の種類ではありません"},
      {first("OUTPUT=CLIP\r\n"), 1, "the clipboard is CRIP in job files", "5:OUTPUT=CLIP は"},
      {first("OUTPUT=CSV ; daily\r\n"), 1,
       "OUTPUT=CSV ; DAILY is not an output kind (TAB CSV CRIP HTML EXCEL OFF INSERT UPDATE); the task "
       "will fail; a ';' inside a value is part of it", "5:OUTPUT=CSV ; DAILY は"},
      {first("OUPUT=CSV\r\n"), 1, "job.ini:5: warning: unknown key OUPUT in [CONNECTION01], ignored", "5:OUTPUT= は"},
      {first("OUTPUT CSV\r\n"), 1,
       "job.ini:5: warning: line in [CONNECTION01] is not key=value, ignored: OUTPUT CSV", "5:OUTPUT= は"},
      {"[daily]\r\n" + task + "OUTPUT=CSV\r\n" + ok, 0,
       "warning: section [daily] is not a task (tasks are CONNECTION01 .. CONNECTION99), ignored", ""},
      {ok + "[NOTES]\r\nwritten by hand\r\n", 0,
       "warning: no tasks: the task count is read from the last two characters of the last section's "
       "name, and the last section is [NOTES]", ""},
      {ok + "[CONNECTION02]\r\n" + task + "OUTPUT=CSV\r\n[CONNECTION04]\r\n" + task + "OUTPUT=CSV\r\n", 0,
       "warning: task 3: there is no section [CONNECTION03]: the run stops here (task 4 never runs)", ""},
      {"[CONNECTION03]\r\nDSN01=CREATEODBC\r\n" + ok, 0,
       "warning: section [CONNECTION03] is never run: the task count is 1, read from the last "
       "section's name [CONNECTION01]", ""},
      {first("OUTPUT=CSV\r\nSHOWDATA=YES\r\n"), 0, "task 1: SHOWDATA=YES is neither ON nor OFF and counts as OFF", ""},
      {notes + ok, 0, "job.ini: and 1 more warnings (kelvax --check lists them all)\n", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.job);
    test::ProcessResult r = Run(c.job);
    EXPECT_EQ(r.exit_status, c.exit_status);
    EXPECT_TRUE(c.warning.empty() ? r.err.empty() : r.err.find(c.warning) != std::string::npos) << r.err;
    const std::string log = LogText();
    EXPECT_EQ(log.find("warning"), std::string::npos);  // warnings never reach the log
    if (!c.record.empty()) {
      EXPECT_NE(log.find(" 0番目でファイルの出力に失敗しました\r\n"), std::string::npos) << log;
      EXPECT_NE(log.find(c.record), std::string::npos) << log;
    }
  }
}

TEST_F(KelvaxCliTest, AFailedRunSaysWhatFailedOnStandardErrorInUtf8) {
  test::ProcessResult r = Run("[CONNECTION01]\r\nDSN01=DSN=NOWHERE;PWD=HIDDEN\r\nSQL01=SELECT 1\r\nOUTPUT=OFF\r\n"
                              "[CONNECTION02]\r\nDSN01=CREATEODBC\r\n", {{"LANG", "C.UTF-8"}});
  EXPECT_EQ(r.exit_status, 1);
  const std::string first = "kelvax: 1 of 2 tasks failed; the first failure:\n"
                            "  2001/10/28 9:05:03 0番目でファイルの出力に失敗しました\n  ";
  EXPECT_EQ(r.err.substr(0, first.size()), first) << r.err;
  EXPECT_NE(r.err.find("IM002"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("kelvax: run log: " + folder_ + "/SQLLOG.txt (code page 932)\n"), std::string::npos);
  EXPECT_EQ(r.err.find("HIDDEN"), std::string::npos);

  std::filesystem::create_directory(work_ + "/folder.ini");
  for (const auto& [job, why] : {std::pair{work_ + "/missing.ini", std::string(" does not exist")},
                                 std::pair{work_ + "/folder.ini", std::string(" is a folder, not a file")}}) {
    test::ProcessResult named = test::RunProgram({exe_, job});
    EXPECT_EQ(named.exit_status, 2);
    EXPECT_NE(named.err.find("kelvax: the job file " + job + why + "\n"), std::string::npos) << named.err;
    EXPECT_NE(named.err.find("kelvax: the run ended with a fatal error:\n"), std::string::npos);
    EXPECT_NE(LogText().find(" 致命的なエラーです。\r\n5:"), std::string::npos);
  }
}

TEST_F(KelvaxCliTest, CheckListsTheTasksAsARunWouldAndTouchesNothing) {
  const std::string job = "[CONNECTION01]\r\nDSN01=DSN=SALES;uid=report;pwd=secret\r\n"
      "SQL01=select * from orders where odate = '%DATE%'\r\nOUTPUT=csv\r\nEXPORT=out%YYYY%%MM%%D-01%.csv\r\n"
      "COUNTER=ON\r\n[CONNECTION02]\r\nDSN01=FILECOPY\r\nSQL01=a.csv\r\nDSN02=b.csv\r\n";
  test::ProcessResult r = Run(job, {}, {"--check"});
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, work_ + "/job.ini: 2 tasks\ntask 1 [CONNECTION01]\n  kind:      CSV\n"
                   "  connect:   DSN=SALES;UID=REPORT;PWD=***\n"
                   "  statement: SELECT * FROM ORDERS WHERE ODATE = '2001/10/28'\n"
                   "  count:     SELECT COUNT(*) FROM ORDERS WHERE ODATE = '2001/10/28'\n"
                   "  output:    " + work_ + "/OUT20011027.CSV\ntask 2 [CONNECTION02]\n  kind:      FILECOPY\n"
                   "  argument:  A.CSV\n  argument:  B.CSV\n");
  EXPECT_FALSE(test::PathExists(folder_ + "/SQLLOG.txt"));

  test::ProcessResult warned = Run(job + "OUPUT=CSV\r\n", {}, {"--check", "--date", "2000-02-29"});
  EXPECT_EQ(warned.exit_status, 1);
  EXPECT_NE(warned.out.find("'2000/02/29'"), std::string::npos) << warned.out;
  EXPECT_NE(warned.err.find("unknown key OUPUT"), std::string::npos);
}

TEST_F(KelvaxCliTest, DateOptionDatesTheMacrosAndTheLogKeepsTheRealClock) {
  test::ProcessResult r = Run(Task("SELECT ID FROM ORDERS WHERE ID = 1",
                                   "OUTPUT=TAB\r\nEXPORT=%PATH%/D%YYYY%%MM%%DD%-%D-01%%DEND%.TXT\r\n"),
                              {}, {"--date", "2004-03-01"});
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(test::ReadFileBytes(folder_ + "/D20040301-2931.TXT"), "ID\r\n1\r\n");
  EXPECT_EQ(LogText().substr(0, 21), "2001/10/28 9:05:03 \r\n");
  for (const char* bad : {"2001-02-29", "2001-3-1", "yesterday"}) {
    EXPECT_EQ(Run("[CONNECTION01]\r\nDSN01=CREATEODBC\r\n", {}, {"--date", bad}).exit_status, 2) << bad;
  }
}

TEST_F(KelvaxCliTest, AMixedCaseDatabasePathInAConnectStringFindsTheFile) {
  std::filesystem::create_directory(work_ + "/Data");
  std::filesystem::copy_file(db_, work_ + "/Data/Local.db");
  std::string job = Task("SELECT ID FROM ORDERS WHERE ID = 3", "OUTPUT=TAB\r\nEXPORT=%PATH%/L.TXT\r\nCOUNTER=ON\r\n");
  job.replace(job.find("DSN=CLIDEMO"), 11, "DRIVER=SQLite3;Database=" + work_ + "/Data/Local.db;StepAPI=1");
  test::ProcessResult r = Run(job);
  EXPECT_EQ(r.exit_status, 0) << r.err << LogText();
  EXPECT_EQ(test::ReadFileBytes(folder_ + "/L.TXT"), "ID\r\n3\r\n");
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(work_ + "/Data")) names.push_back(e.path().filename());
  EXPECT_EQ(names, std::vector<std::string>{"Local.db"});
}

}  // namespace
}  // namespace kelvax
