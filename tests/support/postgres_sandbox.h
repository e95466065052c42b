// A private PostgreSQL server for the test process (see SharedServer): a fresh cluster (UTF-8,
// trust authentication) that belongs to the `postgres` OS user when the tests run as root.
#pragma once

#include <string>

#include "tests/support/server_process.h"

namespace kelvax::test {

class PostgresSandbox final : public SharedServer<PostgresSandbox> {
 public:
  static constexpr const char* kName = "PostgreSQL";
  static constexpr const char* kEngine = "postgres";
  static constexpr const char* kDriver = "psqlodbcw.so";

  // Through the socket folder, as postgres; UseDeclareFetch=1: a result streams.
  std::string ConnectString() const override;
  // A DSN with the same settings, whose name survives the upper-casing of job values.
  std::string DsnName() const { return "KELVAX_PG"; }
  // Ends the other client sessions on the test database and waits until they are gone; returns
  // how many were ended.
  int TerminateClientBackends() const;
  // Stops the server as an operator would (pg_ctl -m fast: sessions end, committed work stays),
  // and starts it again on the same folder, so later tests find it as before.
  void StopServer() const { Script("pg_ctl", {"fast"}); }
  void StartServer() const { Script("pg_ctl", {"start"}); }

 private:
  friend class SharedServer<PostgresSandbox>;
  PostgresSandbox() = default;
  void Start();
};

}  // namespace kelvax::test
