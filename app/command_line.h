// The command line: options, and the job file path as the program takes it.
#pragma once

#include <string>
#include <vector>

namespace kelvax {

struct CommandLine {
  bool help = false;
  bool version = false;
  std::string unknown_option;  // set when an option is not known
  std::string job_path;        // empty: the command center
};

// The arguments joined by blanks and trimmed; a path beginning with a double quote loses its
// first and last character, so that a quoted path with blanks arrives whole.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

}  // namespace kelvax
