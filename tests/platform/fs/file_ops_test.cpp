#include "platform/fs/file_ops.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "tests/support/sandbox.h"

namespace kelvax {
namespace {

using test::MakeTempDir;
using test::ReadFileBytes;
using test::WriteFileBytes;

TEST(FileOpsTest, FileExistsIsMinusOneOnlyForRegularFiles) {
  const std::string dir = MakeTempDir();
  WriteFileBytes(dir + "/.hidden", "x");
  WriteFileBytes(dir + "/readonly.csv", "x");
  ASSERT_EQ(chmod((dir + "/readonly.csv").c_str(), 0444), 0);
  WriteFileBytes(dir + "/a*.csv", "x");
  EXPECT_EQ(FileExists(dir + "/.hidden"), -1);
  EXPECT_EQ(FileExists(dir + "/readonly.csv"), -1);
  EXPECT_EQ(FileExists(dir + "/a*.csv"), -1);
  EXPECT_EQ(FileExists(dir + "/*.csv"), 0);  // no pattern matching
  EXPECT_EQ(FileExists(dir), 0);
  EXPECT_EQ(FileExists(dir + "/missing"), 0);
  EXPECT_EQ(FileExists(dir + "/.hidden/below"), 0);
  EXPECT_EQ(FileExists(""), 0);
}

TEST(FileOpsTest, ShellOpenReturnsAtOnceAndRunsXdgOpenDetached) {
  // A stand-in xdg-open on PATH that records its argument after a delay.
  const std::string bin = MakeTempDir("kelvax-bin");
  const std::string record = bin + "/xdg-open.txt";
  WriteFileBytes(bin + "/xdg-open",
                 "#!/bin/sh\nsleep 2\nprintf '%s' \"$1\" > \"$0.tmp\"\nmv \"$0.tmp\" \"$0.txt\"\n");
  ASSERT_EQ(chmod((bin + "/xdg-open").c_str(), 0755), 0);
  const std::string old_path = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", (bin + ":" + old_path).c_str(), 1);

  const auto start = std::chrono::steady_clock::now();
  ShellOpen("/some where/報告.csv");
  const auto spent = std::chrono::steady_clock::now() - start;
  setenv("PATH", old_path.c_str(), 1);
  EXPECT_LT(spent, std::chrono::milliseconds(1500));  // did not wait for the script

  for (int i = 0; i < 200 && !test::PathExists(record); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(ReadFileBytes(record), "/some where/報告.csv");
}

}  // namespace
}  // namespace kelvax
