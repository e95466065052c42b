#include "app/command_line.h"

#include <cstdio>

#include "platform/calendar.h"
#include "platform/trim.h"

namespace kelvax {

namespace {

// YYYY-MM-DD naming a real day.
bool ParseDay(const std::string& text, std::tm& day) {
  int y = 0, m = 0, d = 0;
  char tail = 0;
  if (text.size() != 10 || text[4] != '-' || text[7] != '-' ||
      std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail) != 3) {
    return false;
  }
  if (y < 1 || !IsRealDay(y, m, d)) return false;
  day = std::tm{};
  day.tm_year = y - 1900;
  day.tm_mon = m - 1;
  day.tm_mday = d;
  day.tm_hour = 12;
  return true;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine cl;
  size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (args.size() == 1 && (a == "--help" || a == "-h")) { cl.help = true; return cl; }
    if (args.size() == 1 && (a == "--version" || a == "-V")) { cl.version = true; return cl; }
    if (a.size() < 2 || a[0] != '-' || a[1] != '-') break;
    if (a == "--check") {
      cl.check = true;
    } else if (a == "--date" || a.rfind("--date=", 0) == 0) {
      std::string value;
      if (a == "--date") {
        if (i + 1 == args.size()) { cl.error = "--date needs a day as YYYY-MM-DD"; return cl; }
        value = args[++i];
      } else {
        value = a.substr(7);
      }
      if (!ParseDay(value, cl.date)) {
        cl.error = "--date " + value + " is not a day written as YYYY-MM-DD";
        return cl;
      }
      cl.has_date = true;
    } else {
      cl.error = "unknown option " + a;
      return cl;
    }
  }
  std::string joined;
  for (size_t j = i; j < args.size(); ++j) {
    if (j > i) joined += ' ';
    joined += args[j];
  }
  std::string path(TrimChars(joined, " "));
  if (!path.empty() && path.front() == '"') {
    path = path.size() >= 2 ? path.substr(1, path.size() - 2) : "";
  }
  cl.job_path = path;
  if ((cl.check || cl.has_date) && cl.job_path.empty()) cl.error = "--check and --date need a job file";
  return cl;
}

}  // namespace kelvax
