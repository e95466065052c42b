#include "platform/odbc/login_timeout.h"

#include <odbcinst.h>

#include <vector>

#include "platform/odbc/connect_string.h"
#include "platform/text/ascii_case.h"

namespace kelvax::odbc {

namespace {

bool NamesTimeout(const std::string& upper_key) {
  return upper_key.find("TIMEOUT") != std::string::npos;
}

// Whether data source `dsn` in odbc.ini (user, then system) has a key naming a timeout.
bool DataSourceHasTimeout(const std::string& dsn) {
  std::vector<char> keys(8192);
  const int n = SQLGetPrivateProfileString(dsn.c_str(), nullptr, "", keys.data(),
                                           static_cast<int>(keys.size()), "odbc.ini");
  for (int i = 0; i < n && keys[i] != '\0';) {
    const std::string key(keys.data() + i);
    if (NamesTimeout(UpperAscii(key))) return true;
    i += static_cast<int>(key.size()) + 1;
  }
  return false;
}

}  // namespace

LoginTimeout LoginTimeoutFor(const std::string& connect_string, DriverFamily family) {
  LoginTimeout out{false, connect_string};
  bool has_timeout = false;
  for (const ConnectPair& a : ConnectPairs(connect_string)) {
    const std::string key = UpperAscii(std::string(a.key));
    const std::string value = Unbraced(a.value);
    // A key of the driver's own, or a value that passes one on (pqopt={connect_timeout=5}).
    if (NamesTimeout(key) || NamesTimeout(UpperAscii(value))) has_timeout = true;
    if (key == "DSN" && !value.empty() && DataSourceHasTimeout(value)) has_timeout = true;
  }
  if (has_timeout) return out;
  out.set_attribute = true;
  if (family == DriverFamily::kMysql) {
    if (!out.connect_string.empty() && out.connect_string.back() != ';') out.connect_string += ';';
    out.connect_string += "CONN_TIMEOUT=" + std::to_string(kLoginTimeoutSeconds);
  }
  return out;
}

}  // namespace kelvax::odbc
