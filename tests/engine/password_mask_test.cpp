// The task's own password values, masked wherever a driver echoes them, in any case. Every key
// form and connect-string syntax is a case file (tests/cases/cli/passwords_masked_in_every_form).
#include "engine/password_mask.h"

#include <gtest/gtest.h>

#include "engine/log_text.h"

namespace kelvax {
namespace {

TEST(PasswordMaskTest, TheTasksPasswordValuesAreMaskedWhereverAMessageEchoesThem) {
  EXPECT_EQ(PasswordsIn("DSN=X;PWD={a;b}}c};Password= p ;PWD=;DRIVER={Q;PASSWD=Secret1"),
            (std::vector<std::string>{"a;b}c", "p", "Secret1"}));
  EXPECT_EQ(MaskPassword("no such column: SECRET1 (secret1)", {"Secret1", "p"}),
            "no such column: *** (***)");
}

}  // namespace
}  // namespace kelvax
