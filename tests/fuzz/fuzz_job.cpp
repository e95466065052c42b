// Reading a job's tasks and expanding their macros, on any job file and any calendar day.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <ctime>
#include <string>

#include "engine/job_file.h"
#include "engine/macros.h"
#include "platform/text/utf8.h"
#include "tests/fuzz/check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kelvax;
  FuzzedDataProvider in(data, size);
  std::tm today{};
  today.tm_year = in.ConsumeIntegralInRange(1900, 9999) - 1900;
  today.tm_mon = in.ConsumeIntegralInRange(1, 12);  // day 0 of the next month: this month's last
  timegm(&today);
  today.tm_mday = in.ConsumeIntegralInRange(1, today.tm_mday);
  const MacroFolders folders{"/home/user/Desktop", "/tmp/", "/opt/kelvax"};

  const IniFile file = IniFile::Parse(in.ConsumeRemainingBytesAsString());
  int count = 0;
  if (!GetIniList(file, count).ok()) return 0;
  // Every task is read the same way: a few are enough to reach every path.
  for (int i = 1; i <= count && i <= 3; ++i) {
    JobTask task;
    ReadJobTask(file, i, task);
    (void)PrepareRowCount(task);
    ExpandMacros(task, today, folders);
    for (const std::string* v :
         {&task.DSN01, &task.SQL01, &task.DSN02, &task.SQL02, &task.EXPORT, &task.COUNTER}) {
      FUZZ_CHECK(IsValidUtf8(*v), *v);
    }
  }
  return 0;
}
