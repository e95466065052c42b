// The file-database and file-copy commands where a case file cannot reach: links, owners and
// modes, a writer holding the database, a stop request (tests/cases/filedb/ and copy/ hold the
// rest).
#include "file_commands/file_commands.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <thread>
#include <tuple>

#include "platform/process/process_umask.h"
#include "platform/sqlite/file_database.h"
#include "tests/support/log_text.h"
#include "tests/support/recording_host.h"
#include "tests/support/sandbox.h"

namespace kelvax {
namespace {

namespace fs = std::filesystem;

// Owner and group of files that belong to someone else.
constexpr uid_t kNobody = 65534;

class FileCommandsTest : public ::testing::Test {
 protected:
  std::vector<std::string> Run(TaskOutcome (*command)(TaskContext&), const std::string& dsn01) {
    task_.DSN01 = dsn01;
    RunLog log(test::MakeTempDir("fclog") + "/SQLLOG.txt");
    TaskContext c{task_, log, host_};
    left_behind_ = command(c).left_behind;
    return test::ReadLogRecords(log.path());
  }
  std::string dir_ = test::MakeTempDir("filecmd");
  JobTask task_;
  test::RecordingHost host_;
  std::string left_behind_;  // what the last command said it left when stopped
};

// The database is compacted in place: the same file for every name and user that has it.
TEST_F(FileCommandsTest, CompactCompletesTheNameAndKeepsTheFileWithItsLinksOwnersAndMode) {
  std::string db = dir_ + "/real.mdb", hard = dir_ + "/hard.mdb";
  test::SqliteExec(db,
                   "CREATE TABLE T (A TEXT); INSERT INTO T VALUES (hex(randomblob(50000)));"
                   "DELETE FROM T;");
  ASSERT_EQ(symlink("real.mdb", (dir_ + "/link.mdb").c_str()) | link(db.c_str(), hard.c_str()), 0);
  // Owner and group the process is not: only root may give them.
  const bool root = geteuid() == 0;
  ASSERT_EQ(chown(db.c_str(), root ? kNobody : geteuid(), root ? kNobody : getegid()), 0);
  ASSERT_EQ(chmod(db.c_str(), 0640), 0);
  struct stat before {
  }, after{};
  ASSERT_EQ(stat(db.c_str(), &before), 0);
  task_.SQL01 = dir_ + "/LINK";
  EXPECT_TRUE(Run(CompactMdb97, "COMPACTMDB97").empty());
  ASSERT_EQ(stat(hard.c_str(), &after), 0);
  EXPECT_LT(after.st_size, before.st_size);
  EXPECT_EQ(test::SqliteQuery(db, "SELECT COUNT(*) FROM T"), "0");
  EXPECT_TRUE(std::filesystem::is_symlink(dir_ + "/link.mdb"));
  EXPECT_EQ(
      std::make_tuple(after.st_ino, after.st_nlink, after.st_mode, after.st_uid, after.st_gid),
      std::make_tuple(before.st_ino, nlink_t{2}, before.st_mode, before.st_uid, before.st_gid));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}),
            3);  // nothing left beside
  if (!root) GTEST_SKIP() << "links and mode checked; another owner and group need root";
}

// Another program's transaction is waited for; a database that stays locked is left as it was.
TEST_F(FileCommandsTest, CompactWaitsForAWriterAndFailsWhenTheDatabaseStaysLocked) {
  std::string db = dir_ + "/SALES.mdb";
  test::SqliteExec(db,
                   "CREATE TABLE T (A TEXT); INSERT INTO T VALUES (hex(randomblob(50000)));"
                   "DELETE FROM T;");
  const std::string bytes = test::ReadFileBytes(db);
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(db.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  Status locked = CompactFileDatabase(db, 100);
  EXPECT_EQ(std::to_string(locked.native()) + ":" + locked.description(), "5:database is locked");
  EXPECT_EQ(test::ReadFileBytes(db), bytes);
  std::thread commit([&] {
    usleep(200000);
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
  });
  EXPECT_TRUE(CompactFileDatabase(db, 5000).ok());
  commit.join();
  sqlite3_close(other);
  EXPECT_LT(test::ReadFileBytes(db).size(), bytes.size());
}

TEST_F(FileCommandsTest, FileCopyUnderAStopAndThePermissionBitsItGives) {
  // A stop request between chunks leaves the destination as it was and says so. What a copy
  // leaves otherwise is a case file (tests/cases/copy/file_copy).
  std::string src = dir_ + "/Src.csv", dst = dir_ + "/dst.csv";
  test::WriteFileBytes(src, "newer");
  test::WriteFileBytes(dst, "new,data\r\n");
  task_.SQL01 = dir_ + "/SRC.CSV";
  task_.DSN02 = dir_ + "/DST.CSV";
  host_.cut = true;
  EXPECT_TRUE(Run(RunFileCopy, "FILECOPY").empty());
  host_.cut = false;
  EXPECT_EQ(test::ReadFileBytes(dst), "new,data\r\n");
  EXPECT_EQ(left_behind_, "書きかけのコピーは削除しました（コピー先は元のままです）: " + dst);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);  // no temp

  // Permission bits as a plain copy gives them: a new file takes the source's bits less the
  // umask, never setuid or setgid; an existing one keeps its mode and its owner.
  std::string tool = dir_ + "/tool", fresh = dir_ + "/fresh";
  test::WriteFileBytes(tool, "#!/bin/sh\n");
  const uid_t owner = geteuid() == 0 ? kNobody : geteuid();
  ASSERT_EQ(chmod(tool.c_str(), 06775) | chmod(dst.c_str(), 0640) | chown(dst.c_str(), owner, -1),
            0);
  const mode_t old_mask = umask(022);
  RememberUmask();
  for (const std::string* to : {&dst, &fresh}) {
    task_.SQL01 = tool;
    task_.DSN02 = *to;
    EXPECT_TRUE(Run(RunFileCopy, "FILECOPY").empty());
  }
  umask(old_mask);
  RememberUmask();
  struct stat st {};
  ASSERT_EQ(stat(fresh.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0755u);
  ASSERT_EQ(stat(dst.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(st.st_uid, owner);

  for (const auto& e : std::filesystem::directory_iterator(dir_)) {
    EXPECT_EQ(e.path().string().find(".kelvax-"), std::string::npos) << e.path();
  }
}

}  // namespace
}  // namespace kelvax
