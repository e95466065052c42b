// The end-to-end cases of tests/cases/: each folder is a job, the data it reads and the bytes
// it must leave, run through the built program on every engine the case names. See
// tests/cases/README.md for the layout; KELVAX_REGENERATE=1 writes what the runs left as the
// expected files, for a reviewer to read in the diff.
#include <fcntl.h>
#include <fnmatch.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <list>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/fs/fd.h"
#include "tests/support/drivers.h"
#include "tests/support/sandbox.h"

namespace kelvax {
namespace {

namespace fs = std::filesystem;
using test::Engine;

const char* FolderName(Engine engine) {
  return engine == Engine::kSqlite     ? "sqlite"
         : engine == Engine::kPostgres ? "postgres"
                                       : "mariadb";
}

std::string Trimmed(std::string s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

// case.conf: `key = value` lines. engines (default: sqlite), date (the frozen clock, default
// 2001-10-28 09:05:03), args (options before the job file's path), ignore (files the run must
// leave in its folder whose bytes are not compared: a database the job reads back itself), tty.
std::map<std::string, std::string> ReadConf(const fs::path& folder) {
  std::map<std::string, std::string> conf = {{"engines", "sqlite"},
                                             {"date", "2001-10-28 09:05:03"}};
  if (!fs::exists(folder / "case.conf")) return conf;
  std::istringstream in(test::ReadFileBytes((folder / "case.conf").string()));
  for (std::string line; std::getline(in, line);) {
    const auto eq = line.find('=');
    if (eq != std::string::npos) conf[Trimmed(line.substr(0, eq))] = Trimmed(line.substr(eq + 1));
  }
  return conf;
}

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// A workbook as text, read by a reader written elsewhere (openpyxl): "# sheet", then a line per
// row, each cell as type:value and, for a date, @number format.
std::string WorkbookCells(const std::string& path) {
  const char* reader =
      "import sys, openpyxl\n"
      "for sheet in openpyxl.load_workbook(sys.argv[1]).worksheets:\n"
      "    print('#', sheet.title)\n"
      "    for row in sheet.iter_rows():\n"
      "        print(' | '.join('%s:%r%s' % (c.data_type, c.value,\n"
      "                                      '@' + c.number_format if c.is_date else '')\n"
      "                         for c in row))\n";
  const test::ProcessResult r = test::RunProgram({"/usr/bin/python3", "-c", reader, path});
  return r.exit_status == 0 ? r.out : "unreadable workbook: " + r.err;
}

// What `before` and `during` set up around a run, held until the run has ended.
struct Planted {
  std::map<std::string, std::string> env;
  std::vector<std::string> prefix;  // what the program runs under: a file-size limit, a user
  std::list<Fd> flocks;
};

// Steps a line (`before`, and `during` once its file appears), with paths from the job's folder
// (@WORK@) and @DIR@ for the run's folder; `signal` goes to the running program, `pid`.
bool Plant(const std::string& steps, const std::string& dir, const std::string& work,
           Planted& planted, int pid = 0) {
  std::istringstream in(Replaced(Replaced(steps, "@DIR@", dir), "@WORK@", work));
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::string step, first, second;
    words >> step >> first;
    std::getline(words >> std::ws, second);
    const fs::path path = fs::path(work) / first, to = fs::path(work) / second;
    if (step == "mkdir") {
      fs::create_directories(path);
    } else if (step == "chmod") {
      chmod(to.c_str(), std::stoi(first, nullptr, 8));
    } else if (step == "remove") {
      fs::remove_all(path);
    } else if (step == "write") {
      test::WriteFileBytes(path, second);
    } else if (step == "copy") {
      fs::copy_file(path, to);
    } else if (step == "move") {
      fs::rename(path, to);
    } else if (step == "chown") {
      if (chown(to.c_str(), std::stoi(first), std::stoi(first)) != 0) return false;
    } else if (step == "symlink") {
      fs::create_symlink(first, to);
    } else if (step == "fifo") {
      mkfifo(path.c_str(), 0600);
    } else if (step == "flock") {
      planted.flocks.emplace_back(open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0600));
      flock(planted.flocks.back().get(), LOCK_EX);
    } else if (step == "env") {
      const auto eq = first.find('=');
      planted.env[first.substr(0, eq)] = eq == std::string::npos ? "\x01" : first.substr(eq + 1);
    } else if (step == "limit-file-size") {
      planted.prefix = {"/bin/sh", "-c", "ulimit -f " + first + "; exec \"$@\"", "sh"};
    } else if (step == "run-as") {
      planted.prefix = {"/usr/sbin/runuser", "-u", first, "--"};
    } else if (step == "signal") {
      const int number = first == "SIGINT" ? SIGINT : first == "SIGHUP" ? SIGHUP : SIGTERM;
      // To the program itself: faketime, which started it, passes no signal on.
      std::istringstream children(test::ReadFileBytes("/proc/" + std::to_string(pid) + "/task/" +
                                                      std::to_string(pid) + "/children"));
      for (int child; children >> child;) kill(child, number);
    } else if (!step.empty()) {
      return false;
    }
  }
  return true;
}

// faketime names its semaphore and shared memory after its own pid and leaves them behind when
// it is killed; a later faketime given the same pid then fails ("sem_open: File exists"). Those
// of pids no longer running are removed.
void RemoveStaleFaketimeFiles() {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/dev/shm", ec)) {
    static const std::regex kName(R"((sem\.faketime_sem_|faketime_shm_)(\d+))");
    std::smatch m;
    const std::string name = entry.path().filename().string();
    if (std::regex_match(name, m, kName) && kill(std::stoi(m[2].str()), 0) != 0 && errno == ESRCH) {
      fs::remove(entry.path(), ec);
    }
  }
}

// Waits (a minute at most) for a file whose path (from `work`) matches `pattern` (fnmatch) and,
// when `written`, holds bytes: a new output is made empty before its first block is written.
bool Appears(const std::string& work, const std::string& pattern, bool written) {
  const fs::path whole = fs::path(work) / pattern;
  for (int i = 0; i < 60000; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(1))) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(whole.parent_path(), ec)) {
      if (fnmatch(whole.c_str(), entry.path().c_str(), FNM_PATHNAME) != 0) continue;
      if (!written) return true;
      const auto size = fs::file_size(entry.path(), ec);
      if (!ec && size > 0) return true;
    }
  }
  return false;
}

// Every file under `root` by its path from there: a link as where it points, a FIFO as such.
std::map<std::string, fs::path> FilesUnder(const fs::path& root) {
  std::map<std::string, fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_directory() || entry.is_symlink()) {
      files[entry.path().lexically_relative(root).generic_string()] = entry.path();
    }
  }
  return files;
}

std::string Bytes(const fs::path& path) {
  const fs::file_status status = fs::symlink_status(path);
  if (fs::is_symlink(status)) return "symbolic link to " + fs::read_symlink(path).string() + "\n";
  if (fs::is_fifo(status)) return "FIFO\n";
  return path.extension() == ".XLSX" ? WorkbookCells(path) : test::ReadFileBytes(path.string());
}

// The connect string's key=value pairs, as a DSN entry takes them.
std::map<std::string, std::string> DsnEntry(const std::string& connect) {
  std::map<std::string, std::string> entry;
  std::istringstream in(connect);
  for (std::string pair; std::getline(in, pair, ';');) {
    const auto eq = pair.find('=');
    if (eq == std::string::npos) continue;
    std::string value = pair.substr(eq + 1);
    if (value.size() >= 2 && value.front() == '{' && value.back() == '}') {
      value = value.substr(1, value.size() - 2);
    }
    entry[pair.substr(0, eq)] = value;
  }
  // psqlODBC reads the user of a data source from Username.
  if (entry.count("UID")) entry["Username"] = entry["UID"];
  return entry;
}

class CaseFileTest : public ::testing::Test {
 public:
  CaseFileTest(fs::path folder, Engine engine) : folder_(std::move(folder)), engine_(engine) {}

  void TestBody() override {
    std::string why;
    std::optional<test::Driver> driver = test::OpenDriver(engine_, &why);
    if (!driver) GTEST_SKIP() << why;
    const std::map<std::string, std::string> conf = ReadConf(folder_);
    // The data: setup.<engine>.sql where the engines differ, else setup.sql.
    for (const fs::path& setup : {folder_ / (std::string("setup.") + FolderName(engine_) + ".sql"),
                                  folder_ / "setup.sql"}) {
      if (fs::exists(setup)) {
        driver->Exec(test::ReadFileBytes(setup.string()));
        break;
      }
    }
    test::OdbcSandbox::Get().AddDsn("KXCASE", DsnEntry(driver->connect));

    const std::string dir = test::MakeTempDir("case");
    const std::string exe = test::InstallKelvax(dir);
    const std::string work = test::MakeTempDir("casework");
    const fs::path own_job = folder_ / (std::string("job.") + FolderName(engine_) + ".ini");
    test::WriteFileBytes(
        work + "/job.ini",
        test::ReadFileBytes((fs::exists(own_job) ? own_job : folder_ / "job.ini").string()));
    // files/: what the job reads from its own folder (a driver's script, say), not compared.
    std::set<std::string> given = {"job.ini"};
    if (fs::exists(folder_ / "files")) {
      for (const auto& entry : fs::directory_iterator(folder_ / "files")) {
        fs::copy_file(entry.path(), work + "/" + entry.path().filename().string());
        given.insert(entry.path().filename().string());
      }
    }
    Planted planted;
    // Standard error in UTF-8 whatever the machine's locale.
    planted.env = {{"LANG", "C.UTF-8"}, {"LC_ALL", "\x01"}, {"LC_CTYPE", "\x01"}};
    // No display, whatever the machine: the run is the one a scheduler starts.
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "WAYLAND_SOCKET"})
      planted.env[name] = "\x01";
    const std::string before = test::ReadFileBytes((folder_ / "before").string());
    if (geteuid() != 0 && (before.find("chown ") != std::string::npos ||
                           before.find("run-as ") != std::string::npos)) {
      GTEST_SKIP() << "another user's files need root";
    }
    ASSERT_TRUE(Plant(before, dir, work, planted)) << "a step in `before` is unknown or failed";
    std::vector<std::string> argv = planted.prefix;
    RemoveStaleFaketimeFiles();
    argv.insert(argv.end(), {"faketime", "-f", conf.at("date"), exe});
    // The job's path goes last, unless the arguments place it (@JOB@) or there is none.
    std::string args = conf.count("args") ? conf.at("args") : "";
    const std::string job = conf.count("job") ? conf.at("job") : "job.ini";
    if (job != "none" && args.find("@JOB@") == std::string::npos) args += " @JOB@";
    for (const std::string& arg : Words(args)) {
      argv.push_back(Replaced(Replaced(arg, "@JOB@", work + "/" + job), "@WORK@", work));
    }
    // tty = yes: standard error is a terminal (raw: the bytes as the program wrote them).
    int terminal = -1, its_side = -1;
    if (conf.count("tty") && conf.at("tty") == "yes") {
      ASSERT_EQ(openpty(&terminal, &its_side, nullptr, nullptr, nullptr), 0);
      termios raw{};
      tcgetattr(its_side, &raw);
      cfmakeraw(&raw);
      tcsetattr(its_side, TCSANOW, &raw);
    }
    test::StartedProgram started = test::StartProgram(argv, planted.env, work, its_side);
    std::string shown;  // what the terminal received, read while the program runs
    std::thread reader;
    if (terminal >= 0) {
      close(its_side);
      reader = std::thread([&] {
        char buf[4096];
        for (ssize_t n; (n = read(terminal, buf, sizeof buf)) > 0;) {
          shown.append(buf, static_cast<std::size_t>(n));
        }
      });
    }
    // during = once PATH STEP: the step is taken once a file matching PATH (from the job's
    // folder; a pattern, `out/.OUT.TXT.kelvax-*`) is there; `once-written`: once it holds bytes.
    if (conf.count("during")) {
      std::istringstream during(Replaced(conf.at("during"), "@DIR@", dir));
      std::string once, path, step;
      during >> once >> path;
      std::getline(during >> std::ws, step);
      EXPECT_TRUE(once == "once" || once == "once-written") << once;
      EXPECT_TRUE(Appears(work, path, once == "once-written")) << path << ": never there";
      EXPECT_TRUE(Plant(step, dir, work, planted, started.pid)) << "`during` is unknown or failed";
    }
    test::ProcessResult run = started.Wait();
    if (reader.joinable()) {
      reader.join();
      run.err = shown;
      close(terminal);
    }
    planted = {};

    // What the run left: its exit status, standard error, and every file in its folder; the
    // folders' own paths as @DIR@ and @WORK@.
    std::map<std::string, std::string> actual;
    // The ODBC configuration's folder (where a driver library is looked for) as @ODBC@.
    const std::string odbc = test::OdbcSandbox::Get().Environment().at("ODBCSYSINI");
    // The random part of an unfinished file's name (".OUT.TXT.kelvax-XXXXXX") as XXXXXX.
    static const std::regex unfinished(R"(\.kelvax-[A-Za-z0-9]{6})");
    auto masked = [&](const std::string& bytes) {
      return std::regex_replace(
          Replaced(Replaced(Replaced(bytes, dir, "@DIR@"), work, "@WORK@"), odbc, "@ODBC@"),
          unfinished, ".kelvax-XXXXXX");
    };
    actual["exit"] = std::to_string(run.exit_status) + "\n";
    if (!run.err.empty()) actual["stderr"] = masked(run.err);
    if (!run.out.empty()) actual["stdout"] = masked(run.out);
    for (const auto& [name, path] : FilesUnder(dir)) {
      if (name != "kelvax") actual[masked(name)] = masked(Bytes(path));
    }
    // Files the run made in its working folder: none, unless a case expects one there.
    for (const auto& [name, path] : FilesUnder(work)) {
      if (!given.count(name)) actual["cwd." + masked(name)] = masked(Bytes(path));
    }
    for (const std::string& name : Words(conf.count("ignore") ? conf.at("ignore") : "")) {
      EXPECT_EQ(actual.erase(name), 1u) << name << ": not left by the run";
    }
    if (std::getenv("KELVAX_REGENERATE")) return Regenerate(actual);

    std::set<std::string> names;
    for (const auto& [name, bytes] : actual) names.insert(name);
    for (const fs::path& expected : {folder_ / "expected", EngineFolder()}) {
      if (!fs::exists(expected)) continue;
      for (const auto& [name, path] : FilesUnder(expected)) names.insert(name);
    }
    for (const std::string& name : names) {
      const fs::path path = Expected(name);
      const auto it = actual.find(name);
      if (!fs::exists(path)) {
        ADD_FAILURE() << name << ": left by the run, not expected";
      } else if (it == actual.end()) {
        ADD_FAILURE() << name << ": expected, not left by the run";
      } else {
        EXPECT_EQ(it->second, test::ReadFileBytes(path.string())) << name << " (" << path << ")";
      }
    }
  }

 private:
  fs::path EngineFolder() const {
    return folder_ / (std::string("expected.") + FolderName(engine_));
  }
  // The engine's own expected file where there is one, else the shared one.
  fs::path Expected(const std::string& name) const {
    const fs::path own = EngineFolder() / name;
    return fs::exists(own) ? own : folder_ / "expected" / name;
  }

  // The first engine of the case writes expected/; another writes expected.<engine>/ only for
  // the files where it differs.
  void Regenerate(const std::map<std::string, std::string>& actual) {
    const bool first = Words(ReadConf(folder_).at("engines")).front() == FolderName(engine_);
    const fs::path target = first ? folder_ / "expected" : EngineFolder();
    fs::remove_all(target);
    for (const auto& [name, bytes] : actual) {
      const fs::path shared = folder_ / "expected" / name;
      if (!first && fs::exists(shared) && test::ReadFileBytes(shared.string()) == bytes) {
        fs::remove(target / name);
        continue;
      }
      fs::create_directories((target / name).parent_path());
      test::WriteFileBytes((target / name).string(), bytes);
    }
    if (!first && fs::exists(target) && fs::is_empty(target)) fs::remove(target);
  }

  fs::path folder_;
  Engine engine_;
};

// One test per case and engine, named <group>_<case>/<Engine> so that each server's cases run
// in the CTest test of that server.
const bool kRegistered = [] {
  const fs::path root = fs::path(KELVAX_SOURCE_DIR) / "tests" / "cases";
  if (!fs::exists(root)) return false;
  std::vector<fs::path> cases;
  for (const auto& group : fs::directory_iterator(root)) {
    if (!group.is_directory()) continue;
    for (const auto& c : fs::directory_iterator(group.path())) {
      if (fs::exists(c.path() / "job.ini")) cases.push_back(c.path());
    }
  }
  std::sort(cases.begin(), cases.end());
  for (const fs::path& c : cases) {
    std::string name = c.parent_path().filename().string() + "_" + c.filename().string();
    // A '-' or ':' would be read as part of a filter by the test runner.
    std::replace_if(
        name.begin(), name.end(),
        [](char ch) { return !std::isalnum(static_cast<unsigned char>(ch)); }, '_');
    for (const std::string& word : Words(ReadConf(c).at("engines"))) {
      for (Engine engine : test::kAllEngines) {
        if (word != FolderName(engine)) continue;
        std::ostringstream engine_name;
        test::PrintTo(engine, &engine_name);
        ::testing::RegisterTest("CaseFiles", (name + "/" + engine_name.str()).c_str(), nullptr,
                                nullptr, __FILE__, __LINE__, [c, engine]() -> ::testing::Test* {
                                  return std::make_unique<CaseFileTest>(c, engine).release();
                                });
      }
    }
  }
  return true;
}();

}  // namespace
}  // namespace kelvax
