#include "platform/fs/folders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

#include "tests/support/sandbox.h"

namespace kelvax {
namespace {

// Sets (or with nullopt unsets) an environment variable for one test.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(FoldersTest, TempFolderEndsInExactlyOneSlash) {
  // TMPDIR (unset: nullopt) and the folder; a relative one cannot head a file name.
  const std::pair<std::optional<std::string>, std::string> cases[] = {
      {"/var/tmp/kelvax", "/var/tmp/kelvax/"},
      {"/var/tmp/kelvax//", "/var/tmp/kelvax/"},
      {std::nullopt, "/tmp/"},
      {"", "/tmp/"},
      {"relative/dir", "/tmp/"}};
  for (const auto& [value, folder] : cases) {
    ScopedEnv tmp("TMPDIR", value);
    EXPECT_EQ(TempFolder(), folder) << value.value_or("(unset)");
  }
}

TEST(FoldersTest, DesktopFolderFollowsUserDirs) {
  const std::string home = test::MakeTempDir("kelvax-home");
  ASSERT_EQ(mkdir((home + "/.config").c_str(), 0755), 0);
  ScopedEnv home_env("HOME", home);
  ScopedEnv config_env("XDG_CONFIG_HOME", std::nullopt);

  EXPECT_EQ(DesktopFolder(), home + "/Desktop");  // no user-dirs.dirs yet

  test::WriteFileBytes(home + "/.config/user-dirs.dirs",
                       "# written by xdg-user-dirs-update\n"
                       "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n"
                       "XDG_DESKTOP_DIR=\"$HOME/デスクトップ/\"\n");
  EXPECT_EQ(DesktopFolder(), home + "/デスクトップ");

  test::WriteFileBytes(home + "/.config/user-dirs.dirs",
                       "XDG_DESKTOP_DIR=\"/srv/shared \\\"desk\\\"\"\n");
  EXPECT_EQ(DesktopFolder(), "/srv/shared \"desk\"");

  // XDG_CONFIG_HOME takes the place of ~/.config.
  const std::string config = test::MakeTempDir("kelvax-config");
  test::WriteFileBytes(config + "/user-dirs.dirs", "XDG_DESKTOP_DIR=\"${HOME}/Work Desk\"\n");
  ScopedEnv xdg("XDG_CONFIG_HOME", config);
  EXPECT_EQ(DesktopFolder(), home + "/Work Desk");
}

}  // namespace
}  // namespace kelvax
