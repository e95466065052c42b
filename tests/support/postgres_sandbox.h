// A private PostgreSQL server for the test process, started on first use: a fresh cluster in a
// temp folder (UTF-8, trust authentication), reachable only through a Unix socket in that
// folder, stopped at process exit. A watchdog process stops it too should the test process die
// without running its exit handlers, so no server outlives its tests.
//
// Running as root (CI does) the cluster belongs to the `postgres` OS user, since the server
// refuses to run as root.
#pragma once

#include <string>
#include <vector>

#include "tests/support/server_process.h"

namespace kelvax::test {

class PostgresSandbox : public SharedServer<PostgresSandbox> {
 public:
  static constexpr const char* kName = "PostgreSQL";
  // Why Get() gives nullptr: the server binaries or the psqlODBC Unicode driver are missing.
  static std::string MissingReason();

  const std::string& socket_dir() const { return folder_; }
  int port() const { return port_; }
  const std::string& database() const { return database_; }

  // DRIVER={PostgreSQL Unicode};Servername=<socket dir>;Port=..;Database=..;UID=postgres;
  // UseDeclareFetch=1;Fetch=<fetch>: rows arrive `fetch` at a time, so a result streams.
  std::string ConnectString(int fetch = 100) const;
  // The name of a DSN in the ODBC sandbox's odbc.ini with the same settings. Job values are
  // upper-cased on reading, which a socket path or a role name would not survive: job files
  // name this DSN instead.
  std::string DsnName() const { return "KELVAX_PG"; }

  // Runs SQL (one or more statements) through psql in a session of its own; throws on failure.
  void Exec(const std::string& sql) const;
  // First column of every row, joined with '\n'; NULL gives "NULL" (as SqliteQuery does).
  std::string Query(const std::string& sql) const;
  // The rows as text: columns joined with '|', rows with '\n', NULL as "NULL".
  std::string QueryRows(const std::string& sql) const;
  // Drops and creates the public schema: a clean slate for the next test.
  void ResetDatabase() const { Exec("DROP SCHEMA public CASCADE; CREATE SCHEMA public;"); }

  // The backend pids of the other client sessions on the test database (the one that asks is
  // a second session and is left out).
  std::vector<int> ClientBackendPids() const;
  // Ends those sessions with pg_terminate_backend and waits until they are gone. Returns how
  // many were ended.
  int TerminateClientBackends() const;

  // Stops the server as an operator would (pg_ctl -m fast: sessions end, committed work stays),
  // and starts it again on the same folder and port, so later tests find it as before.
  void StopServer() const;
  void StartServer() const;

  ~PostgresSandbox();
  PostgresSandbox(const PostgresSandbox&) = delete;
  PostgresSandbox& operator=(const PostgresSandbox&) = delete;

 private:
  friend class SharedServer<PostgresSandbox>;
  PostgresSandbox() = default;
  void Start();
  void Stop();
  bool PgCtl(const std::vector<std::string>& args) const;  // true when pg_ctl succeeds
  std::string Psql(const std::string& sql, const std::string& database, bool rows,
                   const char* separator = "|") const;

  std::string bin_;      // the server's bin folder
  std::string folder_;   // socket folder; the cluster is folder_/data
  std::string database_ = "kelvax";
  int port_ = 0;
  bool as_postgres_ = false;  // running as root: commands run as the postgres OS user
  bool running_ = false;
  ServerWatchdog watchdog_;
};

}  // namespace kelvax::test

