#include "tests/support/drivers.h"

#include "tests/support/mariadb_sandbox.h"
#include "tests/support/postgres_sandbox.h"
#include "tests/support/sandbox.h"

namespace kelvax::test {

namespace {

template <class Server>
ServerSandbox* Started(std::string* why) {
  if (why) *why = Server::MissingReason();
  return Server::Get();
}

// The engine's server, or nullptr (with the reason in `why`) when it is not installed.
ServerSandbox* ServerOf(Engine engine, std::string* why = nullptr) {
  return engine == Engine::kPostgres ? Started<PostgresSandbox>(why) : Started<MariaDbSandbox>(why);
}

}  // namespace

std::optional<Driver> OpenDriver(Engine engine, std::string* why) {
  if (engine == Engine::kSqlite) {
    OdbcSandbox::Get();  // the private ODBC configuration, from now on
    const std::string db = MakeTempDir("kelvax-sqlite") + "/test.db";
    SqliteExec(db, "");
    return Driver{engine, OdbcSandbox::SqliteConnect(db), db};
  }
  ServerSandbox* server = ServerOf(engine, why);
  if (!server) return std::nullopt;
  server->ResetDatabase();
  return Driver{engine, server->ConnectString(), server->database()};
}

void Driver::Exec(const std::string& sql) const { QueryRows(sql); }

std::string Driver::QueryRows(const std::string& sql) const {
  if (engine == Engine::kSqlite) return SqliteQuery(database, sql);
  return ServerOf(engine)->QueryRows(sql);
}

void PrintTo(Engine engine, std::ostream* out) {
  static const char* const kNames[] = {"SQLite", "PostgreSQL", "MariaDB"};
  *out << kNames[static_cast<int>(engine)];
}

}  // namespace kelvax::test
