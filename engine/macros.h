// Date and folder macros in a task's values.
#pragma once

#include <ctime>
#include <string>

#include "engine/job_task.h"

namespace kelvax {

struct MacroFolders {
  std::string desktop;     // %DTOP%
  std::string temp;        // %TEMP%, with its trailing separator
  std::string executable;  // %PATH%: the folder of the run log (the executable's, when copied)
};

// The folders of this machine and process.
MacroFolders CurrentMacroFolders();

// Replaces every occurrence of `from` by `to` in DSN01, SQL01, DSN02, SQL02, EXPORT and COUNTER,
// left to right, without searching the inserted text again.
void ReplaceInJob(JobTask& task, const std::string& from, const std::string& to);

// All 609 macros in their order. One clock reading (`today`) serves the whole task, so a task
// expanded across midnight never mixes two dates.
void ExpandMacros(JobTask& task, const std::tm& today, const MacroFolders& folders);

}  // namespace kelvax
