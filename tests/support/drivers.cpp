#include "tests/support/drivers.h"

#include "tests/support/mariadb_sandbox.h"
#include "tests/support/postgres_sandbox.h"
#include "tests/support/sandbox.h"

namespace kelvax::test {

namespace {

std::string NameOf(Engine engine) {
  switch (engine) {
    case Engine::kSqlite: return "SQLite";
    case Engine::kPostgres: return "PostgreSQL";
    case Engine::kMariaDb: return "MariaDB";
  }
  return "?";
}

// A server's part of a Driver: its test database emptied, its connect string and DSN.
template <class Server>
std::optional<Driver> OpenServer(Driver d, std::string* why) {
  Server* server = Server::Get();
  if (!server) {
    if (why) *why = Server::MissingReason();
    return std::nullopt;
  }
  server->ResetDatabase();
  d.connect = server->ConnectString();
  d.dsn = "DSN=" + server->DsnName();
  d.database = server->database();
  return d;
}

}  // namespace

std::optional<Driver> OpenDriver(Engine engine, std::string* why) {
  Driver d{engine, NameOf(engine), "", "", ""};
  switch (engine) {
    case Engine::kSqlite: {
      d.database = MakeTempDir("kelvax-sqlite") + "/test.db";
      SqliteExec(d.database, "");
      d.connect = OdbcSandbox::SqliteConnect(d.database);
      OdbcSandbox::Get().AddDsn("KELVAX_SQLITE",
                                {{"Driver", "SQLite3"}, {"Database", d.database}, {"StepAPI", "1"}});
      d.dsn = "DSN=KELVAX_SQLITE";
      return d;
    }
    case Engine::kPostgres:
      return OpenServer<PostgresSandbox>(d, why);
    case Engine::kMariaDb:
      return OpenServer<MariaDbSandbox>(d, why);
  }
  return std::nullopt;
}

void Driver::Exec(const std::string& sql) const {
  switch (engine) {
    case Engine::kSqlite: SqliteExec(database, sql); return;
    case Engine::kPostgres: PostgresSandbox::Get()->Exec(sql); return;
    case Engine::kMariaDb: MariaDbSandbox::Get()->Exec(sql); return;
  }
}

std::string Driver::QueryRows(const std::string& sql) const {
  switch (engine) {
    case Engine::kSqlite: return SqliteQueryRows(database, sql);
    case Engine::kPostgres: return PostgresSandbox::Get()->QueryRows(sql);
    case Engine::kMariaDb: return MariaDbSandbox::Get()->QueryRows(sql);
  }
  return "";
}

void PrintTo(Engine engine, std::ostream* out) { *out << NameOf(engine); }

std::string EngineNamePrinter::operator()(const ::testing::TestParamInfo<Engine>& info) const {
  return NameOf(info.param);
}

void DriverTest::SetUp() {
  std::string why;
  opened_ = OpenDriver(GetParam(), &why);
  if (!opened_) GTEST_SKIP() << why;
  driver_ = &*opened_;
}

void DriverWorkerTest::SetUp() {
  std::string why;
  opened_ = OpenDriver(GetParam(), &why);
  if (!opened_) GTEST_SKIP() << why;
  driver_ = &*opened_;
  task_.DSN01 = driver_->connect;
}

}  // namespace kelvax::test
