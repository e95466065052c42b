// Cases written once and run on every engine: SQLite (a file), PostgreSQL and MariaDB (private
// servers of the test process), each test on a clean database. An engine that is not installed
// skips its tests; one that is installed but cannot start fails them.
//
//   class ValueTest : public test::DriverTest {};
//   TEST_P(ValueTest, ...) { driver_->Exec("CREATE TABLE t (a INTEGER)"); ... }
//   KELVAX_PER_DRIVER(ValueTest);
//
// A fixture's own SetUp calls the base SetUp first and returns when IsSkipped(). Test names end
// in the engine's name, which tests/CMakeLists.txt uses to run each server's cases in one CTest
// test, so that the server starts once.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <type_traits>

#include "platform/odbc/odbc.h"
#include "tests/support/worker_test.h"

namespace kelvax::test {

enum class Engine { kSqlite, kPostgres, kMariaDb };
inline constexpr Engine kAllEngines[] = {Engine::kSqlite, Engine::kPostgres, Engine::kMariaDb};

// The text form (as the files show it) of `column` in the current row; nullopt for NULL.
Status ReadText(odbc::ResultSet& result, int column, std::optional<std::string>& text);

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
struct EngineNamePrinter {
  std::string operator()(const ::testing::TestParamInfo<Engine>& info) const;
};

// A fixture on `Base` per engine: driver_ is open, or the test is skipped. On a worker test (see
// worker_test.h), task_.DSN01 is the driver's connect string.
template <class Base>
class OnDriver : public Base, public ::testing::WithParamInterface<Engine> {
 protected:
  using Base::Base;
  void SetUp() override {
    std::string why;
    opened_ = OpenDriver(this->GetParam(), &why);
    if (!opened_) GTEST_SKIP() << why;
    driver_ = &*opened_;
    if constexpr (std::is_base_of_v<WorkerTest, Base>) this->task_.DSN01 = driver_->connect;
  }
  const Driver* driver_ = nullptr;

 private:
  std::optional<Driver> opened_;
};
class DriverTest : public OnDriver<::testing::Test> {};
class DriverWorkerTest : public OnDriver<WorkerTest> {
 protected:
  explicit DriverWorkerTest(TaskHandler worker) : OnDriver(std::move(worker)) {}
};

}  // namespace kelvax::test

#define KELVAX_PER_DRIVER(Suite)                                                               \
  INSTANTIATE_TEST_SUITE_P(PerDriver, Suite, ::testing::ValuesIn(::kelvax::test::kAllEngines), \
                           ::kelvax::test::EngineNamePrinter())

// For behaviour that does not depend on the engine: the same fixture, run on SQLite alone.
#define KELVAX_ON_SQLITE(Suite)                                                                 \
  INSTANTIATE_TEST_SUITE_P(OnSqlite, Suite, ::testing::Values(::kelvax::test::Engine::kSqlite), \
                           ::kelvax::test::EngineNamePrinter())
