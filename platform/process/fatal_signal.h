// The last record of a run that a fatal signal ends (a driver that crashes inside a fetch, a
// stack overflow, an abort). On SIGSEGV, SIGBUS, SIGFPE, SIGILL or SIGABRT the handler removes
// every file still being written under a temporary name, appends one record to the run log
// (which task died, by which signal, which unfinished files it removed), writes one line to
// standard error and ends the process with exit status 2.
//
// After such a signal the heap and the C library's locks cannot be trusted, so everything the
// handler writes is prepared beforehand in fixed storage, and the handler itself only calls
// open, write, unlink and _exit. It runs on an alternate stack, so that a stack overflow is
// recorded too.
#pragma once

#include <functional>
#include <string>

namespace kelvax {

// A record's text (UTF-8, lines ending in CR LF) as the run log holds it: passwords masked, in
// code page 932.
using LogBytes = std::function<std::string(const std::string& text)>;

// Installs the handler, once, from the thread that runs the tasks (the alternate stack is that
// thread's). `log_bytes` is called while records are prepared, never in the handler. A record
// is written only while a task is under way (FatalSignalTask); outside one the handler still
// removes the unfinished files and says on standard error what ended the program.
void InstallFatalSignalRecord(const std::string& log_path, LogBytes log_bytes);

// While it lives, a fatal signal ends task `number`, which started at `time_stamp`.
class FatalSignalTask {
 public:
  FatalSignalTask(int number, const std::string& time_stamp);
  ~FatalSignalTask();
  FatalSignalTask(const FatalSignalTask&) = delete;
  FatalSignalTask& operator=(const FatalSignalTask&) = delete;
};

// A file being written under a temporary name: while registered, a fatal signal removes it and
// the record names it. The table is small and fixed; a file that finds no room is left by a
// crash, as it was before there was a table.
class UnfinishedFile {
 public:
  UnfinishedFile() = default;
  ~UnfinishedFile() { Unregister(); }
  UnfinishedFile(const UnfinishedFile&) = delete;
  UnfinishedFile& operator=(const UnfinishedFile&) = delete;

  void Register(const std::string& path);
  void Unregister();

 private:
  int slot_ = -1;
};

// Removes every registered unfinished file and returns the lines (as the log's bytes) that name
// those it removed. For the stop watchdog, which ends the program without running destructors.
std::string RemoveUnfinishedFiles();

// While it lives, the calling thread is inside a data source's driver: a fatal signal on this
// thread is said to have come from there.
class InsideDriver {
 public:
  InsideDriver();
  ~InsideDriver();
  InsideDriver(const InsideDriver&) = delete;
  InsideDriver& operator=(const InsideDriver&) = delete;
};

// `call()`, a call into a driver, with an InsideDriver around it.
template <class Call>
auto CallDriver(Call&& call) {
  const InsideDriver inside;
  return call();
}

}  // namespace kelvax
