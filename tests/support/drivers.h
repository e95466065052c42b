// The engines the cases run on: SQLite (a file), PostgreSQL and MariaDB (private servers of the
// test process), each case on a clean database. An engine that is not installed skips its tests;
// one that is installed but cannot start fails them. Test names end in the engine's name, which
// tests/CMakeLists.txt uses to run each server's cases in one CTest test, so that the server
// starts once.
//
// A worker test on SQLite: a fixture deriving from DriverWorkerTest, KELVAX_ON_SQLITE(Suite); its
// own SetUp calls the base SetUp first and returns when IsSkipped().
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

#include "tests/support/worker_test.h"

namespace kelvax::test {

enum class Engine { kSqlite, kPostgres, kMariaDb };
inline constexpr Engine kAllEngines[] = {Engine::kSqlite, Engine::kPostgres, Engine::kMariaDb};

struct Driver {
  Engine engine;
  std::string connect;   // a connect string for odbc::Connection (mixed case)
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

// A worker test (see worker_test.h) per engine: driver_ is open and task_.DSN01 is its connect
// string, or the test is skipped.
class DriverWorkerTest : public WorkerTest, public ::testing::WithParamInterface<Engine> {
 protected:
  explicit DriverWorkerTest(TaskHandler worker) : WorkerTest(std::move(worker)) {}
  void SetUp() override {
    std::string why;
    opened_ = OpenDriver(GetParam(), &why);
    if (!opened_) GTEST_SKIP() << why;
    driver_ = &*opened_;
    task_.DSN01 = driver_->connect;
  }
  const Driver* driver_ = nullptr;

 private:
  std::optional<Driver> opened_;
};

}  // namespace kelvax::test

// For behaviour that does not depend on the engine: the same fixture, run on SQLite alone.
#define KELVAX_ON_SQLITE(Suite)                                                                 \
  INSTANTIATE_TEST_SUITE_P(OnSqlite, Suite, ::testing::Values(::kelvax::test::Engine::kSqlite), \
                           ::testing::PrintToStringParamName())
