// A private MariaDB server for the test process, started on first use: a fresh data folder under
// /tmp (utf8mb4, binary collation so that ORDER BY sorts as the other engines do, the default
// sql_mode), reachable only through a Unix socket in that folder, stopped at process exit and by
// a watchdog should the test process die. A system-wide server, running or not, plays no part.
#pragma once

#include <string>

#include "tests/support/server_process.h"

namespace kelvax::test {

class MariaDbSandbox : public SharedServer<MariaDbSandbox> {
 public:
  static constexpr const char* kName = "MariaDB";
  // Why Get() gives nullptr: the server, its client or Connector/ODBC is missing.
  static std::string MissingReason();

  const std::string& socket() const { return socket_; }
  const std::string& database() const { return database_; }

  // DRIVER={MariaDB Unicode};SOCKET=..;DATABASE=..;UID=root;CHARSET=utf8mb4.
  std::string ConnectString() const;
  // A DSN in the ODBC sandbox's odbc.ini with the same settings; its name survives the
  // upper-casing of job values, which the socket path would not.
  std::string DsnName() const { return "KELVAX_MARIADB"; }

  // Runs SQL (one or more statements) through the mariadb client; throws on the first error.
  void Exec(const std::string& sql) const;
  // The rows as text: columns joined with '|', rows with '\n', NULL as "NULL". Values are raw,
  // so a value holding a TAB or a line feed cannot be told apart from a separator.
  std::string QueryRows(const std::string& sql) const;
  // Drops and creates the test database: a clean slate for the next test.
  void ResetDatabase() const;

  ~MariaDbSandbox();
  MariaDbSandbox(const MariaDbSandbox&) = delete;
  MariaDbSandbox& operator=(const MariaDbSandbox&) = delete;

 private:
  friend class SharedServer<MariaDbSandbox>;
  MariaDbSandbox() = default;
  void Start();
  void Stop();
  std::string Client(const std::string& sql, const std::string& database) const;

  std::string folder_;  // the data is folder_/data
  std::string socket_;
  std::string database_ = "kelvax";
  int server_pid_ = -1;
  ServerWatchdog watchdog_;
};

}  // namespace kelvax::test

