#include "tests/ui/support/desktop.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "tests/support/sandbox.h"

namespace fs = std::filesystem;

namespace kelvax::test {

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

Child::Child(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
             const std::string& cwd, int stderr_fd) {
  StartedProgram started = StartProgram(argv, env, cwd, stderr_fd);
  pid_ = started.pid;
  out_file_ = started.out_file;
  err_file_ = started.err_file;
}

Child::~Child() {
  if (pid_ > 0 && running()) {
    kill(-pid_, SIGKILL);
    Wait(5000);
  }
}

bool Child::running() {
  if (pid_ <= 0 || exit_status_ >= 0) return false;
  int raw = 0;
  pid_t r = waitpid(pid_, &raw, WNOHANG);
  if (r == pid_) {
    exit_status_ = ExitStatusOf(raw);
    return false;
  }
  return r == 0;
}

bool Child::Wait(int timeout_ms) {
  return WaitUntil([this] { return !running(); }, timeout_ms);
}

std::string Child::out() const { return ReadFileBytes(out_file_); }
std::string Child::err() const { return ReadFileBytes(err_file_); }

int RunTool(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
            std::string* out, int timeout_ms) {
  Child child(argv, env);
  if (!child.Wait(timeout_ms)) return -1;  // the destructor kills it
  if (out) *out = child.out();
  return child.exit_status();
}

XServer::XServer() {
  int fds[2];
  if (pipe(fds) != 0) return;
  pid_ = fork();
  if (pid_ == 0) {
    close(fds[0]);
    if (fds[1] != 3) {
      dup2(fds[1], 3);
      close(fds[1]);
    }
    int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp",
           "-noreset", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  // The server writes its display number once it accepts connections.
  std::string number;
  pollfd p{fds[0], POLLIN, 0};
  while (poll(&p, 1, 20000) > 0) {
    char c;
    if (read(fds[0], &c, 1) != 1 || c == '\n') break;
    number.push_back(c);
  }
  close(fds[0]);
  if (!number.empty()) display_ = ":" + number;
}

XServer::~XServer() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  int raw;
  for (int i = 0; i < 100 && waitpid(pid_, &raw, WNOHANG) == 0; ++i) SleepMs(50);
  if (waitpid(pid_, &raw, WNOHANG) == 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, &raw, 0);
  }
}

std::map<std::string, std::string> XServer::Env() const {
  return {{"DISPLAY", display_}, {"WAYLAND_DISPLAY", "\x01"}, {"QT_QPA_PLATFORM", "\x01"}};
}

bool HaveTool(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t at = 0;
  while (at <= dirs.size()) {
    size_t end = dirs.find(':', at);
    if (end == std::string::npos) end = dirs.size();
    if (access((dirs.substr(at, end - at) + "/" + name).c_str(), X_OK) == 0) return true;
    at = end + 1;
  }
  return false;
}

int CountProcesses(const std::vector<std::string>& argv) {
  std::string wanted;
  for (const auto& a : argv) wanted += a + '\0';
  int n = 0;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/proc", ec)) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::string cmdline;
    try {
      cmdline = ReadFileBytes(entry.path().string() + "/cmdline");
    } catch (...) {
      continue;  // ended meanwhile
    }
    if (cmdline == wanted) ++n;
  }
  return n;
}

}  // namespace kelvax::test
