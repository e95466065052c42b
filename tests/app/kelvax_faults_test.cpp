// The built program under faults from outside. Each run leaves a whole output file or a visibly
// unfinished one, records that say so, and an exit status that a scheduler can trust.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/mount.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "tests/support/log_text.h"
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
  for (int i = 0; i < 2000 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}
// Lines 1 .. rows of the generated result.
std::string Expected(int rows) {
  std::string text = "I\tJ\tTXT\r\n";
  for (int i = 1; i <= rows; ++i) text += std::to_string(i) + "\t" + std::to_string(7 * i) + "\tROW\r\n";
  return text;
}

class KelvaxFaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    exe_ = test::InstallKelvax(folder_);
    fs::create_directory(out_dir_);
    test::OdbcSandbox::Get().AddDsn("FAULTDB", {{"Driver", "SQLite3"}, {"Database", db_}, {"StepAPI", "1"}});
  }

  // One task reading `rows` generated rows, then `output` (OUTPUT and what goes with it).
  static std::string Job(int rows, const std::string& output) {
    return "[CONNECTION01]\r\nDSN01=DSN=FAULTDB\r\nSQL01=WITH RECURSIVE C(I) AS (SELECT 1 UNION ALL SELECT I + 1 "
           "FROM C WHERE I < " + std::to_string(rows) + ") SELECT I, I*7 AS J, 'ROW' AS TXT FROM C\r\n" + output;
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
  std::string db_ = test::OdbcSandbox::Get().CreateSqliteDb("faults.db", "CREATE TABLE T (I INTEGER, J INTEGER, TXT TEXT);");
};

const std::string kTaskRecord = "<TS> \r\n1番目は<ET>経過しています\r\n";
const std::string kEndRecord = kTaskRecord + test::kSeparator + "\r\n<ET>かかりました\r\n";
const std::string kFailed = "番目でファイルの出力に失敗しました\r\n";

TEST_F(KelvaxFaultsTest, EachFaultLeavesAWholeFileOrAVisiblyUnfinishedOne) {
  auto once_writing = [&](std::function<void(int)> act) {
    return [this, act](int pid) {
      WaitFor([&] { return !TempOutput(out_dir_).empty(); });
      act(pid);
    };
  };
  enum Left { kWhole, kNothing, kWholeLinesUnderTempName };
  struct Case {
    std::string name, kind;
    int rows;
    std::string prefix;
    std::function<void(int)> during;
    int exit_status;
    Left left;
    std::vector<std::string> records;  // a text each record holds
  };
  const std::vector<std::string> kept_records = {"に残しました）\r\n", "<TS> 300000" + kFailed, kTaskRecord, kEndRecord};
  const std::vector<Case> cases = {
      {"folder removed mid-extract", "TAB", 300000, "", once_writing([&](int) { fs::remove_all(out_dir_); }), 1,
       kNothing, {"<TS> 300000" + kFailed + "53:" + out_ + ": No such file or directory\r\n", kTaskRecord, kEndRecord}},
      {"SIGTERM mid-extract", "HTML", 300000, "", once_writing([](int pid) { kill(pid, SIGTERM); }), 2, kNothing,
       {"<TS> 1番目の処理で実行を打ち切りました\r\nSIGTERMを受けました\r\n書きかけの出力ファイルは削除しました（"}},
      {"file-size limit", "TAB", 300000, "ulimit -f 1000;", nullptr, 1, kWholeLinesUnderTempName, kept_records},
      {"full file system", "TAB", 300000, "mount -t tmpfs -o size=1m tmpfs " + out_dir_ + " || exit 99;", nullptr,
       1, kWholeLinesUnderTempName, kept_records},
      {"symlink at EXPORT", "TAB", 3, "ln -s " + work_ + "/ELSEWHERE.TXT " + out_ + ";", nullptr, 0, kWhole,
       {kTaskRecord, kEndRecord}},
      {"FIFO at EXPORT", "TAB", 3, "mkfifo " + out_ + ";", nullptr, 0, kWhole, {kTaskRecord, kEndRecord}},
      {"clipboard without a display", "CRIP", 2, "", nullptr, 1, kNothing,
       {"<TS> 2" + kFailed + "521:クリップボードを開くことができません 処理が失敗しました\r\n", kTaskRecord, kEndRecord}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::create_directories(out_dir_);
    test::ProcessResult r = Run(Job(c.rows, "OUTPUT=" + c.kind + "\r\nEXPORT=" + out_ + "\r\n"), c.prefix, c.during);
    if (r.exit_status == 99) continue;  // mounting is not permitted here
    EXPECT_EQ(r.exit_status, c.exit_status) << r.err;
    const std::string kept = test::ReadFileBytes(TempOutput(out_dir_));
    umount(out_dir_.c_str());
    if (c.left == kWhole) {
      ASSERT_TRUE(fs::is_regular_file(fs::symlink_status(out_)));  // reading a FIFO would hang
      EXPECT_EQ(test::ReadFileBytes(out_), Expected(c.rows));
      EXPECT_FALSE(test::PathExists(work_ + "/ELSEWHERE.TXT"));
    } else {
      EXPECT_FALSE(test::PathExists(out_));
      EXPECT_TRUE(kept.empty() == (c.left == kNothing) && (kept.empty() || kept.ends_with("\r\n")));
      EXPECT_EQ(Expected(c.rows).compare(0, kept.size(), kept), 0);
    }
    auto records = Records();
    ASSERT_EQ(records.size(), c.records.size());
    for (std::size_t i = 0; i < records.size(); ++i) EXPECT_NE(records[i].find(c.records[i]), std::string::npos) << records[i];
    if (c.left == kWholeLinesUnderTempName) EXPECT_NE(records[1].find("（同じ失敗がほかに"), std::string::npos);
    fs::remove_all(out_dir_);
  }
}

// The open group is committed when the run is cut: every row the record counts is in the target.
TEST_F(KelvaxFaultsTest, SigintMidExportKeepsEveryRowReadAndNamesTheCount) {
  test::ProcessResult r = Run(Job(300000, "OUTPUT=INSERT\r\nDSN02=DSN=FAULTDB\r\nSQL02=INSERT INTO T\r\n"), "",
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
  EXPECT_EQ(records[0].substr(head.size() + rows.size()), "行目まで読み、挿入した行を確定しました\r\n");
  EXPECT_EQ(test::SqliteQuery(db_, "SELECT COUNT(*) FROM T"), rows);
  EXPECT_LT(std::stoi(rows), 300000);
}

// A log that meets a file-size limit ends with its last whole record.
TEST_F(KelvaxFaultsTest, ALogThatCannotGrowEndsWithAWholeRecord) {
  std::string job;
  for (int i = 1; i <= 40; ++i) {
    job += "[CONNECTION" + std::string(i < 10, '0') + std::to_string(i) + "]\r\nDSN01=DSN=NOWHERE\r\nOUTPUT=TAB\r\n";
  }
  test::ProcessResult r = Run(job, "ulimit -f 20;");
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_NE(r.err.find("cannot write the run log"), std::string::npos) << r.err;
  const std::string log = test::ReadFileBytes(folder_ + "/SQLLOG.txt");
  const std::string end = std::string(test::kSeparator) + "\r\n\r\n";
  EXPECT_TRUE(log.size() > end.size() && log.ends_with(end)) << log.size();
}

}  // namespace
}  // namespace kelvax
