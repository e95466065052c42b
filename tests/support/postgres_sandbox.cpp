#include "tests/support/postgres_sandbox.h"

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

// The server listens on its Unix socket only, in a folder of its own: no port can clash.
const std::string kPort = "5432";

// The newest /usr/lib/postgresql/<version>/bin that has the server programs.
std::string FindServerBin() {
  std::error_code ec;
  std::pair<int, std::string> newest;
  for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", ec)) {
    const fs::path bin = entry.path() / "bin";
    const int version = std::atoi(entry.path().filename().c_str());
    if (version > newest.first && fs::exists(bin / "initdb", ec) && fs::exists(bin / "psql", ec))
      newest = {version, bin.string()};
  }
  return newest.second;
}

}  // namespace

std::string PostgresSandbox::MissingReason() {
  if (FindServerBin().empty())
    return "PostgreSQL server binaries not installed (/usr/lib/postgresql/*/bin)";
  if (FindOdbcDriver("psqlodbcw.so").empty())
    return "psqlODBC Unicode driver (psqlodbcw.so) not installed";
  return "";
}

void PostgresSandbox::Run(std::vector<std::string> argv) const {
  if (as_postgres_) argv.insert(argv.begin(), {"/usr/sbin/runuser", "-u", "postgres", "--"});
  RunOrThrow(argv);
}

void PostgresSandbox::Start() {
  bin_ = FindServerBin();
  as_postgres_ = geteuid() == 0;
  OdbcSandbox& odbc = OdbcSandbox::Get();  // so that RunProgram's environment is there

  folder_ = MakeServerFolder("kelvax-pg", as_postgres_ ? "postgres" : "");
  const std::string data = folder_ + "/data";
  Run({bin_ + "/initdb", "-D", data, "-E", "UTF8", "--locale=C", "-A", "trust", "-U", "postgres",
       "--no-sync"});
  // Durability is of no use to a throw-away cluster; speed is.
  std::string conf =
      "\n# kelvax test sandbox\nlisten_addresses = ''\n"
      "unix_socket_directories = '" +
      folder_ + "'\nport = " + kPort +
      "\n"
      "fsync = off\nsynchronous_commit = off\nfull_page_writes = off\n"
      "max_connections = 30\nshared_buffers = 32MB\n";
  WriteFileBytes(data + "/postgresql.conf", ReadFileBytes(data + "/postgresql.conf") + conf);
  StartServer();
  running_ = true;
  watchdog_.Arm(std::string(as_postgres_ ? "/usr/sbin/runuser -u postgres -- " : "") +
                    "\"$1\" -D \"$2\" -m immediate -s stop >/dev/null 2>&1; rm -rf \"$3\"",
                {bin_ + "/pg_ctl", data, folder_});

  Psql("CREATE DATABASE " + database_ + " TEMPLATE template0 ENCODING 'UTF8'", "postgres");
  odbc.AddDsn(DsnName(), {{"Driver", "PostgreSQL Unicode"},
                          {"Servername", folder_},
                          {"Port", kPort},
                          {"Database", database_},
                          {"Username", "postgres"},
                          {"UseDeclareFetch", "1"},
                          {"Fetch", "100"}});
}

void PostgresSandbox::StopServer() const {
  Run({bin_ + "/pg_ctl", "-D", folder_ + "/data", "-m", "fast", "-w", "-s", "stop"});
}
void PostgresSandbox::StartServer() const {
  Run({bin_ + "/pg_ctl", "-D", folder_ + "/data", "-l", folder_ + "/server.log", "-w", "-t", "60",
       "-s", "start"});
}

void PostgresSandbox::Stop() {
  try {
    if (running_) StopServer();
  } catch (const std::exception&) {
  }
  running_ = false;
}

std::string PostgresSandbox::ConnectString() const {
  return "DRIVER={PostgreSQL Unicode};Servername=" + folder_ + ";Port=" + kPort +
         ";Database=" + database_ + ";UID=postgres;UseDeclareFetch=1;Fetch=100";
}

std::string PostgresSandbox::Psql(const std::string& sql, const std::string& database) const {
  // A script, so that several statements run one after another, each on its own.
  return RunOrThrow(
      {bin_ + "/psql", "-X", "-q", "-A", "-t", "-F", "|", "-P", "null=NULL", "-v",
       "ON_ERROR_STOP=1", "-h", folder_, "-p", kPort, "-U", "postgres", "-d", database},
      {{"PGCLIENTENCODING", "UTF8"}}, sql);
}

int PostgresSandbox::TerminateClientBackends() const {
  const std::string others =
      "FROM pg_stat_activity WHERE datname = current_database() AND pid <> pg_backend_pid() "
      "AND backend_type = 'client backend'";
  const std::string ended = QueryRows("SELECT COUNT(pg_terminate_backend(pid)) " + others);
  // pg_terminate_backend only sends the signal: wait until the sessions are gone.
  for (int i = 0; i < 200 && QueryRows("SELECT COUNT(*) " + others) != "0"; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  return std::stoi(ended);
}

}  // namespace kelvax::test
