#include "tests/ui/support/desktop.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

#include "tests/support/sandbox.h"

namespace fs = std::filesystem;

namespace kelvax::test {

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

Child::Child(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
             const std::string& cwd, int stderr_fd)
    : started_(StartProgram(argv, env, cwd, stderr_fd)), pid_(started_.pid) {}

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

std::string Child::out() const { return ReadFileBytes(started_.out_file); }
std::string Child::err() const { return ReadFileBytes(started_.err_file); }

int RunTool(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
            std::string* out, int timeout_ms) {
  Child child(argv, env);
  if (!child.Wait(timeout_ms)) return -1;  // the destructor kills it
  if (out) *out = child.out();
  return child.exit_status();
}

XServer::XServer() {
  // The server writes its display number once it accepts connections.
  xvfb_ = std::make_unique<Child>(
      std::vector<std::string>{"Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24",
                               "-nolisten", "tcp", "-noreset"},
      std::map<std::string, std::string>{});
  std::string number;
  WaitUntil([&] { return (number = xvfb_->out()).ends_with("\n") || !xvfb_->running(); }, 20000);
  if (number.ends_with("\n")) display_ = ":" + number.substr(0, number.size() - 1);
}

XServer::~XServer() {
  kill(xvfb_->pid(), SIGTERM);
  xvfb_->Wait(5000);  // then the Child kills what is left
}

std::map<std::string, std::string> XServer::Env() const {
  return {{"DISPLAY", display_}, {"WAYLAND_DISPLAY", "\x01"}, {"QT_QPA_PLATFORM", "\x01"}};
}

bool HaveTool(const std::string& name) {
  std::stringstream dirs(std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    if (access((dir + "/" + name).c_str(), X_OK) == 0) return true;
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
    if (ReadFileBytes(entry.path().string() + "/cmdline") == wanted) ++n;  // "" once ended
  }
  return n;
}

}  // namespace kelvax::test
