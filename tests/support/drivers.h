// Cases written once and run on every engine: SQLite (a file), PostgreSQL and MariaDB (private
// servers of the test process). Each test gets a clean database: a new SQLite file, or the
// server's test database emptied. An engine that is not installed skips its tests; one that is
// installed but cannot start fails them.
//
//   class ValueTest : public test::DriverTest {};
//   TEST_P(ValueTest, ...) { driver_->Exec("CREATE TABLE t (a INTEGER)"); ... }
//   KELVAX_PER_DRIVER(ValueTest);
//
// A fixture's own SetUp calls the base SetUp first and returns when IsSkipped(). MariaDB is
// reached as root without a password; its default sql_mode is kept (backslash escapes on).
//
// Test names end in the engine's name. CTest runs a program's cases on one server in one test
// ("output/MariaDB"), so that the server starts once: tests/CMakeLists.txt gathers the names
// ending in /PostgreSQL or /MariaDB, and those of suites named Postgres* or MariaDb*.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

#include "tests/support/worker_test.h"

namespace kelvax::test {

enum class Engine { kSqlite, kPostgres, kMariaDb };
inline constexpr Engine kAllEngines[] = {Engine::kSqlite, Engine::kPostgres, Engine::kMariaDb};

// Of three values, one per engine (a column type, a driver's words), the one `engine` takes.
inline const char* OnEngine(Engine engine, const char* sqlite, const char* postgres, const char* mariadb) {
  return engine == Engine::kSqlite ? sqlite : engine == Engine::kPostgres ? postgres : mariadb;
}

struct Driver {
  Engine engine;
  std::string name;      // "SQLite", "PostgreSQL", "MariaDB": the test-name suffix
  std::string connect;   // a connect string for odbc::Connection (mixed case)
  std::string dsn;       // "DSN=KELVAX_..." for job files: survives their upper-casing
  std::string database;  // SQLite: the database file; the servers: the database name

  // Runs SQL (one or more statements) through the engine's own client or library; throws on
  // failure.
  void Exec(const std::string& sql) const;
  // The rows as text: columns joined with '|', rows with '\n', NULL as "NULL".
  std::string QueryRows(const std::string& sql) const;
};

// A clean database on `engine`, or nullopt with the reason in `why` when the engine is not
// installed. Throws when it is installed but cannot be started.
std::optional<Driver> OpenDriver(Engine engine, std::string* why);

// The engine's name in test names and failure messages.
void PrintTo(Engine engine, std::ostream* out);
struct EngineNamePrinter {
  std::string operator()(const ::testing::TestParamInfo<Engine>& info) const;
};

class DriverTest : public ::testing::TestWithParam<Engine> {
 protected:
  void SetUp() override;  // driver_, or the test is skipped
  const Driver* driver_ = nullptr;

 private:
  std::optional<Driver> opened_;
};

// A worker test (see worker_test.h) per engine: task_.DSN01 is the driver's connect string.
class DriverWorkerTest : public WorkerTest, public ::testing::WithParamInterface<Engine> {
 protected:
  explicit DriverWorkerTest(TaskHandler worker) : WorkerTest(std::move(worker)) {}
  void SetUp() override;
  const Driver* driver_ = nullptr;

 private:
  std::optional<Driver> opened_;
};

}  // namespace kelvax::test

#define KELVAX_PER_DRIVER(Suite)                                                          \
  INSTANTIATE_TEST_SUITE_P(PerDriver, Suite, ::testing::ValuesIn(::kelvax::test::kAllEngines), \
                           ::kelvax::test::EngineNamePrinter())

// For behaviour that does not depend on the engine: the same fixture, run on SQLite alone.
#define KELVAX_ON_SQLITE(Suite)                                                                 \
  INSTANTIATE_TEST_SUITE_P(OnSqlite, Suite, ::testing::Values(::kelvax::test::Engine::kSqlite), \
                           ::kelvax::test::EngineNamePrinter())
