// The windows are a module of their own (kelvax_ui.so, in the package kelvax-gui), loaded only
// when a display is there: linking the window toolkit into the program itself would load some
// forty libraries (over 10 MB of memory) into every run, cron's included.
#pragma once

#include <functional>
#include <string>

#include "engine/run_host.h"

namespace kelvax::ui {

// What a run leaves to tell: the program's exit status and, for the command center, the
// failure a user must hear of.
struct JobOutcome {
  int exit_status = 0;
  // The first failure record of the run, else the fatal record that ended it, passwords masked;
  // empty when the run wrote neither or was cut by the user.
  std::string failure;
  std::string log_path;  // the run log
};

// Runs a job file to its end with the given host.
using JobRun = std::function<JobOutcome(const std::string& job_path, RunHost& host)>;

struct DesktopModule {
  // The value for QT_QPA_PLATFORM that reaches a display, or empty when none does.
  std::string (*usable_platform)();
  // Opens the desktop on `platform`. With a job path, runs that job through `run_job` with the
  // desktop's host and returns its result; with an empty one, shows the command center, whose
  // run button runs its job through `run_job`, until the program ends.
  int (*run)(const std::string& platform, const std::string& job_path, const JobRun& run_job);
  // The clipboard holder process (this executable started with kHoldClipboardOption).
  int (*hold_clipboard)();
};

// The program's module, loaded on the first call. Null when it cannot be loaded (not installed
// beside the program, or the toolkit's libraries missing); `why` then says so.
const DesktopModule* LoadDesktopModule(std::string& why);

// Whether the module's file is there at all: without it the windows are not installed, which is
// no fault (a server has the package kelvax without kelvax-gui).
bool DesktopModuleInstalled();

}  // namespace kelvax::ui

// The module's one exported name.
extern "C" const kelvax::ui::DesktopModule* KelvaxDesktopModule();
