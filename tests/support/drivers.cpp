#include "tests/support/drivers.h"

#include "tests/support/mariadb_sandbox.h"
#include "tests/support/postgres_sandbox.h"
#include "tests/support/sandbox.h"

namespace kelvax::test {

namespace {

std::string NameOf(Engine engine) {
  static const char* const kNames[] = {"SQLite", "PostgreSQL", "MariaDB"};
  return kNames[static_cast<int>(engine)];
}

// A server's part of a Driver: its test database emptied, its connect string.
template <class Server>
std::optional<Driver> OpenServer(Engine engine, std::string* why) {
  Server* server = Server::Get();
  if (!server) {
    if (why) *why = Server::MissingReason();
    return std::nullopt;
  }
  server->ResetDatabase();
  return Driver{engine, server->ConnectString(), server->database()};
}

}  // namespace

std::optional<Driver> OpenDriver(Engine engine, std::string* why) {
  switch (engine) {
    case Engine::kSqlite: {
      OdbcSandbox::Get();  // the private ODBC configuration, from now on
      const std::string db = MakeTempDir("kelvax-sqlite") + "/test.db";
      SqliteExec(db, "");
      return Driver{engine, OdbcSandbox::SqliteConnect(db), db};
    }
    case Engine::kPostgres:
      return OpenServer<PostgresSandbox>(engine, why);
    case Engine::kMariaDb:
      return OpenServer<MariaDbSandbox>(engine, why);
  }
  return std::nullopt;
}

void Driver::Exec(const std::string& sql) const {
  switch (engine) {
    case Engine::kSqlite:
      SqliteExec(database, sql);
      return;
    case Engine::kPostgres:
      PostgresSandbox::Get()->Exec(sql);
      return;
    case Engine::kMariaDb:
      MariaDbSandbox::Get()->Exec(sql);
      return;
  }
}

std::string Driver::QueryRows(const std::string& sql) const {
  switch (engine) {
    case Engine::kSqlite:
      return SqliteQuery(database, sql);
    case Engine::kPostgres:
      return PostgresSandbox::Get()->QueryRows(sql);
    case Engine::kMariaDb:
      return MariaDbSandbox::Get()->QueryRows(sql);
  }
  return "";
}

void PrintTo(Engine engine, std::ostream* out) { *out << NameOf(engine); }

std::string EngineNamePrinter::operator()(const ::testing::TestParamInfo<Engine>& info) const {
  return NameOf(info.param);
}

}  // namespace kelvax::test
