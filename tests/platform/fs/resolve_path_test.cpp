// A path written in another case, as a job uses it, is a case file
// (tests/cases/names/paths_in_another_case); here the paths no job gives.
#include "platform/fs/resolve_path.h"

#include <gtest/gtest.h>

namespace kelvax {
namespace {

TEST(ResolvePathTest, EmptyAndRootPaths) {
  EXPECT_EQ(ResolvePath(""), "");
  EXPECT_EQ(ResolvePath("\\"), "/");
  EXPECT_EQ(ResolvePath("/"), "/");
}

}  // namespace
}  // namespace kelvax
