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
    case Engine::kPostgres: {
      PostgresSandbox* pg = PostgresSandbox::Get();
      if (!pg) break;
      pg->Exec("DROP SCHEMA public CASCADE; CREATE SCHEMA public;");
      d.connect = pg->ConnectString();
      d.dsn = "DSN=" + pg->DsnName();
      d.database = pg->database();
      return d;
    }
    case Engine::kMariaDb: {
      MariaDbSandbox* my = MariaDbSandbox::Get();
      if (!my) break;
      my->ResetDatabase();
      d.connect = my->ConnectString();
      d.dsn = "DSN=" + my->DsnName();
      d.database = my->database();
      return d;
    }
  }
  if (why) {
    *why = engine == Engine::kPostgres ? PostgresSandbox::MissingReason()
                                       : MariaDbSandbox::MissingReason();
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
