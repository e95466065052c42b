// What the program says on standard error about a job, and the --check listing. Everything goes
// out in the terminal's encoding; connect strings with their passwords masked.
#pragma once

#include <cstdio>
#include <ctime>
#include <string>

#include "engine/run_log.h"
#include "engine/runner.h"
#include "platform/ini/ini_file.h"

namespace kelvax {

// Names a job file that could not be read (missing, a folder, no permission) and prints the
// warnings of one that could. Nothing is printed for a job without mistakes.
void PrintJobWarnings(const std::string& job_path, const IniFile& job, const std::tm& day,
                      std::FILE* err);

// kelvax --check: the task count and the encoding the file was read in, the tasks as a run
// would dispatch them (stdout) and the warnings (err).
// Connects to nothing and writes nothing. Returns 0 when there is nothing to warn about, else 1.
int CheckJobFile(const std::string& job_path, const std::tm& day, std::FILE* out, std::FILE* err);

// After a run whose exit status is not 0: how many tasks failed, the first failure's headline
// and description, the fatal error that ended the run, and where the run log is and how to read
// it (kelvax --show-log).
void PrintRunSummary(const RunResult& result, const RunLog& log, std::FILE* err);

// The failure the command center shows after a run: the first failure record, else the fatal
// record that ended the run, else the log that could not be written; passwords masked. Empty
// for a run without failures and for one the user cut.
std::string FailureToShow(const RunResult& result, const RunLog& log);

}  // namespace kelvax
