#include "platform/odbc/login_timeout.h"

#include <odbcinst.h>

#include <string_view>
#include <vector>

#include "platform/text/ascii_case.h"

namespace kelvax::odbc {

namespace {

struct Attribute {
  std::string key;  // upper case
  std::string value;
};

// KEY=value pairs split at ';' outside braces.
std::vector<Attribute> Attributes(std::string_view text) {
  std::vector<Attribute> out;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t eq = text.find('=', i);
    const std::size_t semi = text.find(';', i);
    if (eq == std::string_view::npos || (semi != std::string_view::npos && semi < eq)) {
      if (semi == std::string_view::npos) break;
      i = semi + 1;
      continue;
    }
    Attribute a{UpperAscii(std::string(text.substr(i, eq - i))), {}};
    std::size_t j = eq + 1;
    if (j < text.size() && text[j] == '{') {
      for (++j; j < text.size(); ++j) {
        if (text[j] == '}' && j + 1 < text.size() && text[j + 1] == '}') {
          a.value += '}', ++j;
        } else if (text[j] == '}') {
          ++j;
          break;
        } else {
          a.value += text[j];
        }
      }
      j = text.find(';', j);
    } else {
      const std::size_t end = text.find(';', j);
      a.value = std::string(text.substr(j, end == std::string_view::npos ? end : end - j));
      j = end;
    }
    while (!a.key.empty() && (a.key.back() == ' ' || a.key.back() == '\t')) a.key.pop_back();
    while (!a.key.empty() && (a.key.front() == ' ' || a.key.front() == '\t')) a.key.erase(0, 1);
    out.push_back(std::move(a));
    if (j == std::string_view::npos) break;
    i = j + 1;
  }
  return out;
}

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
  for (const Attribute& a : Attributes(connect_string)) {
    // A key of the driver's own, or a value that passes one on (pqopt={connect_timeout=5}).
    if (NamesTimeout(a.key) || NamesTimeout(UpperAscii(a.value))) has_timeout = true;
    if (a.key == "DRIVER") driver = a.value;
    if (a.key == "DSN" && !a.value.empty()) ReadDataSource(a.value, has_timeout, driver);
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
