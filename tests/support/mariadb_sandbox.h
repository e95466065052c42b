// A private MariaDB server for the test process (see SharedServer): a fresh data folder under
// /tmp (utf8mb4, binary collation so that ORDER BY sorts as the other engines do, the default
// sql_mode: backslash escapes on), reachable as root without a password only through a Unix
// socket in its folder. A system-wide server, running or not, plays no part.
#pragma once

#include <string>

#include "tests/support/server_process.h"

namespace kelvax::test {

class MariaDbSandbox : public SharedServer<MariaDbSandbox> {
 public:
  static constexpr const char* kName = "MariaDB";
  static std::string MissingReason();

  std::string ConnectString() const;
  // Values are raw: a value holding a TAB or a line feed cannot be told from a separator.
  std::string QueryRows(const std::string& sql) const;
  void Exec(const std::string& sql) const { Client(sql, database_); }
  void ResetDatabase() const;

 private:
  friend class SharedServer<MariaDbSandbox>;
  MariaDbSandbox() = default;
  void Start();
  void Stop();
  std::string Client(const std::string& sql, const std::string& database) const;

  std::string socket_;
  int server_pid_ = -1;
};

}  // namespace kelvax::test
