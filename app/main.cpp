// kelvax [JOBFILE]: runs a job file unattended and exits; without one, opens the command center.
// With a display the run shows the progress window; without one (cron) it runs without windows.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
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
#include "platform/stop_signal.h"

#ifdef KELVAX_HAVE_UI
#include "ui/clipboard_holder.h"
#include "ui/module/desktop_module.h"
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
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "WAYLAND_SOCKET"}) {
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
    std::string why;
    const ui::DesktopModule* desktop = ui::LoadDesktopModule(why);
    return desktop ? desktop->hold_clipboard() : 1;
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
  // The windows are loaded only where a display may be there (or a Qt platform is chosen).
  const char* chosen = std::getenv("QT_QPA_PLATFORM");
  if (DisplayNamed() || (chosen && *chosen)) {
    std::string why;
    if (const ui::DesktopModule* desktop = ui::LoadDesktopModule(why)) {
      const std::string qt_platform = desktop->usable_platform();
      if (!qt_platform.empty()) {
        if (cl.job_path.empty()) return desktop->run(qt_platform, nullptr);
        const std::function<int(RunHost&)> job = [&](RunHost& host) {
          StopSignals stop;
          return Finish(RunJobFile(ResolvePath(cl.job_path), task, log, StandardWorkers(), host),
                        log);
        };
        return desktop->run(qt_platform, &job);
      }
    } else {
      std::fprintf(stderr, "kelvax: the windows cannot be loaded (%s); running without them\n",
                   why.c_str());
    }
  }
#endif

  if (cl.job_path.empty()) {
    std::fprintf(stderr, "kelvax: the command center needs a display; no job file given\n");
    PrintUsage(stderr);
    return kExitRunFailed;
  }
  HeadlessHost host(DisplayNamed(), isatty(STDERR_FILENO) == 1);
  StopSignals stop;
  return Finish(RunJobFile(ResolvePath(cl.job_path), task, log, StandardWorkers(), host), log);
}
