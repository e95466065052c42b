// Passwords kept out of the run log: every key form and connect-string syntax, driver messages
// and whole records, and the task's own password values wherever a driver echoes them.
#include "engine/password_mask.h"

#include <gtest/gtest.h>

#include "engine/log_text.h"

namespace kelvax {
namespace {

TEST(PasswordMaskTest, EveryPasswordFormIsMaskedAndNothingElse) {
  const struct {
    const char* text;
    const char* masked;
  } cases[] = {
      {"DSN=SALES;UID=REPORT;PWD=SECRET", "DSN=SALES;UID=REPORT;PWD=***"},
      {"pwd=a;DSN=X", "pwd=***;DSN=X"},
      {"DSN=X;Password=p{w};UID=U", "DSN=X;Password=***;UID=U"},
      {"DSN=X;PWD={a;b}}c};UID=U", "DSN=X;PWD=***;UID=U"},
      {"DSN=X;\tPWD\t=s;UID=U", "DSN=X;\tPWD\t=***;UID=U"},
      {"DSN=X;PASSWD=s;passWord=t", "DSN=X;PASSWD=***;passWord=***"},
      {"SSLPASSWORD=k;OLDPWD=p;PWD2=q", "SSLPASSWORD=***;OLDPWD=***;PWD2=***"},
      // A brace that never closes: on the driver's name, and on the password itself.
      {"DRIVER={PostgreSQL Unicode;SERVER=h;PWD=Secret1",
       "DRIVER={PostgreSQL Unicode;SERVER=h;PWD=***"},
      {"DSN=X;PWD={a;b;UID=U", "DSN=X;PWD=***"},
      {"DRIVER={X;PWD=p};UID=U", "DRIVER={X;PWD=***;UID=U"},
      // Driver messages, and a record whose lines are masked one by one.
      {"[Driver Manager]Can't open lib 'PG;SERVER=X;\tPWD=SECRET1' : file not found",
       "[Driver Manager]Can't open lib 'PG;SERVER=X;\tPWD=***"},
      {"0 fail\r\n1:x PASSWORD=a b\r\nDRIVER={Q;PWD=SECRET1\r\nSELECT PWD FROM T\r\n",
       "0 fail\r\n1:x PASSWORD=***\r\nDRIVER={Q;PWD=***\r\nSELECT PWD FROM T\r\n"},
      {"接続先はPWD=秘密;X=1", "接続先はPWD=***;X=1"},
      {"password authentication failed for user \"u\" (using password: YES)",
       "password authentication failed for user \"u\" (using password: YES)"},
      {"DSN=X;UID=PWD;PWDX", "DSN=X;UID=PWD;PWDX"},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MaskPassword(c.text), c.masked) << c.text;
    EXPECT_EQ(MaskPassword(c.masked), c.masked) << "masked twice: " << c.text;
  }
}

TEST(PasswordMaskTest, TheTasksPasswordValuesAreMaskedWhereverAMessageEchoesThem) {
  EXPECT_EQ(PasswordsIn("DSN=X;PWD={a;b}}c};Password= p ;PWD=;DRIVER={Q;PASSWD=Secret1"),
            (std::vector<std::string>{"a;b}c", "p", "Secret1"}));
  EXPECT_EQ(MaskPassword("no such column: SECRET1 (secret1)", {"Secret1", "p"}),
            "no such column: *** (***)");
}

}  // namespace
}  // namespace kelvax
