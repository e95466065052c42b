// The built program under faults from outside. Each run leaves a whole output file or a visibly
// unfinished one, records that say so, and an exit status that a scheduler can trust.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

#include "tests/support/log_text.h"
#include "tests/support/postgres_sandbox.h"
#include "tests/support/sandbox.h"

namespace kelvax {
namespace {

namespace fs = std::filesystem;

// The new file that takes EXPORT's place once it is whole: ".OUT.TXT.kelvax-XXXXXX" beside it.
std::string TempOutput(const std::string& folder) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec)) {
    if (e.path().filename().string().rfind(".OUT.TXT.kelvax-", 0) == 0) return e.path();
  }
  return "";
}

void WaitFor(const std::function<bool()>& done) {
  for (int i = 0; i < 10000 && !done(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}
// Lines 1 .. rows of the generated result.
std::string Expected(int rows) {
  std::string text = "I\tJ\tTXT\r\n";
  for (int i = 1; i <= rows; ++i)
    text += std::to_string(i) + "\t" + std::to_string(7 * i) + "\tROW\r\n";
  return text;
}

class KelvaxFaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    exe_ = test::InstallKelvax(folder_);
    fs::create_directory(out_dir_);
    test::OdbcSandbox::Get().AddDsn("FAULTDB",
                                    {{"Driver", "SQLite3"}, {"Database", db_}, {"StepAPI", "1"}});
  }

  // One task reading `rows` generated rows, then `output` (OUTPUT and what goes with it).
  static std::string Job(int rows, const std::string& output) {
    return "[CONNECTION01]\r\nDSN01=DSN=FAULTDB\r\nSQL01=WITH RECURSIVE C(I) AS (SELECT 1 UNION "
           "ALL SELECT I + 1 "
           "FROM C WHERE I < " +
           std::to_string(rows) + ") SELECT I, I*7 AS J, 'ROW' AS TXT FROM C\r\n" + output;
  }

  // `sh -c PREFIX exec timeout 120 kelvax job` (timeout passes signals on); `during` acts on the
  // running program's pid.
  test::ProcessResult Run(const std::string& job, const std::string& prefix = "",
                          const std::function<void(int)>& during = nullptr) {
    test::WriteFileBytes(work_ + "/job.ini", job);
    test::StartedProgram p = test::StartProgram(
        {"/bin/sh", "-c", prefix + " exec timeout 120 \"$0\" \"$1\"", exe_, work_ + "/job.ini"},
        {{"DISPLAY", "\x01"}, {"WAYLAND_DISPLAY", "\x01"}}, work_);
    if (during) during(p.pid);
    return p.Wait();
  }

  std::vector<std::string> Records() { return test::ReadLogRecords(folder_ + "/SQLLOG.txt"); }

  std::string folder_ = test::MakeTempDir("faults"), exe_, work_ = test::MakeTempDir("faultwork");
  std::string out_dir_ = work_ + "/out", out_ = out_dir_ + "/OUT.TXT";
  std::string db_ = test::OdbcSandbox::Get().CreateSqliteDb(
      "faults.db", "CREATE TABLE T (I INTEGER, J INTEGER, TXT TEXT);");
};

const std::string kTaskRecord = "<TS> \r\n1番目は<ET>経過しています\r\n";
const std::string kEndRecord = kTaskRecord + test::kSeparator + "\r\n<ET>かかりました\r\n";
const std::string kFailed = "番目でファイルの出力に失敗しました\r\n";

// A stop mid-extract removes the unfinished file; a file-size limit met mid-file keeps the whole
// lines written under the new file's own name, which the record names. The folder removed
// mid-extract, a link or a FIFO at the output, a limit met at the first block or by the
// workbook's scratch file are case files (tests/cases/faults/).
TEST_F(KelvaxFaultsTest, AStopRemovesTheUnfinishedFileAndAFullDiskKeepsItsWholeLines) {
  // Sent twice 2 ms apart, each passed on by timeout to the program and its group: one request.
  test::ProcessResult r =
      Run(Job(300000, "OUTPUT=HTML\r\nEXPORT=" + out_ + "\r\n"), "", [this](int pid) {
        WaitFor([&] {
          std::error_code ec;  // rows on disk: the new file is made and being written
          const std::string temp = TempOutput(out_dir_);
          return !temp.empty() && fs::file_size(temp, ec) > 0 && !ec;
        });
        kill(pid, SIGTERM);
        usleep(2000);
        kill(pid, SIGTERM);
      });
  EXPECT_EQ(r.exit_status, 2) << r.err;
  EXPECT_EQ(TempOutput(out_dir_) + (test::PathExists(out_) ? out_ : ""), "");
  auto records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].rfind("<TS> 1番目の処理で実行を打ち切りました\r\nSIGTERMを受けました\r\n"
                             "書きかけの出力ファイルは削除しました（",
                             0),
            0u)
      << records[0];

  fs::remove(folder_ + "/SQLLOG.txt");
  r = Run(Job(300000, "OUTPUT=TAB\r\nEXPORT=" + out_ + "\r\n"), "ulimit -f 1000;");
  EXPECT_EQ(r.exit_status, 1) << r.err;
  const std::string kept = test::ReadFileBytes(TempOutput(out_dir_));
  EXPECT_FALSE(test::PathExists(out_));
  EXPECT_TRUE(!kept.empty() && kept.ends_with("\r\n"));
  EXPECT_EQ(Expected(300000).compare(0, kept.size(), kept), 0);
  records = Records();
  ASSERT_EQ(records.size(), 4u) << ::testing::PrintToString(records);
  EXPECT_NE(records[0].find("に残しました）\r\n"), std::string::npos) << records[0];
  EXPECT_EQ(records[1].rfind("<TS> 300000" + kFailed, 0), 0u) << records[1];
  EXPECT_NE(records[1].find("（同じ失敗がほかに"), std::string::npos) << records[1];
  EXPECT_NE(records[2].find(kTaskRecord), std::string::npos) << records[2];
  EXPECT_NE(records[3].find(kEndRecord), std::string::npos) << records[3];
}

// A sanitized program's leak check cannot run under ptrace: the traced run goes without it.
std::string NoLeakCheck() {
  const char* options = std::getenv("ASAN_OPTIONS");
  return std::string(options ? options : "") + ":detect_leaks=0";
}

// A power loss just after the run must find the whole output or the old one, never an empty
// file under its name: the new file is flushed before it takes the name. strace -y shows the
// file a flushed descriptor names.
TEST_F(KelvaxFaultsTest, TheNewFileIsFlushedBeforeItTakesTheOutputsName) {
  const std::string trace = work_ + "/trace";
  test::WriteFileBytes(work_ + "/job.ini", Job(3, "OUTPUT=TAB\r\nEXPORT=" + out_ + "\r\n"));
  test::ProcessResult r = test::RunProgram(
      {"strace", "-f", "-y", "-o", trace, "-e", "trace=fsync,fdatasync,/^rename", exe_,
       work_ + "/job.ini"},
      {{"DISPLAY", "\x01"}, {"WAYLAND_DISPLAY", "\x01"}, {"ASAN_OPTIONS", NoLeakCheck()}}, work_);
  ASSERT_EQ(r.exit_status, 0) << r.err;
  // The rename's line: its first path is the new file's own name.
  const std::string calls = test::ReadFileBytes(trace);
  const std::size_t renamed = calls.find("\"" + out_ + "\"");
  ASSERT_NE(renamed, std::string::npos) << calls;
  const std::size_t line = calls.rfind('\n', renamed) + 1, from = calls.find('"', line) + 1;
  const std::string temp = calls.substr(from, calls.find('"', from) - from);
  EXPECT_NE(calls.substr(0, line).find("<" + temp + ">) = 0"), std::string::npos) << calls;
}

// The open group is committed when the run is cut: every row the record counts is in the target.
TEST_F(KelvaxFaultsTest, SigintMidExportKeepsEveryRowReadAndNamesTheCount) {
  test::ProcessResult r =
      Run(Job(300000, "OUTPUT=INSERT\r\nDSN02=DSN=FAULTDB\r\nSQL02=INSERT INTO T\r\n"), "",
          [&](int pid) {
            WaitFor([&] { return test::PathExists(db_ + "-journal"); });
            kill(pid, SIGINT);
          });
  EXPECT_EQ(r.exit_status, 2);
  auto records = Records();
  ASSERT_EQ(records.size(), 1u);
  const std::string head = "<TS> 1番目の処理で実行を打ち切りました\r\nSIGINTを受けました\r\n";
  ASSERT_EQ(records[0].rfind(head, 0), 0u) << records[0];
  const std::string rows = records[0].substr(head.size(), records[0].find("行目") - head.size());
  EXPECT_EQ(records[0].substr(head.size() + rows.size()),
            "行目まで読み、挿入した行を確定しました\r\n");
  EXPECT_EQ(test::SqliteQuery(db_, "SELECT COUNT(*) FROM T"), rows);
  EXPECT_LT(std::stoi(rows), 300000);
}

// A server that accepts and never answers: the driver's wait sees no signal, so the stop request
// ends the run a grace period later with the cut record (a hang-up asks the same:
// tests/cases/faults/driver_fetch_never_ends). A closed standard error pipe changes nothing.
TEST_F(KelvaxFaultsTest, AStopEndsARunWaitingOnAServerThatNeverAnswers) {
  const int server = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(server, reinterpret_cast<sockaddr*>(&address), length), 0);
  ASSERT_EQ(listen(server, 8), 0);  // the kernel accepts; nobody answers
  getsockname(server, reinterpret_cast<sockaddr*>(&address), &length);
  const std::string job =
      "[CONNECTION01]\r\nDSN01=DRIVER={PostgreSQL Unicode};Servername=127.0.0.1;Port=" +
      std::to_string(ntohs(address.sin_port)) +
      ";Database=x;UID=u;PWD=p\r\nSQL01=SELECT 1\r\nOUTPUT=OFF\r\n";
  const auto start = std::chrono::steady_clock::now();
  test::ProcessResult r =
      Run(job, "exec 2>&-;", [](int pid) { usleep(300000), kill(pid, SIGTERM); });
  // The watchdog ends it 5 s after the request; a sanitized build on a loaded machine starts
  // slowly.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_EQ(Records(), std::vector<std::string>{"<TS> 1番目の処理で実行を打ち切りました\r\n"
                                                "SIGTERMを受けました\r\n"});
  close(server);
}

// A target another writer holds locked: the task fails with the driver's words, nothing is
// half-written, and the next task runs.
TEST_F(KelvaxFaultsTest, ALockedSqliteTargetFailsTheTaskAndLeavesItUntouched) {
  const std::string target =
      test::OdbcSandbox::Get().CreateSqliteDb("locked.db", "CREATE TABLE T (I, J, TXT);");
  test::OdbcSandbox::Get().AddDsn(
      "LOCKEDDB", {{"Driver", "SQLite3"}, {"Database", target}, {"Timeout", "200"}});
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(target.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  test::ProcessResult r =
      Run(Job(50, "OUTPUT=INSERT\r\nDSN02=DSN=LOCKEDDB\r\nSQL02=INSERT INTO T\r\n"));
  sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  EXPECT_EQ(r.exit_status, 1) << r.err;
  const auto records = Records();
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records[0].rfind("<TS> データの挿入に失敗しました。", 0), 0u) << records[0];
  EXPECT_NE(records[0].find("locked"), std::string::npos) << records[0];
  // The lock is waited for once, not once a row: one record for the task.
  EXPECT_EQ(std::count_if(records.begin(), records.end(),
                          [](const std::string& rec) {
                            return rec.find("データの挿入に失敗しました。") != std::string::npos;
                          }),
            1);
  EXPECT_EQ(test::SqliteQuery(target, "SELECT COUNT(*) FROM T"), "0");
}

// A stop that arrives while a failed batch is replayed row by row (a trigger that is slow, waits
// a second on row 120 and rejects every hundredth row): every row the stop record counts as read
// is in the target or has its own record.
TEST_F(KelvaxFaultsTest, AStopDuringRowByRowRetriesLeavesEveryRowReadInTheTargetOrRecorded) {
  test::PostgresSandbox* pg = nullptr;
  KELVAX_REQUIRE_SERVER(pg);
  pg->Exec(
      "DROP TABLE IF EXISTS kx_slow; CREATE TABLE kx_slow (i integer, j integer, txt text);"
      "CREATE OR REPLACE FUNCTION kx_slow() RETURNS trigger AS $$ BEGIN PERFORM pg_sleep(0.002);"
      " IF NEW.i = 120 THEN PERFORM pg_sleep(1); END IF;"
      " IF NEW.i % 100 = 50 THEN RAISE EXCEPTION 'rejected %', NEW.i; END IF; RETURN NEW; END $$"
      " LANGUAGE plpgsql; CREATE TRIGGER kx_slow BEFORE INSERT ON kx_slow FOR EACH ROW"
      " EXECUTE FUNCTION kx_slow();");
  test::ProcessResult r = Run(Job(5000, "OUTPUT=INSERT\r\nDSN02=DSN=" + pg->DsnName() +
                                            "\r\nSQL02=INSERT INTO kx_slow\r\n"),
                              "", [&](int pid) {
                                // Row 50's record, then a second or so: the second batch's
                                // replay, waiting on row 120, with row 150 still to fail.
                                WaitFor([&] { return !Records().empty(); });
                                std::this_thread::sleep_for(std::chrono::milliseconds(1800));
                                kill(pid, SIGTERM);
                              });
  EXPECT_EQ(r.exit_status, 2) << r.err;
  const auto records = Records();
  ASSERT_GE(records.size(), 2u);
  const std::string& cut = records.back();
  const auto read_at = cut.find("行目まで読み、挿入した行を確定しました");
  ASSERT_NE(read_at, std::string::npos) << cut;
  const int read = std::stoi(cut.substr(cut.rfind('\n', read_at) + 1));
  int rejected = 0;
  for (int i = 50; i <= read; i += 100) {
    ++rejected;
    EXPECT_EQ(std::count_if(records.begin(), records.end(),
                            [&](const std::string& rec) {
                              return rec.find("rejected " + std::to_string(i) + ";") !=
                                     std::string::npos;
                            }),
              1)
        << i;
  }
  EXPECT_EQ(records.size(), static_cast<std::size_t>(rejected) + 1);  // and the stop's
  EXPECT_EQ(
      pg->QueryRows("SELECT COUNT(*), COALESCE(MAX(i), 0) FROM kx_slow"),
      std::to_string(read - rejected) + "|" + std::to_string(read % 100 == 50 ? read - 1 : read));
}

// COMPACTMDB97's database: some MB, half of them free pages, so that compacting takes a while.
std::string BigDatabase(const std::string& path) {
  test::SqliteExec(
      path,
      "CREATE TABLE B (I INTEGER, TXT TEXT); CREATE TABLE W (N INTEGER);"
      "WITH RECURSIVE C(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM C WHERE I < 20000) "
      "INSERT INTO B SELECT I, hex(randomblob(400)) FROM C; DELETE FROM B WHERE I % 2 = 0;");
  return path;
}

// Another program commits a row every 5 ms while the database is compacted: it waits while the
// compaction holds the database, and every commit it was told of is kept, whatever the journal.
TEST_F(KelvaxFaultsTest, ACompactionKeepsEveryCommitOfAConcurrentWriter) {
  for (const std::string mode : {"DELETE", "WAL"}) {
    SCOPED_TRACE(mode);
    const std::string db = BigDatabase(work_ + "/big.mdb");
    test::SqliteQuery(db, "PRAGMA journal_mode = " + mode);
    const auto size = fs::file_size(db);
    std::atomic<bool> stop = false;
    int committed = 0;
    std::string error;
    std::thread writer([&] {
      sqlite3* w = nullptr;
      sqlite3_open(db.c_str(), &w);
      sqlite3_busy_timeout(w, 60000);
      for (; !stop && error.empty(); std::this_thread::sleep_for(std::chrono::milliseconds(5))) {
        if (sqlite3_exec(w, "INSERT INTO W VALUES (1)", nullptr, nullptr, nullptr) != SQLITE_OK)
          error = sqlite3_errmsg(w);
        else
          ++committed;
      }
      sqlite3_close(w);
    });
    test::ProcessResult r =
        Run("[CONNECTION01]\r\nDSN01=COMPACTMDB97\r\nSQL01=" + work_ + "/BIG\r\n");
    stop = true;
    writer.join();
    EXPECT_EQ(r.exit_status, 0) << r.err;
    EXPECT_EQ(error, "");
    EXPECT_LT(fs::file_size(db), size);
    EXPECT_EQ(test::SqliteQuery(db, "SELECT COUNT(*) FROM W"), std::to_string(committed));
    fs::remove(db);
  }
}

// A compaction killed midway leaves a journal: the next run finds the database as it was
// (SQLite rolls the journal back) and compacts it. What a killed copy leaves is a case file
// (tests/cases/copy/leftovers_of_a_killed_copy).
TEST_F(KelvaxFaultsTest, AKilledCompactionBlocksNoLaterRun) {
  const std::string db = BigDatabase(work_ + "/big.mdb"), journal = db + "-journal";
  const std::string job = "[CONNECTION01]\r\nDSN01=COMPACTMDB97\r\nSQL01=" + db + "\r\n";
  test::ProcessResult r = Run(job, "", [&](int pid) {
    WaitFor([&] { return test::PathExists(journal); });
    kill(-pid, SIGKILL);
  });
  EXPECT_EQ(r.exit_status, 128 + SIGKILL);
  ASSERT_TRUE(test::PathExists(journal));
  fs::remove(folder_ + "/SQLLOG.txt");
  r = Run(job);
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(Records().size(), 2u);
  EXPECT_FALSE(test::PathExists(journal));
  EXPECT_EQ(test::SqliteQuery(db, "PRAGMA integrity_check; SELECT COUNT(*) FROM B"), "ok\n10000");
  EXPECT_LT(fs::file_size(db), 10u << 20);
}

// The PostgreSQL session ends (its backend terminated) or the server stops while a task reads
// from it or inserts into it: the task fails with one record, the next task runs.
TEST_F(KelvaxFaultsTest, APostgresSessionOrServerLostMidTaskFailsThatTaskOnly) {
  test::PostgresSandbox* pg = nullptr;
  KELVAX_REQUIRE_SERVER(pg);
  const std::string next =
      "[CONNECTION02]\r\nDSN01=DSN=FAULTDB\r\nSQL01=SELECT 'NEXT' AS X\r\nOUTPUT=TAB\r\n"
      "EXPORT=" +
      out_dir_ + "/X.TXT\r\n";
  // Extracts as TAB when the backend is terminated, as HTML when the server stops.
  auto extract = [&](const std::string& kind) {
    return "[CONNECTION01]\r\nDSN01=DSN=" + pg->DsnName() +
           "\r\nSQL01=SELECT i FROM generate_series(1, 5000000) i\r\n"
           "OUTPUT=" +
           kind + "\r\nEXPORT=" + out_ + "\r\n" + next;
  };
  const std::string insert = Job(300000, "OUTPUT=INSERT\r\nDSN02=DSN=" + pg->DsnName() +
                                             "\r\nSQL02=INSERT INTO kx_fault\r\n" + next);
  auto inserted = [&] { return std::stoi(pg->QueryRows("SELECT COUNT(*) FROM kx_fault")); };
  for (const bool exporting : {false, true}) {
    for (const bool stopping : {false, true}) {
      SCOPED_TRACE(std::string(stopping ? "server stopped" : "backend terminated") +
                   (exporting ? " mid-export" : " mid-extract"));
      pg->Exec(
          "DROP TABLE IF EXISTS kx_fault; CREATE TABLE kx_fault (i integer, j integer, txt text)");
      fs::remove(folder_ + "/SQLLOG.txt");
      fs::create_directories(out_dir_);
      test::ProcessResult r =
          Run(exporting ? insert : extract(stopping ? "HTML" : "TAB"), "", [&](int) {
            WaitFor([&] { return exporting ? inserted() > 0 : !TempOutput(out_dir_).empty(); });
            if (stopping) pg->StopServer();
            EXPECT_EQ(stopping ? 1 : pg->TerminateClientBackends(), 1);
          });
      if (stopping) pg->StartServer();
      EXPECT_EQ(r.exit_status, 1) << r.err;
      const auto records = Records();
      ASSERT_EQ(records.size(), 4u);
      EXPECT_NE(records[0].find(exporting ? "<TS> データの挿入に失敗しました。\r\n" : kFailed),
                std::string::npos)
          << records[0];
      EXPECT_NE(records[0].find(exporting ? ":[08" : "The connection has been lost"),
                std::string::npos)
          << records[0];
      EXPECT_EQ(test::ReadFileBytes(out_dir_ + "/X.TXT"), "X\r\nNEXT\r\n");
      if (exporting) {
        const int rows = inserted();
        EXPECT_TRUE(rows > 0 && rows < 300000) << rows;
        EXPECT_EQ(pg->QueryRows("SELECT COUNT(*) FROM kx_fault WHERE i > " + std::to_string(rows)),
                  "0");
      } else {
        // Every row read before the loss is kept, whole, under the new file's own name, which
        // the record names; nothing is at the output path.
        EXPECT_FALSE(test::PathExists(out_));
        const std::string path = TempOutput(out_dir_);
        ASSERT_NE(path, "");
        EXPECT_NE(records[0].find(" " + path + " に残しました）"), std::string::npos) << records[0];
        const std::string kept = test::ReadFileBytes(path);
        const std::string rows =
            records[0].substr(5, records[0].find("番目") - 5);  // after "<TS> "
        const std::string last_row =
            stopping ? ">" + rows + "</FONT></TD>\r\n</TR>\r\n<TR VALIGN=TOP>\r\n"
                     : "\r\n" + rows + "\r\n";
        EXPECT_TRUE(std::stoi(rows) > 0 && kept.ends_with(last_row)) << rows;
        EXPECT_TRUE(stopping || kept.rfind("i\r\n1\r\n2\r\n", 0) == 0);
        fs::remove(path);
      }
      fs::remove_all(out_dir_);
    }
  }
}

}  // namespace
}  // namespace kelvax
