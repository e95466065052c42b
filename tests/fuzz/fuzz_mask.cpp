// Password masking. A record that holds a password as a key's value, with any text around it,
// never holds the password once masked with that password as a literal (the run log's way), and
// no key's value survives masking.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "engine/log_text.h"
#include "engine/password_mask.h"
#include "platform/text/ascii_case.h"
#include "tests/fuzz/check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kelvax;
  FuzzedDataProvider in(data, size);
  static const char* const kKeys[] = {"PWD", "pwd", "Password", "SSLPASSWORD", "OLDPWD", "passwd"};
  const std::string key = kKeys[in.ConsumeIntegralInRange<size_t>(0, 5)];
  std::string password = in.ConsumeRandomLengthString(24);
  const std::string before = in.ConsumeRandomLengthString(48);
  const std::string after = in.ConsumeRemainingBytesAsString();

  // The connect string as a driver reads it: a braced value where the text needs it.
  std::string value = password;
  if (value.find_first_of(";{}\r\n") != std::string::npos || value.find_first_of(" \t") == 0 ||
      (!value.empty() && (value.back() == ' ' || value.back() == '\t'))) {
    if (value.find_first_of("\r\n") != std::string::npos) return 0;  // no driver takes these
    std::string braced = "{";
    for (char c : value) braced += c == '}' ? std::string("}}") : std::string(1, c);
    value = braced + "}";
  }
  const std::string connect = "DSN=X;UID=u;" + key + "=" + value + ";";
  const std::vector<std::string> secrets = PasswordsIn(connect);
  if (!password.empty()) {
    FUZZ_CHECK(secrets.size() == 1 && secrets[0] == password, connect, password);
  }

  const std::string record = before + connect + after;
  const std::string masked = MaskPassword(record, secrets);
  // The mask writes "***" where a value was: joined with its neighbours it can spell a password
  // that holds a '*', which reveals nothing. Any other password standing there was let through.
  if (password.size() >= 4 && password.find('*') == std::string::npos) {
    FUZZ_CHECK(UpperAscii(masked).find(UpperAscii(password)) == std::string::npos, masked,
               password);
  }
  for (const std::string& left : PasswordsIn(MaskPassword(record))) {
    FUZZ_CHECK(left == "***", left);
  }
  return 0;
}
