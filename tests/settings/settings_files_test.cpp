// RunConfig.ini and the command center's job file, read and written as bytes on disk. What the
// settings dialog writes to RunConfig.ini is checked through the dialog (tests/ui).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "settings/command_task.h"
#include "settings/run_config.h"
#include "tests/support/sandbox.h"

namespace kelvax::settings {
namespace {

using test::MakeTempDir;
using test::ReadFileBytes;
using test::WriteFileBytes;

// "出力" and "売上" in CP932.
const std::string kOutputCp932 = "\x8f\x6f\x97\xcd";
const std::string kSalesCp932 = "\x94\x84\x8f\xe3";

bool operator==(const RunConfig& a, const RunConfig& b) {
  return a.connect == b.connect && a.output_file == b.output_file &&
         a.output_type == b.output_type && a.no_show_data == b.no_show_data &&
         a.no_counter == b.no_counter;
}

bool operator==(const CommandTask& a, const CommandTask& b) {
  return a.connect == b.connect && a.sql == b.sql && a.output_file == b.output_file &&
         a.output_option == b.output_option && a.no_show_data == b.no_show_data &&
         a.no_counter == b.no_counter;
}

TEST(RunConfigTest, ReadingComparesValuesExactly) {
  struct Case {
    std::string file;
    RunConfig expected;
  };
  const RunConfig defaults;
  const std::vector<Case> cases = {
      {"", defaults},  // no file at all (written as nothing below)
      {"[Other]\r\nOUTPUT=TAB\r\n", defaults},
      {"[CONNECTION01]\r\nOUTPUT=tab\r\nSHOWDATA=on\r\nCOUNTER=On\r\n", defaults},
      {"[connection01]\r\nDSN01= DSN=X "
       "\r\nEXPORT=/x\r\nOUTPUT=HTML\r\nSHOWDATA=ON\r\nCOUNTER=ON\r\n",
       {"DSN=X", "/x", kOptionHtml, false, false}},
      {"[CONNECTION01]\r\nOUTPUT=CRIP\r\nSHOWDATA=\r\nCOUNTER=OFF\r\n", defaults},
  };
  for (const Case& c : cases) {
    const std::string path = MakeTempDir() + "/RunConfig.ini";
    if (!c.file.empty()) WriteFileBytes(path, c.file);
    EXPECT_TRUE(LoadRunConfig(path) == c.expected) << c.file;
  }
  // An unknown type leaves the selection the controls already had.
  const std::string path = MakeTempDir() + "/RunConfig.ini";
  WriteFileBytes(path, "[CONNECTION01]\r\nOUTPUT=PDF\r\n");
  RunConfig config;
  config.output_type = kOptionCsv;
  LoadRunConfig(path, config);
  EXPECT_EQ(config.output_type, kOptionCsv);
}

TEST(CommandTaskTest, StatementLosesLineBreaksToOneSpaceAndKeepsItsCase) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"select a\nfrom t", "select a from t"},
      {"select a\r\nfrom t\r\n", "select a from t "},
      {"select a\r\rfrom t", "select a  from t"},
      {"select x from t where n = 'Blue Ocean Ltd.'",
       "select x from t where n = 'Blue Ocean Ltd.'"},
      {"select 'ａｂ売上' from t", "select 'ａｂ売上' from t"},
  };
  for (const auto& [box, expected] : cases) EXPECT_EQ(JobStatement(box), expected) << box;
}

TEST(CommandTaskTest, JobFileHoldsTheNineKeysInOrderWithTheJobRunnersValues) {
  struct Case {
    int option;
    bool no_show_data, no_counter;
    std::string output, showdata, counter;
  };
  const std::vector<Case> cases = {
      {kOptionTab, true, true, "TAB", "OFF", "OFF"},
      {kOptionCsv, false, true, "CSV", "ON", "OFF"},
      {kOptionClip, true, false, "CRIP", "OFF", "ON"},
      {kOptionHtml, false, false, "HTML", "ON", "ON"},
      {kOptionExcel, true, true, "EXCEL", "OFF", "OFF"},
      {kOptionNone, true, true, "OFF", "OFF", "OFF"},
  };
  for (const Case& c : cases) {
    const std::string path = MakeTempDir() + "/kelvax.ini";
    const CommandTask task{" DSN=売上 ", "select *\nfrom t", " /d/出力.txt ",
                           c.option,     c.no_show_data,     c.no_counter};
    ASSERT_TRUE(SaveCommandTask(path, task).ok());
    EXPECT_EQ(ReadFileBytes(path), "[Connection01]\r\nDSN01=DSN=" + kSalesCp932 +
                                       "\r\nSQL01=select * from t\r\n"
                                       "DSN02=\r\nSQL02=\r\nOUTPUT=" +
                                       c.output + "\r\nEXPORT= /d/" + kOutputCp932 +
                                       ".txt \r\nINDICATOR=ON\r\nSHOWDATA=" + c.showdata +
                                       "\r\nCOUNTER=" + c.counter + "\r\n")
        << c.output;
  }
}

TEST(CommandTaskTest, SavingOverAJobReplacesItsFirstTaskAndKeepsTheRest) {
  const std::string path = MakeTempDir() + "/job.sql";
  WriteFileBytes(path,
                 "[CONNECTION01]\r\nDSN01=DSN=OLD\r\nSQL01=SELECT 1\r\nDSN02=DSN=T\r\n"
                 "SQL02=INSERT\r\nOUTPUT=INSERT\r\nEXPORT=\r\nINDICATOR=OFF\r\n"
                 "SHOWDATA=ON\r\nCOUNTER=ON\r\n[CONNECTION02]\r\nDSN01=DSN=B\r\n");
  const CommandTask task{"DSN=NEW", "select 2", "/o.csv", kOptionCsv, true, false};
  ASSERT_TRUE(SaveCommandTask(path, task).ok());
  ASSERT_TRUE(SaveCommandTask(path, task).ok());  // a second run rewrites the same keys
  EXPECT_EQ(ReadFileBytes(path),
            "[CONNECTION01]\r\nDSN01=DSN=NEW\r\nSQL01=select 2\r\nDSN02=\r\nSQL02=\r\n"
            "OUTPUT=CSV\r\nEXPORT=/o.csv\r\nINDICATOR=ON\r\nSHOWDATA=OFF\r\nCOUNTER=ON\r\n"
            "[CONNECTION02]\r\nDSN01=DSN=B\r\n");
}

TEST(CommandTaskTest, LoadingSelectsByExactValueAndFillsTheDesktopDefault) {
  struct Case {
    std::string file;
    CommandTask expected;
  };
  const std::vector<Case> cases = {
      {"", {"", "", "/desk/Kelvax.txt", kOptionTab, true, true}},
      {"[CONNECTION01]\r\nOUTPUT=CSV\r\n", {"", "", "/desk/Kelvax.csv", kOptionCsv, true, true}},
      {"[CONNECTION01]\r\nOUTPUT=CLIP\r\n", {"", "", "/desk/Kelvax.txt", kOptionClip, true, true}},
      {"[CONNECTION01]\r\nOUTPUT=CRIP\r\n", {"", "", "/desk/Kelvax.txt", kOptionTab, true, true}},
      {"[CONNECTION01]\r\nOUTPUT=HTML\r\n", {"", "", "/desk/Kelvax.html", kOptionHtml, true, true}},
      {"[CONNECTION01]\r\nOUTPUT=EXCEL\r\n",
       {"", "", "/desk/Kelvax.xls", kOptionExcel, true, true}},
      {"[CONNECTION01]\r\nOUTPUT=html\r\nSHOWDATA=on\r\nCOUNTER=ON\r\n",
       {"", "", "/desk/Kelvax.txt", kOptionTab, true, false}},
      {"[connection01]\r\nDSN01=DSN=A\r\nSQL01=SELECT 1\r\nEXPORT=/x.csv\r\nOUTPUT=HTML\r\n"
       "SHOWDATA=ON\r\nCOUNTER=OFF\r\n[CONNECTION02]\r\nDSN01=DSN=B\r\n",
       {"DSN=A", "SELECT 1", "/x.csv", kOptionHtml, false, true}},
  };
  for (const Case& c : cases) {
    const std::string path = MakeTempDir() + "/task.ini";
    if (!c.file.empty()) WriteFileBytes(path, c.file);
    EXPECT_TRUE(LoadCommandTask(path, "/desk") == c.expected) << c.file;
  }
}

TEST(CommandTaskTest, SavedTaskOpensAgainWholeAtAPathLongerThan255Bytes) {
  std::string folder = MakeTempDir();
  folder += "/" + std::string(120, 'a');
  std::filesystem::create_directories(folder + "/" + std::string(120, 'b'));
  const std::string path = folder + "/" + std::string(120, 'b') + "/job.sql";
  ASSERT_GT(path.size(), 255u);
  const std::string long_sql = "SELECT 1 /* " + std::string(7000, 'X') + " */ WHERE 1 = 0";
  const CommandTask task{"DSN=A", long_sql, "/o.html", kOptionHtml, false, true};
  ASSERT_TRUE(SaveCommandTask(path, task).ok());
  EXPECT_TRUE(LoadCommandTask(path, "/desk") == task);
}

// 𠮷 has no CP932 form: a CP932 job or settings file would hold '?', so nothing is written and the
// reason names the character; a UTF-8 job file holds it and reads back exactly.
TEST(CommandTaskTest, ACharacterCodePage932LacksIsRefusedUnlessTheJobFileIsUtf8) {
  const CommandTask task{
      "DSN=A", "select 1 where n = '\xF0\xA0\xAE\xB7野家'", "/o.csv", kOptionCsv, true, true};
  const std::string cp932 = MakeTempDir() + "/kelvax.ini", utf8 = MakeTempDir() + "/job.sql";
  const Status refused = SaveCommandTask(cp932, task);
  EXPECT_EQ(
      refused.description(),
      cp932 + ": SQLの「\xF0\xA0\xAE\xB7」(U+20BB7) はシフトJIS (コードページ932) にない文字です");
  EXPECT_FALSE(test::PathExists(cp932));
  WriteFileBytes(utf8, "\xEF\xBB\xBF[CONNECTION02]\r\nDSN01=DSN=B\r\n");
  ASSERT_TRUE(SaveCommandTask(utf8, task).ok());
  EXPECT_TRUE(LoadCommandTask(utf8, "/desk") == task);
  // The settings file the same way.
  RunConfig config;
  config.connect = "DSN=\xF0\xA0\xAE\xB7";
  const std::string settings = MakeTempDir() + "/RunConfig.ini";
  EXPECT_FALSE(SaveRunConfig(settings, config).ok());
  EXPECT_FALSE(test::PathExists(settings));
}

}  // namespace
}  // namespace kelvax::settings
