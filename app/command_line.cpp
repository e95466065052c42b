#include "app/command_line.h"

namespace kelvax {

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine cl;
  std::string joined;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (i == 0 && args.size() == 1) {
      if (a == "--help" || a == "-h") { cl.help = true; return cl; }
      if (a == "--version" || a == "-V") { cl.version = true; return cl; }
      if (a.size() > 1 && a[0] == '-' && a[1] == '-') { cl.unknown_option = a; return cl; }
    }
    if (i > 0) joined += ' ';
    joined += a;
  }
  size_t b = joined.find_first_not_of(' ');
  size_t e = joined.find_last_not_of(' ');
  std::string path = b == std::string::npos ? "" : joined.substr(b, e - b + 1);
  if (!path.empty() && path.front() == '"') {
    path = path.size() >= 2 ? path.substr(1, path.size() - 2) : "";
  }
  cl.job_path = path;
  return cl;
}

}  // namespace kelvax
