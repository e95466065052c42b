// Writing INI files in place. How files are read (case, quotes, comments, encodings, long values)
// is checked on job files through the program (tests/cases/jobfile/).
#include "platform/ini/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/sandbox.h"

namespace kelvax {
namespace {

using test::MakeTempDir;
using test::ReadFileBytes;
using test::WriteFileBytes;

class IniFileWriteTest : public ::testing::Test {
 protected:
  void SetUp() override { path_ = MakeTempDir() + "/settings.ini"; }
  std::string path_;
};

// A new file's bytes are checked through the settings files (settings_files_test.cpp).
TEST_F(IniFileWriteTest, WritesInPlaceKeepingEveryOtherByteAndTheFilesEncoding) {
  struct Case {
    std::string before, section, key, value, after;
  };
  const Case cases[] = {
      {"; settings\n[Main]\r\n  Font = old value  \r\nSize=9\n\r\n[Other]\tx\r\nfont=untouched\r\n",
       "MAIN", "FONT", "new",
       "; settings\n[Main]\r\n  Font =new\r\nSize=9\n\r\n[Other]\tx\r\nfont=untouched\r\n"},
      // A new key goes at the end of its section, before blank lines; the last line may lack its
      // end.
      {"[A]\r\nK1=1\r\n\r\n[B]\r\nK1=b\r\n", "a", "K2", "2",
       "[A]\r\nK1=1\r\nK2=2\r\n\r\n[B]\r\nK1=b\r\n"},
      {"[A]\nK1=1", "A", "K2", "2", "[A]\nK1=1\r\nK2=2\r\n"},
      {"[A]\nK=1", "B", "K", "2", "[A]\nK=1\r\n[B]\r\nK=2\r\n"},
      // UTF-8 with a BOM stays UTF-8; CP932 ([設定]) stays CP932, what it lacks becoming '?'.
      {"\xEF\xBB\xBF[設定]\r\nK=古い\r\n", "設定", "K", "明朝", "\xEF\xBB\xBF[設定]\r\nK=明朝\r\n"},
      {"[\x90\xDD\x92\xE8]\r\nK=x\r\n", "設定", "K", "明朝😀",
       "[\x90\xDD\x92\xE8]\r\nK=\x96\xBE\x92\xA9?\r\n"},
      // UTF-8 whose only text invalid as CP932 (テスト) is written over gains a BOM.
      {"[A]\r\nK=テスト\r\n", "A", "K", "山田", "\xEF\xBB\xBF[A]\r\nK=山田\r\n"},
  };
  for (const Case& c : cases) {
    WriteFileBytes(path_, c.before);
    ASSERT_TRUE(WriteIniString(path_, c.section, c.key, c.value).ok()) << c.before;
    EXPECT_EQ(ReadFileBytes(path_), c.after);
  }
}

TEST_F(IniFileWriteTest, RefusesLineBreaksThatWouldAddLines) {
  WriteFileBytes(path_, "[A]\r\nK=1\r\n");
  EXPECT_EQ(WriteIniString(path_, "A", "K", "x\r\n[B]").code(), StatusCode::kInvalidArgument);
  EXPECT_FALSE(WriteIniString(path_, "A\nB", "K", "x").ok());
  EXPECT_FALSE(WriteIniString(path_, "A", "K=J", "x").ok());
  EXPECT_FALSE(WriteIniString(path_, "A", "", "x").ok());
  EXPECT_EQ(ReadFileBytes(path_), "[A]\r\nK=1\r\n");
}

// The files hold connect strings with their passwords: a new one is the owner's alone, and a
// link planted at the name is neither written through nor replaced.
TEST_F(IniFileWriteTest, KeepsTheFileModeMakesNewOnes0600AndRefusesLinks) {
  struct stat st;
  ASSERT_TRUE(WriteIniString(path_, "A", "K", "1").ok());
  ASSERT_EQ(stat(path_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(chmod(path_.c_str(), 0640), 0);
  ASSERT_TRUE(WriteIniString(path_, "A", "K", "2").ok());
  ASSERT_EQ(stat(path_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  const std::string link = path_ + ".link", notes = path_ + ".notes";
  WriteFileBytes(notes, "notes\n");
  std::filesystem::create_symlink(notes, link);
  EXPECT_EQ(WriteIniString(link, "A", "K", "3").description(),
            link + " is a symbolic link; settings are not written through one");
  EXPECT_EQ(ReadFileBytes(notes), "notes\n");
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  std::filesystem::remove(link);
  std::filesystem::remove(notes);
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path_.substr(0, path_.rfind('/')))) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(names, std::vector<std::string>{"settings.ini"});
}

}  // namespace
}  // namespace kelvax
