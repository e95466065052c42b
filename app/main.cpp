// kelvax [JOBFILE]: runs a job file unattended and exits; without one, opens the command center.
// With a display the run shows the progress window; without one (cron) it runs without windows.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
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

#ifdef KELVAX_HAVE_UI
#include "ui/clipboard_holder.h"
#include "ui/desktop_session.h"
#include "ui/display_probe.h"
#endif

namespace {

constexpr int kExitAnotherInstance = 3;
constexpr int kExitRunFailed = 2;

void PrintUsage(FILE* to) {
  std::fprintf(to,
               "Usage: kelvax [JOBFILE]\n"
               "  Runs the tasks of JOBFILE (sections CONNECTION01..CONNECTION99) and exits.\n"
               "  Without JOBFILE the command center opens.\n"
               "  The run log SQLLOG.txt is written beside the executable.\n"
               "  Without a display the job runs without windows; the clipboard (OUTPUT=CRIP)\n"
               "  then fails.\n"
               "Exit status: 0 no failure, 1 a task failed, 2 the run failed or was cut,\n"
               "  3 another instance was running.\n"
               "  --help     show this text\n"
               "  --version  show the version\n");
}

int Finish(const kelvax::RunResult& result, const kelvax::RunLog& log) {
  if (result.log_failed) {
    std::fprintf(stderr, "kelvax: cannot write the run log %s: %s\n", log.path().c_str(),
                 log.broken_status().description().c_str());
  }
  return result.ExitStatus();
}

bool DisplayNamed() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* v = std::getenv(name);
    if (v && *v) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kelvax;
#ifdef KELVAX_HAVE_UI
  // A clipboard holder started by an earlier CRIP task: no lock, no log.
  if (argc == 2 && std::strcmp(argv[1], ui::kHoldClipboardOption) == 0) {
    return ui::RunClipboardHolder();
  }
#endif
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
  JobTask task;

#ifdef KELVAX_HAVE_UI
  const std::string qt_platform = ui::UsableQtPlatform();
  if (!qt_platform.empty()) {
    ui::DesktopSession desktop(qt_platform);
    if (cl.job_path.empty()) return desktop.RunCommandCenter();
    return Finish(RunJobFile(ResolvePath(cl.job_path), task, log, StandardWorkers(), desktop.host()),
                  log);
  }
#endif

  if (cl.job_path.empty()) {
    std::fprintf(stderr, "kelvax: the command center needs a display; no job file given\n");
    PrintUsage(stderr);
    return kExitRunFailed;
  }
  HeadlessHost host(DisplayNamed(), isatty(STDERR_FILENO) == 1);
  return Finish(RunJobFile(ResolvePath(cl.job_path), task, log, StandardWorkers(), host), log);
}
