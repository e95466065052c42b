// Passwords kept out of the run log: every key form and connect-string syntax, driver messages
// and whole records, and the task's own password values wherever a driver echoes them.
#include <gtest/gtest.h>

#include "engine/log_text.h"
#include "engine/run_log.h"
#include "tests/support/sandbox.h"

namespace kelvax {
namespace {

TEST(LogTextTest, EveryPasswordFormIsMaskedAndNothingElse) {
  const struct {
    const char* text;
    const char* masked;
  } cases[] = {
      {"DSN=SALES;UID=REPORT;PWD=SECRET", "DSN=SALES;UID=REPORT;PWD=***"},
      {"pwd=a;DSN=X", "pwd=***;DSN=X"},
      {"DSN=X;Password=p{w};UID=U", "DSN=X;Password=***;UID=U"},
      {"DSN=X;PWD={a;b}}c};UID=U", "DSN=X;PWD=***;UID=U"},
      {"DSN=X; PWD =s", "DSN=X; PWD =***"},
      {"DSN=X;\tPWD\t=s;UID=U", "DSN=X;\tPWD\t=***;UID=U"},
      {"DSN=X;PASSWD=s;passWord=t", "DSN=X;PASSWD=***;passWord=***"},
      {"SSLPASSWORD=k;OLDPWD=p;PWD2=q", "SSLPASSWORD=***;OLDPWD=***;PWD2=***"},
      // A brace that never closes: on the driver's name, and on the password itself.
      {"DRIVER={PostgreSQL Unicode;SERVER=h;PWD=Secret1", "DRIVER={PostgreSQL Unicode;SERVER=h;PWD=***"},
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
      {"DSN=X;PWD=***", "DSN=X;PWD=***"},
      {"DSN=X;PWD=;UID=U", "DSN=X;PWD=***;UID=U"},
      {"CREATEMDB97", "CREATEMDB97"},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MaskPassword(c.text), c.masked) << c.text;
    EXPECT_EQ(MaskPassword(c.masked), c.masked) << "masked twice: " << c.text;
  }
}

TEST(LogTextTest, TheTasksPasswordValuesAreMaskedWhereverAMessageEchoesThem) {
  EXPECT_EQ(PasswordsIn("DSN=X;PWD={a;b}}c};Password= p ;PWD=;DRIVER={Q;PASSWD=Secret1"),
            (std::vector<std::string>{"a;b}c", "p", "Secret1"}));
  EXPECT_EQ(MaskPassword("no such column: SECRET1 (secret1)", {"Secret1", "p"}),
            "no such column: *** (***)");

  // The run log masks every record with the passwords it was told of, and hands the masked
  // record text back.
  RunLog log(test::MakeTempDir("masklog") + "/SQLLOG.txt");
  log.AddSecretsOf("DSN=X;PWD=HUNTER22");
  std::string record = "1:no such column: hunter22\r\nDSN=X;PWD=HUNTER22\r\n";
  ASSERT_TRUE(log.WriteLog(record).ok());
  EXPECT_EQ(record, "1:no such column: ***\r\nDSN=X;PWD=***\r\n" + std::string(kLogSeparator) + "\r\n");
  EXPECT_EQ(test::ReadFileBytes(log.path()), record + "\r\n");
}

}  // namespace
}  // namespace kelvax
