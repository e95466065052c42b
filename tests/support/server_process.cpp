#include "tests/support/server_process.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "tests/support/sandbox.h"

namespace kelvax::test {

namespace {

// server.sh ARGS...: its output without the last line end; throws, with what it printed, when it
// fails.
std::string RunScript(std::vector<std::string> args) {
  const std::string what = "server.sh " + args[0] + " " + args[1];
  args.insert(args.begin(), {"/bin/sh", KELVAX_SOURCE_DIR "/tests/support/server.sh"});
  ProcessResult r = RunProgram(args, {{"LC_ALL", "C"}}, "/");
  if (r.exit_status != 0) {
    throw std::runtime_error(what + " failed (" + std::to_string(r.exit_status) + "):\n" + r.out +
                             r.err);
  }
  while (!r.out.empty() && (r.out.back() == '\n' || r.out.back() == '\r')) r.out.pop_back();
  return r.out;
}

}  // namespace

ServerSandbox::ServerSandbox(const char* engine) : engine_(engine) {
  // Whatever TMPDIR says: a socket path must stay short (108 bytes).
  folder_ = "/tmp/kelvax-" + engine_ + "-XXXXXX";
  if (!mkdtemp(folder_.data())) throw std::runtime_error("mkdtemp failed");
}

ServerSandbox::~ServerSandbox() {
  try {
    Script("stop");
  } catch (const std::exception&) {
  }
}

void ServerSandbox::Start() {
  const std::string cache = std::filesystem::path(KELVAX_BINARY).parent_path().string();
  Script("start", {std::to_string(getpid()), database_, cache});
}

std::string ServerSandbox::Script(const std::string& command, std::vector<std::string> args) const {
  args.insert(args.begin(), {engine_, command, folder_});
  return RunScript(args);
}

std::string ServerSandbox::Sql(const std::string& database, const std::string& sql) const {
  const std::string input = folder_ + "/input.sql";
  WriteFileBytes(input, sql);
  return Script("sql", {database, input});
}

std::string ServerSandbox::QueryRows(const std::string& sql) const {
  std::string rows = Sql(database_, sql);
  // The MariaDB client separates values with a TAB; one inside a value cannot be told from it.
  if (engine_ == "mariadb") std::replace(rows.begin(), rows.end(), '\t', '|');
  return rows;
}

void ServerSandbox::ResetDatabase() const {
  if (engine_ == "postgres") {
    Exec("DROP SCHEMA public CASCADE; CREATE SCHEMA public;");
  } else {
    Sql("", "DROP DATABASE IF EXISTS " + database_ + "; CREATE DATABASE " + database_);
  }
}

std::string ServerSandbox::Missing(const char* engine, const char* library) {
  if (FindOdbcDriver(library).empty()) return std::string("ODBC driver ") + library + " missing";
  return RunScript({engine, "missing"});
}

}  // namespace kelvax::test
