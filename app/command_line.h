// The command line: options, and the job file path as the program takes it.
#pragma once

#include <ctime>
#include <string>
#include <vector>

namespace kelvax {

struct CommandLine {
  bool help = false;
  bool version = false;
  bool check = false;          // --check: list the job's tasks and warnings, run nothing
  bool has_date = false;       // --date YYYY-MM-DD: the day the date macros are computed from
  std::tm date{};
  std::string error;           // an option that is not known or not well formed
  std::string job_path;        // empty: the command center
};

// Options come first. The remaining arguments are joined by blanks and trimmed; a path
// beginning with a double quote loses its first and last character, so that a quoted path with
// blanks arrives whole.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

}  // namespace kelvax
