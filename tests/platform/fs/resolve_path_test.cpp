#include "platform/fs/resolve_path.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "tests/support/sandbox.h"

namespace kelvax {
namespace {

class ResolvePathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = test::MakeTempDir("kelvax-resolve");
    Mkdir("/Reports");
    Mkdir("/Reports/Daily");
    test::WriteFileBytes(root_ + "/Reports/Daily/orders.csv", "x");
    test::WriteFileBytes(root_ + "/Reports/Daily/ORDERS.CSV.bak", "x");
    // Two spellings of one name: ambiguous without an exact match.
    test::WriteFileBytes(root_ + "/Reports/Data.txt", "x");
    test::WriteFileBytes(root_ + "/Reports/data.TXT", "x");
    Mkdir("/Reports/日報");
    test::WriteFileBytes(root_ + "/Reports/日報/Summary.csv", "x");
    Mkdir("/Ｒｅｐｏｒｔ");
    Mkdir("/Ångström");
  }
  void Mkdir(const std::string& rel) { ASSERT_EQ(mkdir((root_ + rel).c_str(), 0755), 0); }
  std::string root_;
};

TEST_F(ResolvePathTest, ExactAndUniqueCaseInsensitiveMatchesTakeTheRealSpelling) {
  EXPECT_EQ(ResolvePath(root_ + "/Reports/Daily/orders.csv"), root_ + "/Reports/Daily/orders.csv");
  EXPECT_EQ(ResolvePath(root_ + "/REPORTS/DAILY/ORDERS.CSV"), root_ + "/Reports/Daily/orders.csv");
  EXPECT_EQ(ResolvePath(root_ + "/REPORTS/日報/SUMMARY.CSV"), root_ + "/Reports/日報/Summary.csv");
  // Letters of any script fold: full-width Latin, accented letters.
  EXPECT_EQ(ResolvePath(root_ + "/ＲＥＰＯＲＴ/new.csv"), root_ + "/Ｒｅｐｏｒｔ/new.csv");
  EXPECT_EQ(ResolvePath(root_ + "/ÅNGSTRÖM/x"), root_ + "/Ångström/x");
}

TEST_F(ResolvePathTest, BackslashesSeparateAndTheResultUsesSlashes) {
  EXPECT_EQ(ResolvePath(root_ + "\\REPORTS\\DAILY\\\\ORDERS.CSV"),
            root_ + "/Reports/Daily/orders.csv");
  EXPECT_EQ(ResolvePath(root_ + "//REPORTS/DAILY/"), root_ + "/Reports/Daily/");
}

TEST_F(ResolvePathTest, AmbiguousAndMissingComponentsStayAsWritten) {
  EXPECT_EQ(ResolvePath(root_ + "/REPORTS/DATA.TXT"), root_ + "/Reports/DATA.TXT");
  EXPECT_EQ(ResolvePath(root_ + "/Reports/data.TXT"), root_ + "/Reports/data.TXT");  // exact
  // A file to be created: the folders are resolved, the new name kept.
  EXPECT_EQ(ResolvePath(root_ + "/REPORTS/DAILY/NEW.CSV"), root_ + "/Reports/Daily/NEW.CSV");
  // Below a missing folder nothing is looked up, even if a same-named entry exists elsewhere.
  EXPECT_EQ(ResolvePath(root_ + "/NOPE/DAILY/ORDERS.CSV"), root_ + "/NOPE/DAILY/ORDERS.CSV");
}

TEST_F(ResolvePathTest, RelativePathsResolveAgainstTheCurrentFolderAndStayRelative) {
  char old_cwd[4096];
  ASSERT_NE(getcwd(old_cwd, sizeof old_cwd), nullptr);
  ASSERT_EQ(chdir((root_ + "/Reports").c_str()), 0);
  EXPECT_EQ(ResolvePath("DAILY\\ORDERS.CSV"), "Daily/orders.csv");
  EXPECT_EQ(ResolvePath("./DAILY/../DAILY/ORDERS.CSV"), "./Daily/../Daily/orders.csv");
  EXPECT_EQ(ResolvePath("MISSING.CSV"), "MISSING.CSV");
  ASSERT_EQ(chdir(old_cwd), 0);
}

TEST(ResolvePathPlainTest, EmptyAndRootPaths) {
  EXPECT_EQ(ResolvePath(""), "");
  EXPECT_EQ(ResolvePath("\\"), "/");
  EXPECT_EQ(ResolvePath("/"), "/");
}

}  // namespace
}  // namespace kelvax
