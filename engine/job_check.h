// Mistakes a run passes over in silence: a key the program does not know, a line it skips, a
// section no task count reaches, an output kind or a switch value it does not act on. A run
// prints them on standard error and goes on unchanged; `kelvax --check` lists them with the
// tasks as a run would dispatch them.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "engine/job_task.h"
#include "engine/macros.h"
#include "platform/ini/ini_file.h"

namespace kelvax {

struct JobWarning {
  int line = 0;  // 1-based line of the job file; 0 when the warning is about the whole file
  std::string text;
};

struct JobCheck {
  int task_count = 0;          // as the run reads it from the last section's name
  std::vector<JobTask> tasks;  // read, counted and expanded, up to where the run would stop
  std::vector<JobWarning> warnings;
};

// Reads the job as a run would (macros from `day`) and collects the warnings, in file order
// first, then task by task.
JobCheck CheckJob(const IniFile& file, const std::tm& day, const MacroFolders& folders);

}  // namespace kelvax
