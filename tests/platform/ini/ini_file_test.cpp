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

TEST(IniFileReadTest, NamesMatchWithoutCaseAndSectionsComeInFileOrder) {
  const IniFile ini = IniFile::Parse(
      "[connection01]\r\nDsn01=DSN=A\r\n[Connection02]\r\nsql01=select 1\r\n"
      "[CONNECTION01]\r\nDSN01=second\r\nDSN02=later\r\n[notes]\r\n");
  EXPECT_EQ(ini.SectionNames(),
            (std::vector<std::string>{"connection01", "Connection02", "notes"}));
  EXPECT_EQ(ini.Get("CONNECTION01", "DSN01"), "DSN=A");  // the first wins
  EXPECT_EQ(ini.Get("Connection01", "dsn02"), "later");
  EXPECT_EQ(ini.Get("connection02", "SQL01"), "select 1");
  EXPECT_EQ(ini.Get("CONNECTION03", "SQL01"), "");
  EXPECT_EQ(ini.Get("CONNECTION02", "MISSING"), "");
  EXPECT_FALSE(ini.exists());
}

TEST(IniFileReadTest, ValuesAreTrimmedAndLoseOnePairOfQuotes) {
  const IniFile ini = IniFile::Parse(
      "before=ignored\n"
      "[S]\n"
      "A = \t padded value \t\r\n"
      "B=\"C:\\My Files\\out.csv\"\n"
      "C='single'\n"
      "D=\"\"double\"\"\n"
      "E=\"unbalanced\n"
      "F=x=y\n"
      "G=\"\n"
      "; H=commented\n"
      "  ;I=indented comment\n"
      "no equals sign\n"
      "J=\n"
      "K=last line without line end");
  EXPECT_EQ(ini.Get("S", "A"), "padded value");
  EXPECT_EQ(ini.Get("S", "B"), "C:\\My Files\\out.csv");
  EXPECT_EQ(ini.Get("S", "C"), "single");
  EXPECT_EQ(ini.Get("S", "D"), "\"double\"");
  EXPECT_EQ(ini.Get("S", "E"), "\"unbalanced");
  EXPECT_EQ(ini.Get("S", "F"), "x=y");
  EXPECT_EQ(ini.Get("S", "G"), "\"");
  EXPECT_EQ(ini.Get("S", "; H"), "");
  EXPECT_EQ(ini.Get("S", "H"), "");
  EXPECT_EQ(ini.Get("S", "I"), "");
  EXPECT_EQ(ini.Get("S", "J"), "");
  EXPECT_EQ(ini.Get("S", "K"), "last line without line end");
  EXPECT_EQ(ini.Get("", "before"), "");
}

TEST(IniFileReadTest, LongValuesAreReadWhole) {
  const std::string head(7000, 'a');
  EXPECT_EQ(IniFile::Parse("[S]\nK=" + head + "\x96\xBE\n").Get("S", "K"), head + "明");  // CP932
  EXPECT_EQ(IniFile::Parse("[S]\nK=" + head + "明\n").Get("S", "K"), head + "明");
}

TEST(IniFileReadTest, Cp932FileReadsBackAsUtf8) {
  // [接続] / K=ＭＳ 明朝 / L=ソ] / [ゾゾ]: the trail bytes 0x5C of ソ and 0x5D of ゾ are
  // neither a backslash nor the end of the section name.
  const std::string bytes =
      "[\x90\xDA\x91\xB1]\r\n"
      "K=\x82\x6C\x82\x72 \x96\xBE\x92\xA9\r\n"
      "L=\x83\x5C]\r\n"
      "[\x83\x5D\x83\x5D]\r\n"
      "M=1\r\n";
  const IniFile ini = IniFile::Parse(bytes);
  EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"接続", "ゾゾ"}));
  EXPECT_EQ(ini.Get("接続", "K"), "ＭＳ 明朝");
  EXPECT_EQ(ini.Get("接続", "L"), "ソ]");
  EXPECT_EQ(ini.Get("ゾゾ", "M"), "1");
}

// UTF-8 only where code page 932 cannot read the bytes (or a BOM says so); bytes valid in both
// are code page 932, whichever encoding the writer meant.
TEST(IniFileReadTest, Utf8OnlyOnEvidenceCodePage932CannotExplain) {
  constexpr auto kCp932 = IniEncoding::kCp932;
  constexpr auto kUtf8 = IniEncoding::kUtf8;
  const std::string bom = "\xEF\xBB\xBF";
  struct Case {
    std::string head, value;
    IniEncoding encoding;
    std::string read;
  } cases[] = {
      {"", "\xCF\xB2\xC5\xBD", kCp932, "ﾏｲﾅｽ"},  // CP932, and valid UTF-8 (ϲŽ) too
      {"", "\x8E\x52\x93\x63", kCp932, "山田"},
      {"", "ﾏｲﾅｽ", kUtf8, "ﾏｲﾅｽ"},
      {"", "テスト", kUtf8, "テスト"},
      {"", "山田", kCp932, "螻ｱ逕ｰ"},  // UTF-8 that is valid CP932 as well
      {"", "あい", kCp932, "縺ゅ＞"},
      {bom, "山田", kUtf8, "山田"},
      {bom, "\xFF", kUtf8, "\uFFFD"},
      {"", "\xFF", kCp932, "\uFFFD"},  // neither
      {"", "plain", kCp932, "plain"},
  };
  for (const Case& c : cases) {
    const IniFile ini = IniFile::Parse(c.head + "[S]\r\nK=" + c.value + "\r\n");
    EXPECT_EQ(ini.encoding(), c.encoding) << c.value;
    EXPECT_EQ(ini.Get("S", "K"), c.read) << c.value;  // the BOM is no part of the section name
  }
}

TEST(IniFileReadTest, LoadTellsAMissingFileFromAnEmptyOne) {
  const std::string dir = MakeTempDir();
  const IniFile missing = IniFile::Load(dir + "/none.ini");
  EXPECT_FALSE(missing.exists());
  EXPECT_TRUE(missing.SectionNames().empty());

  WriteFileBytes(dir + "/empty.ini", "");
  EXPECT_TRUE(IniFile::Load(dir + "/empty.ini").exists());

  EXPECT_FALSE(IniFile::Load(dir).exists());  // a folder is no file
}

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
