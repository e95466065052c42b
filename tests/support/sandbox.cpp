#include "tests/support/sandbox.h"

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <stdexcept>

#include "platform/odbc/utf8_ctype.h"

namespace fs = std::filesystem;

namespace kelvax::test {

const char* const kSeparator =
    "-------------------------------------------------------------------------------";

namespace {

std::vector<std::string>& TempDirs() {
  static std::vector<std::string> dirs;
  return dirs;
}

void RemoveTempDirs() {
  if (std::getenv("KELVAX_KEEP_TEST_FILES")) return;
  std::error_code ec;
  for (const auto& d : TempDirs()) fs::remove_all(d, ec);
}

}  // namespace

std::string FindOdbcDriver(const std::string& library) {
  for (const char* dir : {"/usr/lib/x86_64-linux-gnu/odbc", "/usr/lib/aarch64-linux-gnu/odbc",
                          "/usr/lib64", "/usr/lib/odbc", "/usr/local/lib"}) {
    std::string p = std::string(dir) + "/" + library;
    if (fs::exists(p)) return p;
  }
  return "";
}

std::string MakeTempDir(const std::string& prefix) {
  const char* tmp = std::getenv("TMPDIR");
  std::string base = (tmp && *tmp) ? tmp : "/tmp";
  std::string dir = base + "/" + prefix + "-XXXXXX";
  if (!mkdtemp(dir.data())) throw std::runtime_error("mkdtemp failed");
  static std::once_flag once;
  std::call_once(once, [] {
    TempDirs();  // constructed first, so it is destroyed after the clean-up has run
    std::atexit(RemoveTempDirs);
  });
  TempDirs().push_back(dir);
  return dir;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool PathExists(const std::string& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

OdbcSandbox& OdbcSandbox::Get() {
  static OdbcSandbox sandbox;
  return sandbox;
}

OdbcSandbox::OdbcSandbox() : folder_(MakeTempDir("kelvax-odbc")) {
  std::string ini;
  auto add = [&ini](const std::string& section, const std::string& library, const char* more = "") {
    if (!library.empty()) ini += section + "\nDriver=" + library + more + "\n\n";
  };
  add("[SQLite3]", FindOdbcDriver("libsqlite3odbc.so"), "\nThreading=2\nDontDLClose=1");
  add("[PostgreSQL Unicode]", FindOdbcDriver("psqlodbcw.so"), "\nDontDLClose=1");
  add("[MariaDB Unicode]", FindOdbcDriver("libmaodbc.so"), "\nDontDLClose=1");
  // A driver whose library is missing: a broken installation must give records, not a crash.
  add("[KelvaxMissing]", folder_ + "/libmissing.so");
  // The scripted driver of tests/support/fake_driver: DRIVER=KelvaxFake;SCRIPT=/path.
  add("[KelvaxFake]", KELVAX_FAKE_ODBC_DRIVER, "\nDontDLClose=1");
  WriteFileBytes(folder_ + "/odbcinst.ini", ini);
  WriteOdbcIni();
  setenv("ODBCSYSINI", folder_.c_str(), 1);
  setenv("ODBCINI", (folder_ + "/odbc.ini").c_str(), 1);
  // A user's ~/.odbc.ini must not leak into the tests.
  setenv("HOME", folder_.c_str(), 1);
  // As the program does first in main.
  odbc::UseUtf8Ctype();
}

void OdbcSandbox::WriteOdbcIni() {
  std::string text;
  for (const auto& [name, values] : dsns_) {
    text += "[" + name + "]\n";
    for (const auto& [k, v] : values) text += k + "=" + v + "\n";
    text += "\n";
  }
  WriteFileBytes(folder_ + "/odbc.ini", text);
}

std::string OdbcSandbox::CreateSqliteDb(const std::string& name, const std::string& sql) {
  std::string path = folder_ + "/" + name;
  std::error_code ec;
  fs::remove(path, ec);
  SqliteExec(path, sql);
  return path;
}

std::string OdbcSandbox::SqliteConnect(const std::string& db_path) {
  return "DRIVER=SQLite3;Database=" + db_path + ";StepAPI=1";
}

void OdbcSandbox::AddDsn(const std::string& name,
                         const std::map<std::string, std::string>& values) {
  dsns_[name] = values;
  WriteOdbcIni();
}

std::map<std::string, std::string> OdbcSandbox::Environment() const {
  return {{"ODBCSYSINI", folder_}, {"ODBCINI", folder_ + "/odbc.ini"}, {"HOME", folder_}};
}

void SqliteExec(const std::string& db_path, const std::string& sql) { SqliteQuery(db_path, sql); }

std::string SqliteQuery(const std::string& db_path, const std::string& sql) {
  sqlite3* db = nullptr;
  sqlite3_open(db_path.c_str(), &db);
  std::string text;
  auto row = [](void* p, int n, char** values, char**) {
    auto& out = *static_cast<std::string*>(p);
    for (int i = 0; i < n; ++i) out.append(i ? "|" : "").append(values[i] ? values[i] : "NULL");
    out.push_back('\n');
    return 0;
  };
  char* err = nullptr;
  int rc = sqlite3_exec(db, sql.c_str(), row, &text, &err);
  std::string message = err ? err : sqlite3_errmsg(db);
  sqlite3_free(err);
  sqlite3_close(db);
  if (rc != SQLITE_OK) throw std::runtime_error("sqlite: " + message);
  if (!text.empty()) text.pop_back();
  return text;
}

std::string InstallKelvax(const std::string& folder, bool with_windows) {
  std::string target = folder + "/kelvax";
  fs::copy_file(KELVAX_BINARY, target, fs::copy_options::overwrite_existing);
  const fs::path module = fs::path(KELVAX_BINARY).parent_path() / "kelvax_ui.so";
  if (with_windows && fs::exists(module)) {
    fs::copy_file(module, folder + "/kelvax_ui.so", fs::copy_options::overwrite_existing);
  }
  return target;
}

StartedProgram StartProgram(const std::vector<std::string>& argv,
                            const std::map<std::string, std::string>& env, const std::string& cwd,
                            int stderr_fd) {
  std::string out_path = MakeTempDir("kelvax-proc");
  std::string out_file = out_path + "/out", err_file = out_path + "/err";
  std::map<std::string, std::string> all = OdbcSandbox::Get().Environment();
  for (const auto& [k, v] : env) all[k] = v;
  pid_t pid = fork();
  if (pid == 0) {
    for (const auto& [k, v] : all) {
      if (v == "\x01")
        unsetenv(k.c_str());
      else
        setenv(k.c_str(), v.c_str(), 1);
    }
    std::string dir = cwd.empty() ? fs::path(argv[0]).parent_path().string() : cwd;
    if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(126);
    if (!freopen("/dev/null", "r", stdin) || !freopen(out_file.c_str(), "w", stdout)) _exit(126);
    if (stderr_fd >= 0 ? dup2(stderr_fd, 2) < 0 : !freopen(err_file.c_str(), "w", stderr))
      _exit(126);
    setpgid(0, 0);  // its own group, so that a kill of the group reaches what it started too
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  return {pid, out_file, err_file};
}

ProcessResult RunProgram(const std::vector<std::string>& argv,
                         const std::map<std::string, std::string>& env, const std::string& cwd) {
  return StartProgram(argv, env, cwd).Wait();
}

ProcessResult StartedProgram::Wait() {
  int status = 0;
  waitpid(pid, &status, 0);
  ProcessResult r;
  r.exit_status = ExitStatusOf(status);
  r.out = ReadFileBytes(out_file);
  r.err = ReadFileBytes(err_file);
  return r;
}

int ExitStatusOf(int wait_status) {
  return WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
}

}  // namespace kelvax::test
