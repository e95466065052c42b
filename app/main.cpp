// kelvax [--date DAY] [JOBFILE]: runs a job file unattended and exits; without one, opens the
// command center. kelvax --check JOBFILE lists what a run would do and runs nothing.
// With a display the run shows the progress window; without one (cron) it runs without windows.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/headless_host.h"
#include "app/job_report.h"
#include "app/run_lock.h"
#include "app/show_log.h"
#include "app/standard_workers.h"
#include "engine/job_task.h"
#include "engine/log_text.h"
#include "engine/run_log.h"
#include "engine/runner.h"
#include "platform/fs/atomic_file.h"
#include "platform/fs/fd.h"
#include "platform/fs/file_ops.h"
#include "platform/fs/folders.h"
#include "platform/fs/instance_lock.h"
#include "platform/fs/resolve_path.h"
#include "platform/odbc/utf8_ctype.h"
#include "platform/process/fatal_signal.h"
#include "platform/process/heap.h"
#include "platform/process/process_umask.h"
#include "platform/process/stop_signal.h"
#include "platform/sqlite/sqlite_mode.h"
#include "platform/time/clock.h"

#ifdef KELVAX_HAVE_UI
#include "engine/password_mask.h"
#include "ui/clipboard_holder.h"
#include "ui/module/desktop_module.h"
#endif

namespace {

constexpr int kExitAnotherInstance = 3;
constexpr int kExitRunFailed = 2;

void PrintUsage(FILE* to) {
  const kelvax::ProgramFolders folders = kelvax::CurrentProgramFolders();
  std::fprintf(to,
               "Usage: kelvax [--date YYYY-MM-DD] [--log FILE] [--wait[=SECONDS]] [JOBFILE]\n"
               "       kelvax -n|--check [--date YYYY-MM-DD] JOBFILE\n"
               "       kelvax --show-log [--log FILE | FILE]\n"
               "       kelvax -h|--help | -V|--version\n"
               "  Runs the tasks of JOBFILE (sections CONNECTION01..CONNECTION99) and exits.\n"
               "  Without JOBFILE the command center opens.\n"
               "  Statements, connect strings and paths are used as written; keywords\n"
               "  (OUTPUT kinds, ON/OFF, command names, %%MACROS%%) in any case. A job with no\n"
               "  task to run is a failed run.\n"
               "  Mistakes in JOBFILE (unknown keys, skipped lines and sections) are warned\n"
               "  about on standard error; a run that fails says why there.\n"
               "  Without a display the job runs without windows; the clipboard (OUTPUT=CRIP)\n"
               "  then fails.\n"
               "Exit status: 0 no failure, 1 a task failed, 2 the run failed or was cut (or\n"
               "  the command line was wrong), 3 another instance was running.\n"
               "  -n, --check     list the tasks as a run would do them (macros expanded,\n"
               "                  passwords masked), the file's encoding and the warnings;\n"
               "                  connects to nothing, writes no log; exit status 0 when\n"
               "                  there is nothing to warn about, else 1\n"
               "      --date D    compute the date macros from day D (YYYY-MM-DD), to redo a\n"
               "                  missed run; the run log keeps the real time\n"
               "      --log FILE  write this run's log to FILE (begun anew; its folder must be\n"
               "                  the user's alone); the lock is beside it, so that jobs with\n"
               "                  logs of their own run side by side\n"
               "      --wait[=S]  wait for another instance with the same log to end (at most\n"
               "                  S seconds) instead of exiting with status 3\n"
               "      --show-log  print the run log (or FILE) in the terminal's encoding; the\n"
               "                  log itself is code page 932\n"
               "  -h, --help      show this text\n"
               "  -V, --version   show the version\n"
               "  Options may come in any order; -- ends them. One job file only: quote a\n"
               "  path with blanks.\n"
               "Files: the run log SQLLOG.txt (and %%PATH%%) in %s\n"
               "  RunConfig.ini and the command center's job kelvax.ini in %s\n",
               folders.state.c_str(), folders.config.c_str());
}

// Every line this program writes to standard error: masked as a run-log record is, with the
// run's own passwords once a run has read them.
void PrintError(const std::string& text, const kelvax::RunLog* log = nullptr) {
  const std::string line = log ? log->Mask(text) : kelvax::MaskPassword(text);
  std::fprintf(stderr, "kelvax: %s\n", line.c_str());
}

int Finish(const kelvax::RunResult& result, const kelvax::RunLog& log) {
  // Once a run, not once a file: a killed run may have left one beside each output.
  if (const std::vector<std::string> removed = kelvax::TakeRemovedLeftovers(); !removed.empty()) {
    PrintError("removed " + std::to_string(removed.size()) +
                   " unfinished file(s) a killed run had left beside its outputs, " +
                   removed.front() + (removed.size() > 1 ? " and others" : ""),
               &log);
  }
  if (result.log_failed) {
    PrintError("cannot write the run log " + log.path() + ": " + log.broken_status().description(),
               &log);
  }
  kelvax::PrintRunSummary(result, log, stderr);
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
  RememberUmask();
  odbc::UseUtf8Ctype();
  PrepareSqliteForOneThreadPerConnection();
  KeepFreedHeapForReuse();
#ifdef KELVAX_HAVE_UI
  // A clipboard holder started by an earlier CRIP task: no lock, no log.
  if (argc == 2 && std::strcmp(argv[1], ui::kHoldClipboardOption) == 0) {
    std::string why;
    const ui::DesktopModule* desktop = ui::LoadDesktopModule(why);
    return desktop ? desktop->hold_clipboard() : 1;
  }
#endif
  CommandLine cl = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (cl.help) {
    PrintUsage(stdout);
    return 0;
  }
  if (cl.version) {
    std::printf("kelvax %s\n", KELVAX_VERSION);
    return 0;
  }
  // A mistyped command line touches nothing: no lock, no log.
  if (!cl.error.empty()) {
    PrintError(cl.error + "; try kelvax --help");
    return kExitRunFailed;
  }
  // Reading a log takes no lock and changes nothing.
  if (cl.show_log) {
    return ShowLog(cl.job_path.empty() ? RunFilesFor(CurrentProgramFolders().state, cl.log_path).log
                                       : cl.job_path,
                   stdout, stderr);
  }
  const std::tm macro_day = cl.has_date ? cl.date : LocalNow();
  if (cl.check) return CheckJobFile(ResolvePath(cl.job_path), macro_day, stdout, stderr);

  const ProgramFolders folders = CurrentProgramFolders();
  if (Status made = MakeFolder(folders.state); !made) {
    PrintError("cannot use the run log's folder: " + made.description() + "; nothing was run");
    return kExitRunFailed;
  }
  // The command center's job and settings are read from there.
  if (Status own = CheckOwnFolder(folders.config); !own) {
    PrintError("cannot use the settings folder: " + own.description() + "; nothing was run");
    return kExitRunFailed;
  }
  const RunFiles files = RunFilesFor(folders.state, cl.log_path);
  if (Status made = MakeFolder(files.lock_folder); !made) {
    PrintError("cannot use the run log's folder: " + made.description() + "; nothing was run");
    return kExitRunFailed;
  }
  InstanceLock lock;
  if (Status held =
          HoldRunLock(lock, files, cl.wait, cl.wait_seconds, stderr, isatty(STDERR_FILENO) == 1);
      !held) {
    PrintError(held.description() + "; nothing was run");
    return kExitAnotherInstance;
  }

  RunLog log(files.log);
  // An old log that cannot be removed is written after; an unwritable one fails the probe below.
  if (FileExists(log.path()) == -1) (void)RemoveFile(log.path());
  // A log that cannot be written would end the run after its first task: find out before any.
  // (The command center starts with no log; its runs report a broken one in the window.)
  if (!cl.job_path.empty()) {
    if (Fd probe(
            open(log.path().c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0666));
        probe.get() < 0) {
      PrintError("cannot write the run log " + log.path() + ": " + std::strerror(errno) +
                 "; nothing was run");
      return kExitRunFailed;
    }
  }
  // A driver that crashes mid-task still leaves a record of which task died, and no hidden
  // unfinished output.
  InstallFatalSignalRecord(log.path(),
                           [&log](const std::string& text) { return log.MaskedBytes(text); });
  JobTask task;
  const std::tm* day = cl.has_date ? &cl.date : nullptr;
  // The job named on the command line is read once: the warnings describe the file that runs,
  // even if it is replaced meanwhile.
  const std::string job_path = cl.job_path.empty() ? std::string() : ResolvePath(cl.job_path);
  const IniFile job = job_path.empty() ? IniFile() : IniFile::Load(job_path);
  if (!job_path.empty()) PrintJobWarnings(job_path, job, macro_day, stderr);

  // The windows are loaded only where a display may be there (or a Qt platform is chosen). A
  // server has the program without them (no package kelvax-gui): no fault, said where a window
  // is asked for.
  const char* chosen = std::getenv("QT_QPA_PLATFORM");
  const bool windows_wanted = DisplayNamed() || (chosen && *chosen);
  bool windows_installed = false;
#ifdef KELVAX_HAVE_UI
  windows_installed = ui::DesktopModuleInstalled();
  if (windows_wanted && windows_installed) {
    std::string why;
    if (const ui::DesktopModule* desktop = ui::LoadDesktopModule(why)) {
      const std::string qt_platform = desktop->usable_platform();
      if (!qt_platform.empty()) {
        // The settings are saved there; a save that fails says so in its window.
        if (cl.job_path.empty()) (void)MakeFolder(folders.config);
        // The job named on the command line runs as read above; the command center's own job
        // file is read at each run, as its window may have changed it.
        const ui::JobRun run_job = [&](const std::string& path, RunHost& host) {
          StopSignals stop;
          const RunResult result =
              job_path.empty()
                  ? RunJobFile(ResolvePath(path), task, log, StandardWorkers(), host, day)
                  : RunJobFile(job_path, job, task, log, StandardWorkers(), host, day);
          return ui::JobOutcome{Finish(result, log), FailureToShow(result, log), log.path()};
        };
        return desktop->run(qt_platform, cl.job_path, run_job);
      }
    } else {
      PrintError("the windows cannot be loaded (" + why + "); running without them");
    }
  }
#endif

  if (cl.job_path.empty()) {
    PrintError(windows_installed ? "the command center needs a display; no job file given"
                                 : "the command center needs the windows, which are not installed "
                                   "(package kelvax-gui); no job file given");
    PrintUsage(stderr);
    return kExitRunFailed;
  }
  HeadlessHost host(DisplayNamed(), isatty(STDERR_FILENO) == 1);
  if (windows_wanted && !windows_installed) host.WindowsNotInstalled();
  StopSignals stop;
  return Finish(RunJobFile(job_path, job, task, log, StandardWorkers(), host, day), log);
}
