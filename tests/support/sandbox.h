// Test fixtures over the real stack: temp folders, files as bytes, a private unixODBC
// configuration with the SQLite driver, SQLite databases, and the built kelvax run in a fresh
// folder of its own.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace kelvax::test {

// The path of an installed ODBC driver library (e.g. "psqlodbcw.so"), or "" when there is none.
std::string FindOdbcDriver(const std::string& library);

// A new empty folder under $TMPDIR (or /tmp), removed at process exit.
std::string MakeTempDir(const std::string& prefix = "kelvax-test");

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool PathExists(const std::string& path);

// The private ODBC configuration of this test process: odbcinst.ini names the driver
// "SQLite3" (and "PostgreSQL Unicode" where installed) and the scripted "KelvaxFake"
// (tests/support/fake_driver), odbc.ini holds the DSNs added here.
// ODBCSYSINI/ODBCINI point at it from the first call on.
class OdbcSandbox {
 public:
  static OdbcSandbox& Get();

  // Creates (or replaces) a SQLite database in the sandbox's folder by running `sql`; returns its
  // path.
  std::string CreateSqliteDb(const std::string& name, const std::string& sql);
  // DRIVER=SQLite3;Database=PATH;StepAPI=1 (streaming, as users are told to configure it).
  static std::string SqliteConnect(const std::string& db_path);
  // Adds a DSN to odbc.ini with the given key=value pairs.
  void AddDsn(const std::string& name, const std::map<std::string, std::string>& values);
  // The environment a child process needs to see this configuration.
  std::map<std::string, std::string> Environment() const;

 private:
  OdbcSandbox();
  void WriteOdbcIni();
  std::string folder_;
  std::map<std::string, std::map<std::string, std::string>> dsns_;
};

// Runs sql on a SQLite file directly (no ODBC): set-up and inspection of test databases.
void SqliteExec(const std::string& db_path, const std::string& sql);
// The rows: columns joined with '|', rows with '\n', NULL as "NULL".
std::string SqliteQuery(const std::string& db_path, const std::string& sql);

struct ProcessResult {
  int exit_status = -1;
  std::string out;
  std::string err;
};

// Copies the built kelvax into `folder`, with its window module beside it when `with_windows`,
// and returns the copy's path.
std::string InstallKelvax(const std::string& folder, bool with_windows = false);

// A program started and not yet waited for.
struct StartedProgram {
  int pid = -1;
  std::string out_file, err_file;
  ProcessResult Wait();
};

// Starts a program (looked up on PATH when its name has no slash) with the sandbox's ODBC
// environment plus `env` (a value of "\x01" unsets the variable), stdin from /dev/null, in a
// process group of its own, in working directory `cwd` (empty: the program's folder, if named).
// Standard error goes to `stderr_fd` when one is given.
StartedProgram StartProgram(const std::vector<std::string>& argv,
                            const std::map<std::string, std::string>& env = {},
                            const std::string& cwd = "", int stderr_fd = -1);
// The exit status of a waitpid status: the code, or 128 + the signal.
int ExitStatusOf(int wait_status);
// StartProgram, then Wait.
ProcessResult RunProgram(const std::vector<std::string>& argv,
                         const std::map<std::string, std::string>& env = {},
                         const std::string& cwd = "");

// The 79-hyphen separator line.
extern const char* const kSeparator;

}  // namespace kelvax::test
