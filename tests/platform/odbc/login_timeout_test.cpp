// A connect never waits for ever, and never overrides a timeout the user set.
#include "platform/odbc/login_timeout.h"

#include <gtest/gtest.h>

#include "tests/support/sandbox.h"

namespace kelvax::odbc {
namespace {

TEST(LoginTimeoutTest, ADefaultOnlyWhereNeitherTheStringNorItsDataSourceSetsOne) {
  auto& sandbox = test::OdbcSandbox::Get();
  sandbox.AddDsn("KXTIMED", {{"Driver", "MariaDB Unicode"}, {"Conn_Timeout", "5"}});
  sandbox.AddDsn("KXMARIA", {{"Driver", "MariaDB Unicode"}, {"Server", "localhost"}});
  const struct {
    const char* given;
    bool attribute;
    const char* sent;
  } cases[] = {
      {"DSN=KXMARIA", true, "DSN=KXMARIA;CONN_TIMEOUT=30"},
      {"dsn=kxmaria;", true, "dsn=kxmaria;CONN_TIMEOUT=30"},
      {"DSN=KXTIMED", false, "DSN=KXTIMED"},
      {"DSN=KXMARIA;conn_timeout=3", false, "DSN=KXMARIA;conn_timeout=3"},
      {"DRIVER={MariaDB Unicode};SERVER=h", true,
       "DRIVER={MariaDB Unicode};SERVER=h;CONN_TIMEOUT=30"},
      {"DRIVER={PostgreSQL Unicode};Servername=h", true,
       "DRIVER={PostgreSQL Unicode};Servername=h"},
      {"Driver=X;pqopt={connect_timeout=4}", false, "Driver=X;pqopt={connect_timeout=4}"},
      {"Driver=X;LoginTimeout=4", false, "Driver=X;LoginTimeout=4"},
      // A braced value is one value, whatever it holds.
      {"Driver=X;PWD={a;Driver=MariaDB}", true, "Driver=X;PWD={a;Driver=MariaDB}"},
  };
  for (const auto& c : cases) {
    const LoginTimeout t = LoginTimeoutFor(c.given, DriverFamilyOf(c.given));
    EXPECT_EQ(t.set_attribute, c.attribute) << c.given;
    EXPECT_EQ(t.connect_string, c.sent) << c.given;
  }
}

}  // namespace
}  // namespace kelvax::odbc
