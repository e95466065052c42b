// What the private database servers of the tests share: a short folder under /tmp for the data
// and the socket, a program run that must succeed, and a watchdog that stops the server and
// removes its folder should the test process die without running its exit handlers.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace kelvax::test {

// A new 0700 folder under /tmp whatever TMPDIR says: a socket path must stay short (108 bytes)
// and a server's own OS user must reach it. Given an `owner`, the folder is handed to that user.
std::string MakeServerFolder(const std::string& prefix, const std::string& owner = "");

// RunProgram with the folder "/" and LC_ALL=C; throws "<what> failed (<status>): <output>" when
// the program exits non-zero. Returns its standard output.
std::string RunOrThrow(const std::vector<std::string>& argv, const std::string& what,
                       const std::map<std::string, std::string>& env = {});

// `text` without its trailing line ends.
std::string TrimLineEnds(std::string text);
// The first field of every line of `rows` (fields split by `separator`), joined with '\n'.
std::string FirstFields(const std::string& rows, char separator);

class ServerWatchdog {
 public:
  ServerWatchdog() = default;
  ~ServerWatchdog() { Disarm(); }
  ServerWatchdog(const ServerWatchdog&) = delete;
  ServerWatchdog& operator=(const ServerWatchdog&) = delete;

  // Forks a process, out of the test's process group, that waits on a pipe. Should this process
  // end without Disarm(), it runs `script` with /bin/sh, `args` as $1.., and exits.
  void Arm(const std::string& script, const std::vector<std::string>& args);
  // Tells the watchdog that the server is being stopped in order, and waits for it to go.
  void Disarm();

 private:
  int fd_ = -1;
  int pid_ = -1;
};

}  // namespace kelvax::test
