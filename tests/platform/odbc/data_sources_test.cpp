#include "platform/odbc/data_sources.h"

#include <gtest/gtest.h>

namespace kelvax::odbc {
namespace {

// Listing and test connects are checked through the data-source dialog (tests/ui).
TEST(DataSourcesTest, AttributeValuesThatWouldSplitTheStringAreBraced) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"secret", "PWD=secret"}, {"a;b", "PWD={a;b}"}, {"x}y{", "PWD={x}}y{}"},
      {" pad", "PWD={ pad}"},   {"", "PWD="},
  };
  for (const auto& [value, expected] : cases) EXPECT_EQ(ConnectAttribute("PWD", value), expected);
}

}  // namespace
}  // namespace kelvax::odbc
