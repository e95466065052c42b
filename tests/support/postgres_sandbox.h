// A private PostgreSQL server for the test process (see SharedServer): a fresh cluster under
// /tmp (UTF-8, trust authentication), reachable only through a Unix socket in its folder. Run as
// root, the cluster belongs to the `postgres` OS user: the server refuses to run as root.
#pragma once

#include <string>
#include <vector>

#include "tests/support/server_process.h"

namespace kelvax::test {

class PostgresSandbox : public SharedServer<PostgresSandbox> {
 public:
  static constexpr const char* kName = "PostgreSQL";
  static std::string MissingReason();

  // Through the socket folder, as postgres; UseDeclareFetch=1: a result streams.
  std::string ConnectString() const;
  // A DSN with the same settings, whose name survives the upper-casing of job values.
  std::string DsnName() const { return "KELVAX_PG"; }
  // psql in a session of its own: several statements run one after another.
  std::string QueryRows(const std::string& sql) const { return Psql(sql, database_); }
  void Exec(const std::string& sql) const { Psql(sql, database_); }
  void ResetDatabase() const { Exec("DROP SCHEMA public CASCADE; CREATE SCHEMA public;"); }

  // Ends the other client sessions on the test database and waits until they are gone; returns
  // how many were ended.
  int TerminateClientBackends() const;
  // Stops the server as an operator would (pg_ctl -m fast: sessions end, committed work stays),
  // and starts it again on the same folder, so later tests find it as before.
  void StopServer() const;
  void StartServer() const;

 private:
  friend class SharedServer<PostgresSandbox>;
  PostgresSandbox() = default;
  void Start();
  void Stop();
  void Run(std::vector<std::string> argv) const;  // as postgres when root
  std::string Psql(const std::string& sql, const std::string& database) const;

  std::string bin_;  // the server's bin folder; the cluster is folder_/data
  bool as_postgres_ = false;
  bool running_ = false;
};

}  // namespace kelvax::test
