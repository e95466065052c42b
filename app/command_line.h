// The command line: options, and the job file path as the program takes it.
#pragma once

#include <ctime>
#include <string>
#include <vector>

namespace kelvax {

struct CommandLine {
  bool help = false;      // -h, --help
  bool version = false;   // -V, --version
  bool check = false;     // -n, --check: list the job's tasks and warnings, run nothing
  bool has_date = false;  // --date YYYY-MM-DD: the day the date macros are computed from
  std::tm date{};
  std::string log_path;   // --log FILE: this run's log, with its lock beside it
  bool wait = false;      // --wait[=SECONDS]: wait for the lock instead of exiting
  int wait_seconds = -1;  //   for at most that long; -1: as long as it takes
  bool show_log = false;  // --show-log [FILE]: print the log (job_path holds FILE)
  std::string error;      // a usage error: an option not known or not well formed, a
                          // second job file
  std::string job_path;   // empty: the command center
};

// Options in the usual form (getopt_long: short ones bundled, --date DAY or --date=DAY, "--"
// ends them), in any order around at most one job file (the log's file after --show-log).
// --wait takes its seconds only as --wait=SECONDS. --help and --version win over everything
// else. The job file is trimmed of blanks; one beginning with a double quote loses its
// first and last character, so that a quoted path with blanks, as schedulers that quote for
// themselves pass it, arrives whole. `args` are the arguments after the program's name.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

}  // namespace kelvax
