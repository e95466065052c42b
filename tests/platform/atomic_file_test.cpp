#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/support/sandbox.h"

namespace kelvax {
namespace {

using test::MakeTempDir;
using test::ReadFileBytes;

std::vector<std::string> Names(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(AtomicFileTest, ThePathChangesOnlyAtCommitAndNothingElseStays) {
  const std::string dir = MakeTempDir();
  const std::string path = dir + "/out.txt";
  test::WriteFileBytes(path, "old");
  {
    AtomicFile file;
    ASSERT_TRUE(file.Create(path, 0640).ok());
    ASSERT_TRUE(file.Write("new").ok());
    EXPECT_EQ(ReadFileBytes(path), "old");
    EXPECT_EQ(file.temp_path().rfind(dir + "/.out.txt.kelvax-", 0), 0u) << file.temp_path();
    ASSERT_TRUE(file.Commit().ok());
  }
  EXPECT_EQ(ReadFileBytes(path), "new");
  struct stat st{};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  {
    AtomicFile unfinished;
    ASSERT_TRUE(unfinished.Create(path).ok());
    ASSERT_TRUE(unfinished.Write("never").ok());
  }
  EXPECT_EQ(ReadFileBytes(path), "new");
  EXPECT_EQ(Names(dir), std::vector<std::string>{"out.txt"});
}

TEST(AtomicFileTest, AFailedWriteLeavesTheBytesBeforeIt) {
  const std::string dir = MakeTempDir();
  AtomicFile file;
  ASSERT_TRUE(file.Create(dir + "/big.txt").ok());
  ASSERT_TRUE(file.Write(std::string(60000, 'a')).ok());
  {
    test::FileSizeLimit limit(100000);
    EXPECT_FALSE(file.Write(std::string(60000, 'b')).ok());
  }
  EXPECT_EQ(file.size(), 60000u);
  file.Leave();
  EXPECT_EQ(ReadFileBytes(file.temp_path()), std::string(60000, 'a'));
}

TEST(AtomicFileTest, FailuresNameThePathAndLeaveNoFile) {
  const std::string dir = MakeTempDir();
  AtomicFile file;
  EXPECT_EQ(file.Create(dir).number(), errnum::kFileIo);  // a folder
  EXPECT_EQ(file.Create(dir + "/missing/out.txt").number(), errnum::kFileNotFound);

  const std::string gone = dir + "/gone";
  std::filesystem::create_directory(gone);
  ASSERT_TRUE(file.Create(gone + "/out.txt").ok());
  std::filesystem::remove_all(gone);
  const Status s = file.Commit();
  EXPECT_EQ(s.number(), errnum::kFileNotFound);
  EXPECT_NE(s.description().find(gone + "/out.txt"), std::string::npos) << s.description();
  EXPECT_TRUE(Names(dir).empty());
}

}  // namespace
}  // namespace kelvax
