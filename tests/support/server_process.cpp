#include "tests/support/server_process.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "tests/support/sandbox.h"

namespace kelvax::test {

std::string MakeServerFolder(const std::string& prefix, const std::string& owner) {
  std::string templ = "/tmp/" + prefix + "-XXXXXX";
  if (!mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
  if (!owner.empty()) {
    passwd* pw = getpwnam(owner.c_str());
    if (!pw) throw std::runtime_error("there is no " + owner + " user");
    if (chown(templ.c_str(), pw->pw_uid, pw->pw_gid) != 0) {
      throw std::runtime_error("cannot hand " + templ + " to the " + owner + " user");
    }
  }
  chmod(templ.c_str(), 0700);
  return templ;
}

std::string RunOrThrow(std::vector<std::string> argv, const std::map<std::string, std::string>& env,
                       const std::string& input) {
  std::map<std::string, std::string> all = env;
  all.emplace("LC_ALL", "C");
  const std::string dir = input.empty() ? "" : MakeTempDir("kelvax-input");
  if (!input.empty()) {
    WriteFileBytes(dir + "/input", input);
    argv.insert(argv.begin(), {"/bin/sh", "-c", "exec \"$@\" < \"$0\"", dir + "/input"});
  }
  ProcessResult r = RunProgram(argv, all, "/");
  if (!dir.empty()) std::filesystem::remove_all(dir);
  if (r.exit_status != 0) {
    throw std::runtime_error(argv[input.empty() ? 0 : 4] + " failed (" +
                             std::to_string(r.exit_status) + ") on: " + input.substr(0, 200) +
                             "\n" + r.out + r.err);
  }
  while (!r.out.empty() && (r.out.back() == '\n' || r.out.back() == '\r')) r.out.pop_back();
  return r.out;
}

void ServerWatchdog::Arm(const std::string& script, const std::vector<std::string>& args) {
  Disarm();
  // A byte on the pipe means "stopped in order"; end of file means this process died.
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[1]);
    setsid();  // out of the test's process group: a kill of the group must not take it along
    char byte;
    ssize_t n;
    do n = read(fds[0], &byte, 1);
    while (n < 0 && errno == EINTR);
    if (n == 1) _exit(0);
    std::vector<char*> argv = {const_cast<char*>("/bin/sh"), const_cast<char*>("-c"),
                               const_cast<char*>(script.c_str()), const_cast<char*>("sh")};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv("/bin/sh", argv.data());
    _exit(127);
  }
  close(fds[0]);
  if (pid < 0) {
    close(fds[1]);
    throw std::runtime_error("fork failed");
  }
  fd_ = fds[1];
  pid_ = pid;
}

void ServerWatchdog::Disarm() {
  if (fd_ < 0) return;
  char byte = 'q';
  ssize_t ignored = write(fd_, &byte, 1);
  (void)ignored;
  close(fd_);
  fd_ = -1;
  int status;
  waitpid(pid_, &status, 0);
  pid_ = -1;
}

}  // namespace kelvax::test
