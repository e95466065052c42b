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

// The keys and the driver of data source `dsn` in odbc.ini (user, then system).
void ReadDataSource(const std::string& dsn, bool& has_timeout, std::string& driver) {
  std::vector<char> keys(8192);
  const int n = SQLGetPrivateProfileString(dsn.c_str(), nullptr, "", keys.data(),
                                           static_cast<int>(keys.size()), "odbc.ini");
  for (int i = 0; i < n && keys[i] != '\0';) {
    const std::string key(keys.data() + i);
    if (NamesTimeout(UpperAscii(key))) has_timeout = true;
    i += static_cast<int>(key.size()) + 1;
  }
  char value[1024] = "";
  if (SQLGetPrivateProfileString(dsn.c_str(), "Driver", "", value, sizeof value, "odbc.ini") > 0)
    driver = value;
}

bool IsMysqlFamily(const std::string& driver) {
  const std::string d = UpperAscii(driver);
  for (const char* name : {"MARIADB", "MAODBC", "MYSQL", "MYODBC"}) {
    if (d.find(name) != std::string::npos) return true;
  }
  return false;
}

}  // namespace

LoginTimeout LoginTimeoutFor(const std::string& connect_string) {
  LoginTimeout out{false, connect_string};
  bool has_timeout = false;
  std::string driver;
  for (const ConnectPair& a : ConnectPairs(connect_string)) {
    const std::string key = UpperAscii(std::string(a.key));
    const std::string value = Unbraced(a.value);
    // A key of the driver's own, or a value that passes one on (pqopt={connect_timeout=5}).
    if (NamesTimeout(key) || NamesTimeout(UpperAscii(value))) has_timeout = true;
    if (key == "DRIVER") driver = value;
    if (key == "DSN" && !value.empty()) ReadDataSource(value, has_timeout, driver);
  }
  if (has_timeout) return out;
  out.set_attribute = true;
  if (IsMysqlFamily(driver)) {
    if (!out.connect_string.empty() && out.connect_string.back() != ';') out.connect_string += ';';
    out.connect_string += "CONN_TIMEOUT=" + std::to_string(kLoginTimeoutSeconds);
  }
  return out;
}

}  // namespace kelvax::odbc
