#include "tests/support/postgres_sandbox.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <thread>

#include "tests/support/sandbox.h"
#include "tests/support/server_process.h"

namespace fs = std::filesystem;

namespace kelvax::test {

namespace {

// The newest /usr/lib/postgresql/<version>/bin that has the server programs.
std::string FindServerBin() {
  std::error_code ec;
  std::vector<std::pair<int, std::string>> found;
  for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", ec)) {
    fs::path bin = entry.path() / "bin";
    bool complete = true;
    for (const char* program : {"initdb", "pg_ctl", "postgres", "psql"}) {
      complete = complete && fs::exists(bin / program, ec);
    }
    if (complete) found.emplace_back(std::atoi(entry.path().filename().c_str()), bin.string());
  }
  if (found.empty()) return "";
  return std::max_element(found.begin(), found.end())->second;
}

// A TCP port nobody listens on now. The server listens only on its Unix socket, whose file
// name carries the number; a free number keeps a fallback to TCP open.
int FreePort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return 54321;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t len = sizeof addr;
  int port = 54321;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
    port = ntohs(addr.sin_port);
  }
  close(fd);
  return port;
}

}  // namespace

std::string PostgresSandbox::MissingReason() {
  if (FindServerBin().empty()) return "PostgreSQL server binaries not installed (/usr/lib/postgresql/*/bin)";
  if (FindOdbcDriver("psqlodbcw.so").empty()) return "psqlODBC Unicode driver (psqlodbcw.so) not installed";
  return "";
}

PostgresSandbox::~PostgresSandbox() { Stop(); }

void PostgresSandbox::Start() {
  bin_ = FindServerBin();
  as_postgres_ = geteuid() == 0;
  const OdbcSandbox& odbc = OdbcSandbox::Get();  // so that RunProgram's environment is there

  folder_ = MakeServerFolder("kelvax-pg", as_postgres_ ? "postgres" : "");
  auto run = [&](std::vector<std::string> args, const char* what) {
    if (as_postgres_) args.insert(args.begin(), {"/usr/sbin/runuser", "-u", "postgres", "--"});
    RunOrThrow(args, what);
  };
  const std::string data = folder_ + "/data";
  run({bin_ + "/initdb", "-D", data, "-E", "UTF8", "--locale=C", "-A", "trust", "-U", "postgres",
       "--no-sync"},
      "initdb");

  port_ = FreePort();
  // Durability is of no use to a throw-away cluster; speed is.
  std::string conf = "\n# kelvax test sandbox\nlisten_addresses = ''\n"
                     "unix_socket_directories = '" + folder_ + "'\n"
                     "port = " + std::to_string(port_) + "\n"
                     "fsync = off\nsynchronous_commit = off\nfull_page_writes = off\n"
                     "max_connections = 30\nshared_buffers = 32MB\n";
  std::string conf_path = data + "/postgresql.conf";
  WriteFileBytes(conf_path, ReadFileBytes(conf_path) + conf);

  run({bin_ + "/pg_ctl", "-D", data, "-l", folder_ + "/server.log", "-w", "-t", "60", "-s",
       "start"},
      "pg_ctl start");
  running_ = true;

  watchdog_.Arm(std::string(as_postgres_ ? "/usr/sbin/runuser -u postgres -- " : "") +
                    "\"$1\" -D \"$2\" -m immediate -s stop >/dev/null 2>&1; rm -rf \"$3\"",
                {bin_ + "/pg_ctl", data, folder_});

  Psql("CREATE DATABASE " + database_ + " TEMPLATE template0 ENCODING 'UTF8'", "postgres", false);

  const_cast<OdbcSandbox&>(odbc).AddDsn(
      DsnName(), {{"Driver", "PostgreSQL Unicode"},
                  {"Servername", folder_},
                  {"Port", std::to_string(port_)},
                  {"Database", database_},
                  {"Username", "postgres"},
                  {"UseDeclareFetch", "1"},
                  {"Fetch", "100"}});
}

void PostgresSandbox::StopServer() const {
  if (!PgCtl({"-m", "fast", "-w", "-s", "stop"})) throw std::runtime_error("pg_ctl stop failed");
}
void PostgresSandbox::StartServer() const {
  if (!PgCtl({"-l", folder_ + "/server.log", "-w", "-t", "60", "-s", "start"})) {
    throw std::runtime_error("pg_ctl start failed");
  }
}
bool PostgresSandbox::PgCtl(const std::vector<std::string>& args) const {
  std::vector<std::string> argv;
  if (as_postgres_) argv = {"/usr/sbin/runuser", "-u", "postgres", "--"};
  argv.insert(argv.end(), {bin_ + "/pg_ctl", "-D", folder_ + "/data"});
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProgram(argv, {}, "/").exit_status == 0;
}

void PostgresSandbox::Stop() {
  watchdog_.Disarm();
  if (running_) PgCtl({"-m", "fast", "-w", "-s", "stop"});
  running_ = false;
  RemoveServerFolder(folder_);
}

std::string PostgresSandbox::ConnectString(int fetch) const {
  return "DRIVER={PostgreSQL Unicode};Servername=" + folder_ + ";Port=" + std::to_string(port_) +
         ";Database=" + database_ + ";UID=postgres;UseDeclareFetch=1;Fetch=" +
         std::to_string(fetch);
}

std::string PostgresSandbox::Psql(const std::string& sql, const std::string& database,
                                  bool rows, const char* separator) const {
  // Through a file, so that several statements run one after another, each on its own.
  std::string dir = MakeTempDir("kelvax-psql");
  std::string file = dir + "/input.sql";
  WriteFileBytes(file, sql);
  ProcessResult r = RunProgram(
      {bin_ + "/psql", "-X", "-q", "-A", "-t", "-F", separator, "-P", "null=NULL", "-v",
       "ON_ERROR_STOP=1", "-h", folder_, "-p", std::to_string(port_), "-U", "postgres", "-d",
       database, "-f", file},
      {{"PGCLIENTENCODING", "UTF8"}, {"LC_ALL", "C"}}, "/");
  std::error_code ec;
  fs::remove_all(dir, ec);
  if (r.exit_status != 0) {
    throw std::runtime_error("psql failed (" + std::to_string(r.exit_status) + ") on: " +
                             sql.substr(0, 200) + "\n" + r.err);
  }
  if (!rows) return "";
  return TrimLineEnds(r.out);
}

void PostgresSandbox::Exec(const std::string& sql) const { Psql(sql, database_, false); }

std::string PostgresSandbox::QueryRows(const std::string& sql) const {
  return Psql(sql, database_, true);
}

std::string PostgresSandbox::Query(const std::string& sql) const {
  return FirstFields(Psql(sql, database_, true, "\x1f"), '\x1f');
}

std::vector<int> PostgresSandbox::ClientBackendPids() const {
  std::string text = QueryRows(
      "SELECT pid FROM pg_stat_activity WHERE datname = current_database() "
      "AND pid <> pg_backend_pid() AND backend_type = 'client backend' ORDER BY pid");
  std::vector<int> pids;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    pids.push_back(std::atoi(text.substr(pos, end - pos).c_str()));
    pos = end + 1;
  }
  return pids;
}

int PostgresSandbox::TerminateClientBackends() const {
  std::vector<int> pids = ClientBackendPids();
  if (pids.empty()) return 0;
  std::string list;
  for (int pid : pids) list += (list.empty() ? "" : ",") + std::to_string(pid);
  Exec("SELECT pg_terminate_backend(pid) FROM unnest(ARRAY[" + list + "]) AS pid");
  // pg_terminate_backend only sends the signal: wait until the sessions are gone.
  for (int i = 0; i < 200; ++i) {
    std::vector<int> left = ClientBackendPids();
    bool any = std::any_of(left.begin(), left.end(), [&](int p) {
      return std::find(pids.begin(), pids.end(), p) != pids.end();
    });
    if (!any) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  return static_cast<int>(pids.size());
}

}  // namespace kelvax::test
