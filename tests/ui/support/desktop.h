// Program tests on a desktop: a private Xvfb, child processes that run beside the test, and the
// X tools (xdotool, xclip, ImageMagick) that play the user.
#pragma once

#include <sys/types.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/sandbox.h"

namespace kelvax::test {

// A process started with the ODBC sandbox's environment plus `env` ("\x01" unsets a variable).
// Standard output and error go to files; standard error may go to `stderr_fd` instead.
class Child {
 public:
  Child(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
        const std::string& cwd = "", int stderr_fd = -1);
  ~Child();  // kills the process if it still runs
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  // Waits up to timeout_ms; true when the process ended (exit_status() then holds its status).
  bool Wait(int timeout_ms);
  bool running();
  pid_t pid() const { return pid_; }
  int exit_status() const { return exit_status_; }
  std::string out() const;
  std::string err() const;

 private:
  StartedProgram started_;
  pid_t pid_ = -1;
  int exit_status_ = -1;
};

// Runs a tool to its end (killed after timeout_ms); returns its exit status, output in `out`.
int RunTool(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
            std::string* out = nullptr, int timeout_ms = 20000);

// Xvfb on a display number it picks itself, stopped (with every client) on destruction.
class XServer {
 public:
  XServer();
  ~XServer();
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

  bool ok() const { return !display_.empty(); }
  const std::string& display() const { return display_; }  // ":97"
  // DISPLAY set to this server, Wayland and an explicit Qt platform unset.
  std::map<std::string, std::string> Env() const;

 private:
  std::unique_ptr<Child> xvfb_;
  std::string display_;
};

// Whether a program is on PATH.
bool HaveTool(const std::string& name);

// Live processes (zombies excluded) whose command line is exactly `argv`.
int CountProcesses(const std::vector<std::string>& argv);

void SleepMs(int ms);

// Polls `done` every 50 ms until it is true or timeout_ms passed.
template <typename F>
bool WaitUntil(F done, int timeout_ms) {
  for (int waited = 0;; waited += 50) {
    if (done()) return true;
    if (waited >= timeout_ms) return false;
    SleepMs(50);
  }
}

}  // namespace kelvax::test
