#include "app/command_line.h"

#include <getopt.h>

#include <cstdio>
#include <cstring>

#include "platform/text/trim.h"
#include "platform/time/calendar.h"

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

// A whole number of seconds, up to a year.
bool ParseSeconds(const std::string& text, int& seconds) {
  if (text.empty() || text.size() > 8 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  seconds = std::stoi(text);
  return seconds <= 366 * 24 * 3600;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine cl;
  // Long options without a short form.
  constexpr int kDate = 256, kLog = 257, kWait = 258, kShowLog = 259;
  static const option kOptions[] = {
      {"help", no_argument, nullptr, 'h'},          {"version", no_argument, nullptr, 'V'},
      {"check", no_argument, nullptr, 'n'},         {"date", required_argument, nullptr, kDate},
      {"log", required_argument, nullptr, kLog},    {"wait", optional_argument, nullptr, kWait},
      {"show-log", no_argument, nullptr, kShowLog}, {nullptr, 0, nullptr, 0},
  };
  // getopt_long reorders the array it is given and keeps its place in globals: it gets a copy
  // and starts afresh (optind 0), and says nothing itself (opterr 0, ':' first).
  std::vector<std::string> copies{"kelvax"};
  copies.insert(copies.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : copies) argv.push_back(a.data());
  argv.push_back(nullptr);
  const int argc = static_cast<int>(copies.size());
  optind = 0;
  opterr = 0;
  auto fail = [&cl](std::string text) {
    if (cl.error.empty()) cl.error = std::move(text);
  };
  for (int c; (c = getopt_long(argc, argv.data(), ":hVn", kOptions, nullptr)) != -1;) {
    switch (c) {
      case 'h':
        cl.help = true;
        break;
      case 'V':
        cl.version = true;
        break;
      case 'n':
        cl.check = true;
        break;
      case kDate:
        if (ParseDay(optarg, cl.date)) {
          cl.has_date = true;
        } else {
          fail(std::string("--date ") + optarg + " is not a day written as YYYY-MM-DD");
        }
        break;
      case kLog:
        if (*optarg) {
          cl.log_path = optarg;
        } else {
          fail("--log needs a file");
        }
        break;
      case kWait:
        cl.wait = true;
        if (optarg && !ParseSeconds(optarg, cl.wait_seconds)) {
          fail(std::string("--wait=") + optarg + " is not a number of seconds");
        }
        break;
      case kShowLog:
        cl.show_log = true;
        break;
      case ':':  // optopt: the option that needs a value
        fail(optopt == kLog ? "--log needs a file" : "--date needs a day as YYYY-MM-DD");
        break;
      default: {
        // optopt: 0 for a long option not known (its whole argument is the last one read), the
        // option's letter for a long one given a value it does not take, else the unknown letter.
        const std::string last = argv[optind - 1];
        if (optopt == 0) {
          fail("unknown option " + last);
        } else if (optopt == kShowLog || std::strchr("hVn", optopt)) {
          fail("option " + last.substr(0, last.find('=')) + " takes no value");
        } else {
          fail(std::string("unknown option -") + static_cast<char>(optopt));
        }
      }
    }
  }
  if (cl.help || cl.version) return cl;
  const char* what = cl.show_log ? " after the log's file " : " after the job file ";
  if (argc - optind > 1) {
    fail("unexpected argument " + std::string(argv[optind + 1]) + what + argv[optind]);
  } else if (optind < argc) {
    std::string path(TrimChars(argv[optind], " "));
    if (!path.empty() && path.front() == '"') {
      path = path.size() >= 2 ? path.substr(1, path.size() - 2) : "";
    }
    cl.job_path = path;
  }
  if (cl.show_log && (cl.check || cl.has_date || cl.wait)) {
    fail("--show-log runs nothing: no --check, --date or --wait");
  } else if ((cl.check || cl.has_date) && cl.job_path.empty()) {
    fail("--check and --date need a job file");
  }
  return cl;
}

}  // namespace kelvax
