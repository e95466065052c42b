#include "tests/support/mariadb_sandbox.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "tests/support/sandbox.h"

namespace fs = std::filesystem;

namespace kelvax::test {

namespace {

constexpr const char* kServer = "/usr/sbin/mariadbd";
constexpr const char* kInstallDb = "/usr/bin/mariadb-install-db";
constexpr const char* kClient = "/usr/bin/mariadb";

// A freshly installed data folder, made once per build and server version and copied by every
// test process: installing takes far longer than copying. Made under a temporary name and
// renamed, so that test processes running side by side never see half of one.
std::string PristineDataFolder(const std::vector<std::string>& user) {
  struct stat st {};
  stat(kServer, &st);
  fs::path base = fs::path(KELVAX_BINARY).parent_path();
  fs::path pristine =
      base / ("test-mariadb-" + std::to_string(st.st_mtime) + "-" + std::to_string(st.st_size));
  std::error_code ec;
  if (fs::exists(pristine / "data" / "mysql", ec)) return (pristine / "data").string();
  std::string building = (base / "test-mariadb-XXXXXX").string();
  if (!mkdtemp(building.data())) throw std::runtime_error("mkdtemp failed in " + base.string());
  // A small redo log: the default one would write 100 MB per test process.
  std::vector<std::string> install = {kInstallDb,
                                      "--no-defaults",
                                      "--datadir=" + building + "/data",
                                      "--auth-root-authentication-method=normal",
                                      "--skip-test-db",
                                      "--skip-name-resolve",
                                      "--innodb-log-file-size=8M"};
  install.insert(install.end(), user.begin(), user.end());
  try {
    RunOrThrow(install);
  } catch (...) {
    fs::remove_all(building, ec);
    throw;
  }
  if (rename(building.c_str(), pristine.c_str()) != 0) fs::remove_all(building, ec);  // another won
  return (pristine / "data").string();
}

}  // namespace

std::string MariaDbSandbox::MissingReason() {
  std::error_code ec;
  for (const char* program : {kServer, kInstallDb, kClient}) {
    if (!fs::exists(program, ec)) return std::string("MariaDB not installed (") + program + ")";
  }
  if (FindOdbcDriver("libmaodbc.so").empty())
    return "MariaDB Connector/ODBC (libmaodbc.so) not installed";
  return "";
}

void MariaDbSandbox::Start() {
  folder_ = MakeServerFolder("kelvax-my");
  socket_ = folder_ + "/mysqld.sock";
  const std::string data = folder_ + "/data";
  // The server refuses root unless told so; as anyone else it runs as that user.
  std::vector<std::string> user;
  if (geteuid() == 0) user = {"--user=root"};
  fs::copy(PristineDataFolder(user), data, fs::copy_options::recursive);

  // Durability is of no use to a throw-away server; speed is.
  std::vector<std::string> args = {kServer,
                                   "--no-defaults",
                                   "--datadir=" + data,
                                   "--socket=" + socket_,
                                   "--pid-file=" + folder_ + "/mysqld.pid",
                                   "--tmpdir=" + folder_,
                                   "--skip-networking",
                                   "--log-error=" + folder_ + "/server.log",
                                   "--skip-log-bin",
                                   "--innodb-buffer-pool-size=32M",
                                   "--innodb-log-file-size=8M",
                                   "--innodb-flush-log-at-trx-commit=0",
                                   "--innodb-doublewrite=0",
                                   "--character-set-server=utf8mb4",
                                   "--collation-server=utf8mb4_bin"};
  args.insert(args.end(), user.begin(), user.end());
  server_pid_ = StartProgram(args, {}, "/").pid;
  watchdog_.Arm("kill -9 \"$1\" 2>/dev/null; sleep 1; rm -rf \"$2\"",
                {std::to_string(server_pid_), folder_});

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  // The server says so in its log once it listens on the socket.
  while (ReadFileBytes(folder_ + "/server.log").find("ready for connections") ==
         std::string::npos) {
    int status;
    if (waitpid(server_pid_, &status, WNOHANG) == server_pid_) server_pid_ = -1;
    if (server_pid_ < 0 || std::chrono::steady_clock::now() > deadline) {
      throw std::runtime_error("mariadbd did not start: " + ReadFileBytes(folder_ + "/server.log"));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  Client("CREATE DATABASE " + database_, "");
}

void MariaDbSandbox::Stop() {
  if (server_pid_ > 0) {
    // The data is thrown away: nothing to shut down in order.
    kill(server_pid_, SIGKILL);
    int status;
    waitpid(server_pid_, &status, 0);
    server_pid_ = -1;
  }
}

std::string MariaDbSandbox::ConnectString() const {
  return "DRIVER={MariaDB Unicode};SOCKET=" + socket_ + ";DATABASE=" + database_ +
         ";UID=root;CHARSET=utf8mb4";
}

std::string MariaDbSandbox::Client(const std::string& sql, const std::string& database) const {
  // On standard input: in batch mode the client stops at the first failing statement and exits
  // non-zero (its `source` command would go on); --binary-mode keeps a CR LF inside a literal,
  // which the client would otherwise turn into LF.
  std::vector<std::string> argv = {kClient,
                                   "--no-defaults",
                                   "--host=localhost",
                                   "--socket=" + socket_,
                                   "--user=root",
                                   "--batch",
                                   "--raw",
                                   "--binary-mode",
                                   "--skip-column-names",
                                   "--default-character-set=utf8mb4"};
  if (!database.empty()) argv.push_back(database);
  return RunOrThrow(argv, {{"MYSQL_PWD", "\x01"}, {"MYSQL_HOST", "\x01"}}, sql);
}

std::string MariaDbSandbox::QueryRows(const std::string& sql) const {
  std::string rows = Client(sql, database_);
  for (char& c : rows) {
    if (c == '\t') c = '|';
  }
  return rows;
}

void MariaDbSandbox::ResetDatabase() const {
  Client("DROP DATABASE IF EXISTS " + database_ + "; CREATE DATABASE " + database_, "");
}

}  // namespace kelvax::test
