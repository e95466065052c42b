// A private MariaDB server for the test process (see SharedServer): a fresh data folder
// (utf8mb4, binary collation so that ORDER BY sorts as the other engines do, the default
// sql_mode: backslash escapes on), reachable as root without a password. A system-wide server,
// running or not, plays no part.
#pragma once

#include <string>

#include "tests/support/server_process.h"

namespace kelvax::test {

class MariaDbSandbox final : public SharedServer<MariaDbSandbox> {
 public:
  static constexpr const char* kName = "MariaDB";
  static constexpr const char* kEngine = "mariadb";
  static constexpr const char* kDriver = "libmaodbc.so";

  std::string ConnectString() const override {
    return "DRIVER={MariaDB Unicode};SOCKET=" + folder_ + "/mysqld.sock;DATABASE=" + database_ +
           ";UID=root;CHARSET=utf8mb4";
  }

 private:
  friend class SharedServer<MariaDbSandbox>;
  MariaDbSandbox() = default;
};

}  // namespace kelvax::test
