#include "tests/support/server_process.h"

#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
  // A shell of its own process group (StartProgram's), which a kill of the test's group spares.
  std::vector<std::string> argv = {
      "/bin/sh", "-c",
      "while kill -0 " + std::to_string(getpid()) + " 2>/dev/null; do sleep 1; done; " + script,
      "sh"};
  argv.insert(argv.end(), args.begin(), args.end());
  pid_ = StartProgram(argv, {}, "/").pid;
}

void ServerWatchdog::Disarm() {
  if (pid_ <= 0) return;
  kill(-pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

}  // namespace kelvax::test
