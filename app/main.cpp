// kelvax [JOBFILE]: runs a job file unattended and exits; without one, opens the command center.
#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/headless_host.h"
#include "app/standard_workers.h"
#include "engine/job_task.h"
#include "engine/run_log.h"
#include "engine/runner.h"
#include "platform/file_ops.h"
#include "platform/folders.h"
#include "platform/instance_lock.h"
#include "platform/resolve_path.h"

namespace {

constexpr int kExitAnotherInstance = 3;
constexpr int kExitRunFailed = 2;

void PrintUsage(FILE* to) {
  std::fprintf(to,
               "Usage: kelvax [JOBFILE]\n"
               "  Runs the tasks of JOBFILE (sections CONNECTION01..CONNECTION99) and exits.\n"
               "  Without JOBFILE the command center opens.\n"
               "  The run log SQLLOG.txt is written beside the executable.\n"
               "Exit status: 0 no failure, 1 a task failed, 2 the run failed or was cut,\n"
               "  3 another instance was running.\n"
               "  --help     show this text\n"
               "  --version  show the version\n");
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kelvax;
  CommandLine cl = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (cl.help) { PrintUsage(stdout); return 0; }
  if (cl.version) { std::printf("kelvax %s\n", KELVAX_VERSION); return 0; }
  if (!cl.unknown_option.empty()) {
    std::fprintf(stderr, "kelvax: unknown option %s\n", cl.unknown_option.c_str());
    PrintUsage(stderr);
    return kExitRunFailed;
  }

  const std::string folder = ExecutableFolder();
  InstanceLock lock;
  if (!lock.Acquire(folder)) {
    std::fprintf(stderr, "kelvax: another instance is running from %s; nothing was run\n",
                 folder.c_str());
    return kExitAnotherInstance;
  }

  RunLog log(DefaultRunLogPath());
  if (FileExists(log.path()) == -1) RemoveFile(log.path());

  if (cl.job_path.empty()) {
    std::fprintf(stderr, "kelvax: no job file given\n");
    PrintUsage(stderr);
    return kExitRunFailed;
  }

  HeadlessHost host;
  JobTask task;
  RunResult result = RunJobFile(ResolvePath(cl.job_path), task, log, StandardWorkers(), host);
  if (result.log_failed) {
    std::fprintf(stderr, "kelvax: cannot write the run log %s: %s\n", log.path().c_str(),
                 log.broken_status().description().c_str());
  }
  return result.ExitStatus();
}
